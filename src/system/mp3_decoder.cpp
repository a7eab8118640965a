// MPEG audio through libmpg123, reading the song from memory with replaced I/O so that the
// whole stream can be scanned for its exact length before decoding.

#include <mpg123.h>

#include <memory>

#include "system/audio_decoder.h"
#include "system/memory_reader.h"

namespace {

mpg123_ssize_t ReadCallback(void* handle, void* destination, size_t size) {
  return static_cast<mpg123_ssize_t>(static_cast<MemoryReader*>(handle)->Read(destination, size));
}

off_t SeekCallback(void* handle, off_t offset, int whence) {
  return static_cast<off_t>(static_cast<MemoryReader*>(handle)->Seek(offset, whence));
}

struct HandleDeleter {
  void operator()(mpg123_handle* handle) const {
    mpg123_close(handle);
    mpg123_delete(handle);
  }
};
using Mpg123Handle = std::unique_ptr<mpg123_handle, HandleDeleter>;

bool InitLibrary(std::string& error) {
  static const int result = mpg123_init();  // once per process; later calls are no-ops anyway
  if (result != MPG123_OK) error = mpg123_plain_strerror(result);
  return result == MPG123_OK;
}

// Every rate and both layouts are accepted, but only as signed 16-bit samples.
bool RequestSigned16(mpg123_handle* handle) {
  if (mpg123_format_none(handle) != MPG123_OK) return false;
  const long* rates = nullptr;
  size_t rate_count = 0;
  mpg123_rates(&rates, &rate_count);
  for (size_t i = 0; i < rate_count; ++i) {
    if (mpg123_format(handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16) != MPG123_OK) {
      return false;
    }
  }
  return true;
}

Mpg123Handle OpenHandle(MemoryReader& reader, std::string& error) {
  int result = MPG123_OK;
  Mpg123Handle handle(mpg123_new(nullptr, &result));
  if (!handle) {
    error = mpg123_plain_strerror(result);
    return nullptr;
  }
  mpg123_param(handle.get(), MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0.0);
  if (!RequestSigned16(handle.get()) ||
      mpg123_replace_reader_handle(handle.get(), ReadCallback, SeekCallback, nullptr) != MPG123_OK ||
      mpg123_open_handle(handle.get(), &reader) != MPG123_OK) {
    error = mpg123_strerror(handle.get());
    return nullptr;
  }
  return handle;
}

bool ReadFormat(mpg123_handle* handle, AudioPcm& out, std::string& error) {
  long rate = 0;
  int channels = 0;
  int encoding = 0;
  if (mpg123_getformat(handle, &rate, &channels, &encoding) != MPG123_OK || rate <= 0 || channels <= 0) {
    error = std::string("no MPEG audio frames: ") + mpg123_strerror(handle);
    return false;
  }
  out.rate = static_cast<uint32_t>(rate);
  out.channels = static_cast<uint32_t>(channels);
  out.bits = 16;
  return true;
}

// Decodes straight into the sample vector, sized up front from the length when a full scan
// counted it (a header's claim alone could ask for any amount of memory).
bool ReadSamples(mpg123_handle* handle, bool scanned, AudioPcm& out, std::string& error) {
  const off_t frames = scanned ? mpg123_length(handle) : 0;
  if (frames > 0) out.samples.reserve(static_cast<size_t>(frames) * out.channels);
  std::vector<int16_t> chunk(16384);
  for (;;) {
    size_t done = 0;
    const int result = mpg123_read(handle, chunk.data(), chunk.size() * sizeof(int16_t), &done);
    out.samples.insert(out.samples.end(), chunk.begin(), chunk.begin() + done / sizeof(int16_t));
    if (result == MPG123_DONE) return true;
    if (result == MPG123_NEW_FORMAT) {
      error = "the audio format changes within the stream";
      return false;
    }
    if (result != MPG123_OK) {
      error = mpg123_strerror(handle);
      return false;
    }
  }
}

}  // namespace

bool DecodeMp3(std::span<const uint8_t> bytes, AudioPcm& out, std::string& error) {
  out = AudioPcm{};
  if (!InitLibrary(error)) return false;
  MemoryReader reader(bytes);
  Mpg123Handle handle = OpenHandle(reader, error);
  if (!handle) return false;
  // The exact length, like a prescan; failure only costs the reserve.
  const bool scanned = mpg123_scan(handle.get()) == MPG123_OK;
  if (!ReadFormat(handle.get(), out, error)) return false;
  if (!ReadSamples(handle.get(), scanned, out, error)) return false;
  if (out.samples.empty()) {
    error = "the stream holds no samples";
    return false;
  }
  return true;
}
