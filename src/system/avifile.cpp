#include "system/avifile.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "system/riffbytes.h"

namespace {

// The "movi" list starts at a fixed place; everything before it is the RIFF header, the
// header list and a JUNK chunk filling the rest of the reserved room.
constexpr uint64_t kMoviListStart = 2048;
constexpr uint64_t kMoviDataStart = kMoviListStart + 12;
constexpr uint32_t kAvifHasIndex = 0x10;
constexpr uint32_t kAvifIsInterleaved = 0x100;
constexpr uint32_t kAviifKeyFrame = 0x10;
// RIFF sizes are 32-bit; readers commonly treat them as signed, so stay below 2 GiB.
constexpr uint64_t kLargestFile = 0x7FFFFFFFu;

std::vector<uint8_t> Placeholder() {
  RiffBytes bytes;
  size_t riff = bytes.BeginChunk("RIFF");
  bytes.FourCC("AVI ");
  size_t junk = bytes.BeginChunk("JUNK");
  bytes.Bytes(std::vector<uint8_t>(kMoviListStart - bytes.size()));
  bytes.EndChunk(junk);
  size_t movi = bytes.BeginList("movi");
  bytes.EndChunk(movi);
  bytes.EndChunk(riff);
  return bytes.Take();
}

void PutStreamHeader(RiffBytes& bytes, const AviStreamHeader& header, uint32_t length,
                     uint32_t largest_chunk) {
  size_t strh = bytes.BeginChunk("strh");
  bytes.FourCC(header.type);
  bytes.U32(header.handler.size() == 4 ? MakeFourCC(header.handler) : 0);
  bytes.U32(0);  // flags
  bytes.U16(0);  // priority
  bytes.U16(0);  // language
  bytes.U32(0);  // initial frames
  bytes.U32(header.scale);
  bytes.U32(header.rate);
  bytes.U32(0);  // start
  bytes.U32(length);
  bytes.U32(std::max(header.suggested_buffer_size, largest_chunk));
  bytes.U32(header.quality);
  bytes.U32(header.sample_size);
  bytes.I16(header.frame_left);
  bytes.I16(header.frame_top);
  bytes.I16(header.frame_right);
  bytes.I16(header.frame_bottom);
  bytes.EndChunk(strh);
}

}  // namespace

std::unique_ptr<AviFile> AviFile::Create(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "wb+");
  if (!file) return nullptr;
  std::unique_ptr<AviFile> avi(new AviFile(file, path));
  if (!avi->WriteAt(0, Placeholder())) {
    avi->Discard();
    return nullptr;
  }
  avi->end_ = kMoviDataStart;
  return avi;
}

AviFile::AviFile(std::FILE* file, std::string path) : file_(file), path_(std::move(path)) {}

AviFile::~AviFile() {
  if (!file_) return;
  // A part that holds frames is worth finishing (and is kept even when that fails); an empty
  // one is removed.
  if (HoldsChunks()) {
    Finish();
  } else {
    Discard();
  }
}

int AviFile::AddStream(const AviStreamHeader& header) {
  if (!file_ || streams_.size() >= kMaxStreams || header.type.size() != 4 || header.scale == 0)
    return -1;
  streams_.push_back(Stream{header, {}, 0, 0});
  return static_cast<int>(streams_.size()) - 1;
}

bool AviFile::SetStreamHeader(int stream, const AviStreamHeader& header) {
  if (!file_ || stream < 0 || stream >= static_cast<int>(streams_.size()) ||
      header.type != streams_[stream].header.type || header.scale == 0)
    return false;
  streams_[stream].header = header;
  return true;
}

bool AviFile::SetStreamFormat(int stream, std::span<const uint8_t> format) {
  if (!file_ || stream < 0 || stream >= static_cast<int>(streams_.size()) || format.empty())
    return false;
  streams_[stream].format.assign(format.begin(), format.end());
  return true;
}

uint32_t AviFile::ChunkId(int stream) const {
  // "00db": uncompressed video frame of stream 0; "01wb": audio of stream 1.
  const char* kind = streams_[stream].header.type == "auds" ? "wb" : "db";
  char id[5] = {static_cast<char>('0' + stream / 10), static_cast<char>('0' + stream % 10), kind[0],
                kind[1], 0};
  return MakeFourCC(id);
}

uint32_t AviFile::WriteChunk(int stream, std::span<const uint8_t> data, uint32_t units) {
  if (!file_ || stream < 0 || stream >= static_cast<int>(streams_.size())) return 0;
  // Written as a subtraction so that a huge chunk cannot wrap the sum around.
  const uint64_t index_room = (index_.size() + 1) * 16 + 8;
  if (data.size() > kLargestFile || end_ + 8 + index_room > kLargestFile - data.size()) return 0;
  RiffBytes header;
  header.U32(ChunkId(stream));
  header.U32(static_cast<uint32_t>(data.size()));
  const uint64_t position = end_;
  if (!WriteAt(position, header.bytes()) || !WriteAt(position + 8, data)) return 0;
  end_ = position + 8 + data.size();
  if (data.size() % 2 != 0) {
    const uint8_t pad[1] = {0};
    if (!WriteAt(end_, pad)) return 0;
    ++end_;
  }
  const uint32_t size = static_cast<uint32_t>(data.size());
  index_.push_back({ChunkId(stream), static_cast<uint32_t>(position - (kMoviListStart + 8)), size});
  streams_[stream].length += units;
  streams_[stream].largest_chunk = std::max(streams_[stream].largest_chunk, size);
  return size;
}

