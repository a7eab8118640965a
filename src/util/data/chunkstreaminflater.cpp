#include "util/data/chunkstreaminflater.h"

#include <algorithm>
#include <limits>

#include "system/log.h"

namespace {

// zlib counts its buffers in 32 bits; larger spans are fed in pieces.
constexpr uint64_t kMaxPiece = std::numeric_limits<uInt>::max();
constexpr uint64_t kScratchSize = 64 * 1024;

}  // namespace

ChunkStreamInflater::ChunkStreamInflater(const std::string& name, const uint8_t* compressed,
                                         uint64_t compressed_size, uint64_t stream_size)
    : name_(name), next_in_(compressed), in_left_(compressed_size), stream_size_(stream_size) {
  const int result = inflateInit(&zlib_);
  if (result != Z_OK) {
    ExitMsgFmt(__FILE__, __LINE__, "Failed to unpack data file {}: zlib error {} ({})", name_,
               result, zError(result));
  }
}

ChunkStreamInflater::~ChunkStreamInflater() { inflateEnd(&zlib_); }

uint64_t ChunkStreamInflater::Inflate(uint8_t* out, uint64_t count) {
  uint64_t done = 0;
  while (done < count && status_ == Z_OK) {
    if (zlib_.avail_in == 0) {
      const uint64_t piece = std::min(in_left_, kMaxPiece);
      zlib_.next_in = const_cast<Bytef*>(next_in_);
      zlib_.avail_in = static_cast<uInt>(piece);
      next_in_ += piece;
      in_left_ -= piece;
    }
    const auto room = static_cast<uInt>(std::min(count - done, kMaxPiece));
    zlib_.next_out = out + done;
    zlib_.avail_out = room;
    const int result = inflate(&zlib_, Z_NO_FLUSH);
    done += room - zlib_.avail_out;
    if (result == Z_STREAM_END) {
      status_ = Z_STREAM_END;
    } else if (result == Z_NEED_DICT) {
      status_ = Z_DATA_ERROR;  // no dictionary is ever used
    } else if (result == Z_BUF_ERROR && zlib_.avail_in == 0 && in_left_ == 0) {
      status_ = Z_BUF_ERROR;  // the input ended inside the stream
    } else if (result != Z_OK && result != Z_BUF_ERROR) {
      status_ = result;
    }
  }
  produced_ += done;
  return done;
}

void ChunkStreamInflater::Take(uint8_t* out, uint64_t count) {
  if (Inflate(out, count) == count) return;
  CheckWholeStream();
  ExitMsgFmt(__FILE__, __LINE__, "Data file {} ended inside its chunk stream", name_);
}

// What uncompress would have answered for a stream that filled the buffer exactly.
int ChunkStreamInflater::FinalResult() {
  if (status_ != Z_OK) return status_ == Z_STREAM_END ? Z_OK : status_;
  uint8_t probe = 0;
  if (Inflate(&probe, 1) == 1) return Z_BUF_ERROR;  // more bytes than announced
  return status_ == Z_STREAM_END ? Z_OK : status_;
}

void ChunkStreamInflater::CheckWholeStream() {
  uint8_t scratch[kScratchSize];
  while (produced_ < stream_size_ && status_ == Z_OK) {
    Inflate(scratch, std::min(stream_size_ - produced_, kScratchSize));
  }
  if (produced_ != stream_size_) {
    ExitMsgFmt(__FILE__, __LINE__, "destLen {} is not equal to {}, which is surprising", produced_,
               stream_size_);
  }
  const int result = FinalResult();
  if (result != Z_OK) {
    ExitMsgFmt(__FILE__, __LINE__, "Failed to unpack data file {}: zlib error {} ({})", name_,
               result, zError(result));
  }
}
