#pragma once
// A minimal writer of AVI 1.0 files: a RIFF "AVI " form with the stream headers, a "movi" list
// of data chunks and an "idx1" index. Streams may be added while data is being written (the
// audio stream of a capture appears after its first frame), so the headers are written when
// the file is finished, into room reserved at the start of the file. A file that is never
// finished is removed: no half-written file is left behind.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <vector>

struct AviStreamHeader {
  std::string type;     // "vids" or "auds"
  std::string handler;  // four characters, or empty for none
  uint32_t scale = 1;
  uint32_t rate = 1;    // rate / scale = units (frames or sample blocks) per second
  uint32_t suggested_buffer_size = 0;
  uint32_t quality = 0xFFFFFFFFu;  // the format's default
  uint32_t sample_size = 0;        // 0: each chunk is one unit of varying size
  int16_t frame_left = 0, frame_top = 0, frame_right = 0, frame_bottom = 0;
  std::string name;
};

class AviFile {
 public:
  static constexpr int kMaxStreams = 4;

  // Creates or truncates the file; null when it cannot be created.
  static std::unique_ptr<AviFile> Create(const std::string& path);
  ~AviFile();
  AviFile(const AviFile&) = delete;
  AviFile& operator=(const AviFile&) = delete;

  // The new stream's number, or -1 when no more streams fit.
  int AddStream(const AviStreamHeader& header);
  // The header may change until the file is finished (a frame size known only later).
  bool SetStreamHeader(int stream, const AviStreamHeader& header);
  bool SetStreamFormat(int stream, std::span<const uint8_t> format);
  // Appends one chunk holding `units` frames or sample blocks and indexes it as a key frame.
  // Returns the data bytes written, 0 on failure.
  uint32_t WriteChunk(int stream, std::span<const uint8_t> data, uint32_t units);

  // Writes the index and the headers and closes the file. False when that fails or a stream
  // has no format; the file is then closed as it is when it holds chunks, else removed.
  bool Finish();
  // Closes and removes the file.
  void Discard();

  const std::string& path() const { return path_; }
  bool HoldsChunks() const { return !index_.empty(); }

 private:
  struct Stream {
    AviStreamHeader header;
    std::vector<uint8_t> format;
    uint32_t length = 0;
    uint32_t largest_chunk = 0;
  };
  struct IndexEntry {
    uint32_t chunk_id;
    uint32_t offset;  // from the "movi" list type to the chunk header
    uint32_t size;
  };

  AviFile(std::FILE* file, std::string path);
  uint32_t ChunkId(int stream) const;
  bool WriteAt(uint64_t position, std::span<const uint8_t> bytes);
  std::vector<uint8_t> BuildHeaderList() const;
  bool WriteIndex();
  bool WriteHeaders();
  void CloseFile();

  std::FILE* file_;
  std::string path_;
  std::vector<Stream> streams_;
  std::vector<IndexEntry> index_;
  uint64_t end_ = 0;  // where the next chunk goes
};
