#include "system/aviwriter.h"

#include <cmath>
#include <cstring>
#include <mutex>
#include <vector>

#include <fmt/format.h>

#include "system/avifile.h"
#include "system/log.h"
#include "system/riffbytes.h"

namespace {

CompressionOptionsHandler compression_options_handler;

CompressionChoice AskCompressionOptions() {
  return compression_options_handler ? compression_options_handler() : CompressionChoice::Uncompressed;
}

}  // namespace

void SetCompressionOptionsHandler(CompressionOptionsHandler handler) {
  compression_options_handler = std::move(handler);
}

struct AVIWriterPrivate {
  mutable std::mutex lock;
  std::unique_ptr<AviFile> file;
  int video_stream = -1;
  int audio_stream = -1;
  WaveFormat audio_format;
  std::string base_name;
  int32_t part_number = 1;
  uint32_t compressor = AVIWriter::kAskForCompressor;
  int32_t quality = 100;
  uint32_t bytes_written = 0;
  uint32_t part_byte_limit = AVIWriter::kPartByteLimit;
  std::vector<uint8_t> buffer;  // a frame with its rows padded
  bool open = false;
  bool format_set = false;
};

AVIWriter::AVIWriter() : private_(std::make_unique<AVIWriterPrivate>()) {}

AVIWriter::~AVIWriter() { Close(); }

uint32_t AVIWriter::RowBytes(int32_t width) { return (static_cast<uint32_t>(width) * 3 + 3) & ~3u; }

void AVIWriter::Prepare(const std::string& file_name) {
  std::scoped_lock lock(private_->lock);
  CloseLocked();
  width = height = frame_index = audio_position = audio_block_size = 0;
  frames_per_second = 30.0f;
  const size_t dot = file_name.find_last_of('.');
  const size_t slash = file_name.find_last_of('/');
  const bool has_extension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  private_->base_name = has_extension ? file_name.substr(0, dot) : file_name;
  private_->part_number = 1;
  private_->compressor = kAskForCompressor;
  private_->quality = 100;
}

std::string AVIWriter::PartFileName() const {
  std::scoped_lock lock(private_->lock);
  return fmt::format("{}.{:02}.avi", private_->base_name, private_->part_number);
}

bool AVIWriter::Open() {
  std::scoped_lock lock(private_->lock);
  return OpenLocked();
}

bool AVIWriter::OpenLocked() {
  AVIWriterPrivate& p = *private_;
  p.bytes_written = 0;
  p.file = AviFile::Create(fmt::format("{}.{:02}.avi", p.base_name, p.part_number));
  if (!p.file) {
    CloseLocked();
    return false;
  }
  p.video_stream = p.file->AddStream(VideoStreamHeader());
  if (p.video_stream < 0 || !ChooseCompressorLocked()) {
    CloseLocked();
    return false;
  }
  p.open = true;
  return true;
}

AviStreamHeader AVIWriter::VideoStreamHeader() const {
  AviStreamHeader video;
  video.type = "vids";
  video.handler = "DIB ";
  video.scale = 10000;
  video.rate = static_cast<uint32_t>(std::lround(frames_per_second * 10000.0));
  video.suggested_buffer_size = RowBytes(width) * static_cast<uint32_t>(height);
  video.frame_right = static_cast<int16_t>(width);
  video.frame_bottom = static_cast<int16_t>(height);
  video.name = "Video";
  return video;
}

// Asks once per capture; later parts reuse the answer.
bool AVIWriter::ChooseCompressorLocked() {
  if (private_->compressor != kAskForCompressor) return true;
  if (AskCompressionOptions() != CompressionChoice::Uncompressed) return false;
  private_->compressor = 0;
  return true;
}

bool AVIWriter::SetVideoFormat() {
  std::scoped_lock lock(private_->lock);
  return SetVideoFormatLocked();
}

bool AVIWriter::SetVideoFormatLocked() {
  AVIWriterPrivate& p = *private_;
  if (!p.file) return false;
  RiffBytes header;  // the 40-byte bitmap header of an uncompressed bottom-up BGR frame
  header.U32(40);
  header.I32(width);
  header.I32(height);
  header.U16(1);   // planes
  header.U16(24);  // bits per pixel
  header.U32(0);   // no compression
  header.U32(RowBytes(width) * static_cast<uint32_t>(height));
  header.U32(0);
  header.U32(0);
  header.U32(0);
  header.U32(0);
  // The frame rectangle of the stream header holds 16-bit coordinates.
  const bool size_fits = width > 0 && height > 0 && width <= 32767 && height <= 32767;
  if (!size_fits || !p.file->SetStreamHeader(p.video_stream, VideoStreamHeader()) ||
      !p.file->SetStreamFormat(p.video_stream, header.bytes())) {
    CloseLocked();
    return false;
  }
  frame_index = 0;
  p.format_set = true;
  return true;
}

bool AVIWriter::AddAudioStream(const WaveFormat& format) {
  std::scoped_lock lock(private_->lock);
  return AddAudioStreamLocked(format);
}

