#pragma once
// Unpacks the zlib stream of a packed data file piece by piece, straight into the buffers that
// keep the pieces, so that no second copy of the whole chunk stream is ever made. The checks
// are those of a one-shot uncompress into a buffer of the announced size: the stream must fill
// it exactly and end there with a good checksum.

#include <zlib.h>

#include <cstdint>
#include <string>

class ChunkStreamInflater {
 public:
  // `name` only appears in messages. The compressed bytes must outlive the inflater.
  ChunkStreamInflater(const std::string& name, const uint8_t* compressed, uint64_t compressed_size,
                      uint64_t stream_size);
  ~ChunkStreamInflater();
  ChunkStreamInflater(const ChunkStreamInflater&) = delete;
  ChunkStreamInflater& operator=(const ChunkStreamInflater&) = delete;

  // Unpacks the next `count` bytes into `out`; the caller keeps within the announced size.
  // A stream that cannot deliver them is fatal.
  void Take(uint8_t* out, uint64_t count);

  // Unpacks whatever is left (discarding it) and checks the stream as a whole: fatal when its
  // length differs from the announced size or zlib reports a failure. Returns only for a sound
  // stream, so a caller that found a fault in the chunks calls it first and then reports its
  // own fault.
  void CheckWholeStream();

 private:
  uint64_t Inflate(uint8_t* out, uint64_t count);
  int FinalResult();

  std::string name_;
  z_stream zlib_{};
  const uint8_t* next_in_;
  uint64_t in_left_;
  uint64_t stream_size_;
  uint64_t produced_ = 0;
  int status_ = Z_OK;  // Z_OK while the stream runs, then Z_STREAM_END or the failure
};