bool AviFile::WriteAt(uint64_t position, std::span<const uint8_t> bytes) {
  if (fseeko(file_, static_cast<off_t>(position), SEEK_SET) != 0) return false;
  return std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size();
}

std::vector<uint8_t> AviFile::BuildHeaderList() const {
  const Stream* video = nullptr;
  uint32_t largest_chunk = 0;
  double bytes_per_second = 0.0;
  for (const Stream& stream : streams_) {
    if (!video && stream.header.type == "vids") video = &stream;
    largest_chunk = std::max(largest_chunk, stream.largest_chunk);
    const double units_per_second = double(stream.header.rate) / stream.header.scale;
    const uint32_t unit_bytes = stream.header.sample_size ? stream.header.sample_size : stream.largest_chunk;
    bytes_per_second += units_per_second * unit_bytes;
  }
  RiffBytes bytes;
  size_t hdrl = bytes.BeginList("hdrl");
  size_t avih = bytes.BeginChunk("avih");
  bytes.U32(video ? static_cast<uint32_t>(std::lround(1e6 * video->header.scale / video->header.rate)) : 0);
  bytes.U32(static_cast<uint32_t>(std::min(bytes_per_second, 4294967295.0)));
  bytes.U32(0);  // padding granularity
  bytes.U32(kAvifHasIndex | kAvifIsInterleaved);
  bytes.U32(video ? video->length : 0);
  bytes.U32(0);  // initial frames
  bytes.U32(static_cast<uint32_t>(streams_.size()));
  bytes.U32(largest_chunk);
  bytes.U32(video ? static_cast<uint32_t>(video->header.frame_right - video->header.frame_left) : 0);
  bytes.U32(video ? static_cast<uint32_t>(video->header.frame_bottom - video->header.frame_top) : 0);
  for (int i = 0; i < 4; ++i) bytes.U32(0);
  bytes.EndChunk(avih);
  for (const Stream& stream : streams_) {
    size_t strl = bytes.BeginList("strl");
    PutStreamHeader(bytes, stream.header, stream.length, stream.largest_chunk);
    size_t strf = bytes.BeginChunk("strf");
    bytes.Bytes(stream.format);
    bytes.EndChunk(strf);
    size_t strn = bytes.BeginChunk("strn");
    bytes.Bytes(std::span(reinterpret_cast<const uint8_t*>(stream.header.name.c_str()),
                          stream.header.name.size() + 1));
    bytes.EndChunk(strn);
    bytes.EndChunk(strl);
  }
  bytes.EndChunk(hdrl);
  return bytes.Take();
}

bool AviFile::WriteIndex() {
  RiffBytes bytes;
  size_t idx1 = bytes.BeginChunk("idx1");
  for (const IndexEntry& entry : index_) {
    bytes.U32(entry.chunk_id);
    bytes.U32(kAviifKeyFrame);
    bytes.U32(entry.offset);
    bytes.U32(entry.size);
  }
  bytes.EndChunk(idx1);
  if (!WriteAt(end_, bytes.bytes())) return false;
  end_ += bytes.size();
  return true;
}

bool AviFile::WriteHeaders() {
  RiffBytes bytes;
  bytes.FourCC("RIFF");
  bytes.U32(static_cast<uint32_t>(end_ - 8));
  bytes.FourCC("AVI ");
  bytes.Bytes(BuildHeaderList());
  // The JUNK chunk needs its own 8-byte header unless the headers fill the room exactly.
  if (bytes.size() + 8 > kMoviListStart && bytes.size() != kMoviListStart) return false;
  if (bytes.size() < kMoviListStart) {
    bytes.FourCC("JUNK");
    const size_t filler = kMoviListStart - bytes.size() - 4;
    bytes.U32(static_cast<uint32_t>(filler));
    bytes.Bytes(std::vector<uint8_t>(filler));
  }
  bytes.FourCC("LIST");
  bytes.U32(static_cast<uint32_t>(end_ - 16 * index_.size() - 8 - kMoviListStart - 8));
  bytes.FourCC("movi");
  return WriteAt(0, bytes.bytes());
}

bool AviFile::Finish() {
  if (!file_) return false;
  bool complete = true;
  for (const Stream& stream : streams_) complete = complete && !stream.format.empty();
  if (!complete || !WriteIndex() || !WriteHeaders() || std::fflush(file_) != 0) {
    // Frames already written are never thrown away: the part stays, unfinished.
    if (HoldsChunks()) {
      CloseFile();
    } else {
      Discard();
    }
    return false;
  }
  CloseFile();
  return true;
}

void AviFile::Discard() {
  if (!file_) return;
  CloseFile();
  std::remove(path_.c_str());
}

void AviFile::CloseFile() {
  std::fclose(file_);
  file_ = nullptr;
}
