#pragma once
// The PCM description of a decoded song, laid out field by field like the 18-byte wave format
// record that AVI audio streams carry as their stream format.

#include <cstdint>
#include <vector>

struct WaveFormat {
  uint16_t format_tag = 1;  // 1: PCM
  uint16_t channels = 0;
  uint32_t samples_per_second = 0;
  uint32_t average_bytes_per_second = 0;
  uint16_t block_align = 0;  // bytes of one sample of every channel
  uint16_t bits_per_sample = 0;
  uint16_t extra_size = 0;
};

// A PCM format with the derived fields filled in.
WaveFormat MakePcmWaveFormat(uint16_t channels, uint32_t samples_per_second, uint16_t bits_per_sample);

// The 18 little-endian bytes of the record.
std::vector<uint8_t> SerializeWaveFormat(const WaveFormat& format);
