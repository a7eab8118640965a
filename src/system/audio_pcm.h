#pragma once
// A song decoded once into memory: interleaved signed 16-bit samples. The playback stream and
// the decode-only stream are both cursors over one shared AudioPcm, so the song is decoded once
// however many streams read it. Positions everywhere are bytes of this 16-bit output.

#include <cstdint>
#include <vector>

struct AudioPcm {
  uint32_t rate = 0;
  uint32_t channels = 0;
  uint32_t bits = 16;
  std::vector<int16_t> samples;

  uint32_t BlockAlign() const { return channels * bits / 8; }
  uint64_t FrameCount() const { return channels == 0 ? 0 : samples.size() / channels; }
  uint64_t LengthBytes() const { return samples.size() * sizeof(int16_t); }

  // Byte positions convert with the song's own rate; seconds to bytes rounds down to a whole
  // frame so that a position set from seconds always reads back as the same byte count.
  double BytesToSeconds(uint64_t bytes) const;
  uint64_t SecondsToBytes(double seconds) const;
};
