#include "system/audio_pcm.h"

#include <cmath>

double AudioPcm::BytesToSeconds(uint64_t bytes) const {
  const uint64_t bytes_per_second = uint64_t{BlockAlign()} * rate;
  if (bytes_per_second == 0) return 0.0;
  return static_cast<double>(bytes) / static_cast<double>(bytes_per_second);
}

uint64_t AudioPcm::SecondsToBytes(double seconds) const {
  if (!(seconds > 0.0) || rate == 0) return 0;  // negative and NaN times seek to the start
  const double frames = std::floor(seconds * rate);
  if (frames >= 9.0e18 / (BlockAlign() + 1)) return UINT64_MAX - UINT64_MAX % BlockAlign();
  return static_cast<uint64_t>(frames) * BlockAlign();
}