bool AVIWriter::AddAudioStreamLocked(const WaveFormat& format) {
  AVIWriterPrivate& p = *private_;
  if (!p.file) return false;
  AviStreamHeader audio;
  audio.type = "auds";
  audio.scale = 1;
  audio.rate = format.samples_per_second;
  audio.suggested_buffer_size = format.average_bytes_per_second;
  audio.sample_size = format.block_align;
  audio.name = "Audio";
  p.audio_stream = p.file->AddStream(audio);
  if (format.block_align == 0 || p.audio_stream < 0 ||
      !p.file->SetStreamFormat(p.audio_stream, SerializeWaveFormat(format))) {
    CloseLocked();
    return false;
  }
  audio_position = 0;
  audio_block_size = format.block_align;
  return true;
}

void AVIWriter::SetAudioFormat(const WaveFormat& format) {
  std::scoped_lock lock(private_->lock);
  private_->audio_format = format;
}

bool AVIWriter::IsFrameSize(size_t size) const {
  const size_t rows = static_cast<size_t>(height);
  return size == static_cast<size_t>(width) * 3 * rows || size == RowBytes(width) * rows;
}

std::span<const uint8_t> AVIWriter::StoredRows(std::span<const uint8_t> frame) {
  const size_t packed_row = static_cast<size_t>(width) * 3;
  const size_t stored_row = RowBytes(width);
  const size_t rows = static_cast<size_t>(height);
  if (frame.size() == stored_row * rows) return frame;
  std::vector<uint8_t>& buffer = private_->buffer;
  buffer.resize(stored_row * rows);
  for (size_t row = 0; row < rows; ++row) {
    uint8_t* stored = buffer.data() + row * stored_row;
    std::memcpy(stored, frame.data() + row * packed_row, packed_row);
    std::memset(stored + packed_row, 0, stored_row - packed_row);
  }
  return buffer;
}

bool AVIWriter::StartNextPartLocked() {
  AVIWriterPrivate& p = *private_;
  const bool had_audio = p.audio_stream >= 0;
  CloseLocked();
  ++p.part_number;
  if (!OpenLocked() || !SetVideoFormatLocked()) return false;
  return !had_audio || AddAudioStreamLocked(p.audio_format);
}

bool AVIWriter::WriteFrame(std::span<const uint8_t> frame) {
  std::scoped_lock lock(private_->lock);
  AVIWriterPrivate& p = *private_;
  if (frame_index == 0 && !p.format_set) {
    if (width <= 0 || height <= 0 || !SetVideoFormatLocked()) return false;
  }
  if (!p.format_set || !p.file || !IsFrameSize(frame.size())) return false;
  if (p.bytes_written >= p.part_byte_limit && !StartNextPartLocked()) return false;
  // Padded after the roll-over: closing a part frees the padding buffer.
  const std::span<const uint8_t> rows = StoredRows(frame);
  const uint32_t written = p.file->WriteChunk(p.video_stream, rows, 1);
  ++frame_index;
  p.bytes_written += written;
  return written > 0;
}

bool AVIWriter::WriteAudio(std::span<const uint8_t> samples) {
  std::scoped_lock lock(private_->lock);
  AVIWriterPrivate& p = *private_;
  if (!p.file) return false;
  if (p.audio_stream < 0 && !AddAudioStreamLocked(p.audio_format)) return false;
  const size_t blocks = samples.size() / static_cast<size_t>(audio_block_size);
  if (blocks == 0) return false;
  const uint32_t written = p.file->WriteChunk(
      p.audio_stream, samples.first(blocks * audio_block_size), static_cast<uint32_t>(blocks));
  if (written == 0) return false;
  audio_position += static_cast<int32_t>(blocks);
  p.bytes_written += written;
  return true;
}

void AVIWriter::Close() {
  std::scoped_lock lock(private_->lock);
  CloseLocked();
}

// Releases whatever exists, whatever state an earlier failure left. A part is kept only when
// it was opened completely and its video format is known; anything less is removed.
void AVIWriter::CloseLocked() {
  AVIWriterPrivate& p = *private_;
  try {
    if (p.file) {
      const bool complete = p.open && p.format_set;
      const std::string path = p.file->path();
      if (complete && !p.file->Finish()) LogLine("AVIWriter: Failed to finish {}", path);
      p.file.reset();
    }
  } catch (const std::exception&) {
    Log("AVIWriter: Exception in cleanup\n");
  }
  p.file.reset();
  p.video_stream = -1;
  p.audio_stream = -1;
  p.buffer.clear();
  p.buffer.shrink_to_fit();
  p.open = false;
  p.format_set = false;
}

bool AVIWriter::IsOpen() const {
  std::scoped_lock lock(private_->lock);
  return private_->open;
}

bool AVIWriter::HasVideoFormat() const {
  std::scoped_lock lock(private_->lock);
  return private_->format_set;
}

bool AVIWriter::HasAudioStream() const {
  std::scoped_lock lock(private_->lock);
  return private_->audio_stream >= 0;
}

int32_t AVIWriter::PartNumber() const {
  std::scoped_lock lock(private_->lock);
  return private_->part_number;
}

void AVIWriter::SetPartByteLimit(uint32_t limit) {
  std::scoped_lock lock(private_->lock);
  private_->part_byte_limit = limit;
}
