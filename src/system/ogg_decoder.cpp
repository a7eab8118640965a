// Ogg Vorbis through libvorbisfile, reading the song from memory through its callbacks.

#include <vorbis/vorbisfile.h>

#include <cstdio>

#include "system/audio_decoder.h"
#include "system/memory_reader.h"

namespace {

size_t ReadCallback(void* destination, size_t size, size_t count, void* source) {
  if (size == 0) return 0;
  return static_cast<MemoryReader*>(source)->Read(destination, size * count) / size;
}

// Read as an unseekable stream: the whole song is decoded front to back anyway, and a seekable
// open trusts the last page's position, so a cut-off file would decode to nothing.
const ov_callbacks kMemoryCallbacks = {ReadCallback, nullptr, nullptr, nullptr};

class VorbisFile {
 public:
  VorbisFile() = default;
  VorbisFile(const VorbisFile&) = delete;
  VorbisFile& operator=(const VorbisFile&) = delete;
  ~VorbisFile() {
    if (open_) ov_clear(&file_);
  }
  bool Open(MemoryReader& reader) {
    open_ = ov_open_callbacks(&reader, &file_, nullptr, 0, kMemoryCallbacks) == 0;
    return open_;
  }
  OggVorbis_File* get() { return &file_; }

 private:
  OggVorbis_File file_{};
  bool open_ = false;
};

// Little-endian signed 16-bit, straight into the sample vector; holes in a damaged stream
// (OV_HOLE) are skipped, any other error ends the decode.
bool ReadSamples(OggVorbis_File* file, AudioPcm& out, std::string& error) {
  std::vector<int16_t> chunk(16384);
  int section = 0;
  for (;;) {
    const long got = ov_read(file, reinterpret_cast<char*>(chunk.data()),
                             static_cast<int>(chunk.size() * sizeof(int16_t)), 0, 2, 1, &section);
    if (got == 0) return true;
    if (got == OV_HOLE) continue;
    if (got < 0) {
      error = "damaged Vorbis data";
      return false;
    }
    const vorbis_info* info = ov_info(file, section);
    if (info == nullptr || static_cast<uint32_t>(info->channels) != out.channels ||
        static_cast<uint32_t>(info->rate) != out.rate) {
      error = "the audio format changes within the stream";
      return false;
    }
    out.samples.insert(out.samples.end(), chunk.begin(), chunk.begin() + got / sizeof(int16_t));
  }
}

}  // namespace

bool DecodeOgg(std::span<const uint8_t> bytes, AudioPcm& out, std::string& error) {
  out = AudioPcm{};
  MemoryReader reader(bytes);
  VorbisFile file;
  if (!file.Open(reader)) {
    error = "not an Ogg Vorbis stream";
    return false;
  }
  const vorbis_info* info = ov_info(file.get(), -1);
  if (info == nullptr || info->channels <= 0 || info->rate <= 0) {
    error = "Ogg Vorbis stream without a valid format";
    return false;
  }
  out.rate = static_cast<uint32_t>(info->rate);
  out.channels = static_cast<uint32_t>(info->channels);
  out.bits = 16;
  if (!ReadSamples(file.get(), out, error)) return false;
  if (out.samples.empty()) {
    error = "the stream holds no samples";
    return false;
  }
  return true;
}
