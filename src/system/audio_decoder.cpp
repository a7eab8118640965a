#include "system/audio_decoder.h"

#include <cstring>

namespace {

bool IsOgg(std::span<const uint8_t> bytes) {
  return bytes.size() >= 4 && std::memcmp(bytes.data(), "OggS", 4) == 0;
}

}  // namespace

bool DecodeAudio(std::span<const uint8_t> bytes, AudioPcm& out, std::string& error) {
  if (bytes.empty()) {
    error = "no audio data";
    return false;
  }
  return IsOgg(bytes) ? DecodeOgg(bytes, out, error) : DecodeMp3(bytes, out, error);
}
