#include "system/waveformat.h"

#include "system/riffbytes.h"

WaveFormat MakePcmWaveFormat(uint16_t channels, uint32_t samples_per_second, uint16_t bits_per_sample) {
  WaveFormat format;
  format.channels = channels;
  format.samples_per_second = samples_per_second;
  format.bits_per_sample = bits_per_sample;
  format.block_align = static_cast<uint16_t>(bits_per_sample * channels / 8);
  format.average_bytes_per_second = format.block_align * samples_per_second;
  return format;
}

std::vector<uint8_t> SerializeWaveFormat(const WaveFormat& format) {
  RiffBytes bytes;
  bytes.U16(format.format_tag);
  bytes.U16(format.channels);
  bytes.U32(format.samples_per_second);
  bytes.U32(format.average_bytes_per_second);
  bytes.U16(format.block_align);
  bytes.U16(format.bits_per_sample);
  bytes.U16(format.extra_size);
  return bytes.Take();
}
