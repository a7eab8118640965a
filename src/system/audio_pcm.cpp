#include "system/audio_pcm.h"

#include <algorithm>
#include <cmath>

double AudioPcm::BytesToSeconds(uint64_t bytes) const {
  const uint64_t bytes_per_second = uint64_t{BlockAlign()} * rate;
  if (bytes_per_second == 0) return 0.0;
  return static_cast<double>(bytes) / static_cast<double>(bytes_per_second);
}

uint64_t AudioPcm::SecondsToBytes(double seconds) const {
  if (!(seconds > 0.0) || rate == 0) return 0;  // negative and NaN times seek to the start
  // Far beyond any song (about 700 years at 44.1 kHz) but clear of 64-bit overflow.
  constexpr double kMaxFrames = 1.0e15;
  const double frames = std::min(std::floor(seconds * rate), kMaxFrames);
  return static_cast<uint64_t>(frames) * BlockAlign();
}
