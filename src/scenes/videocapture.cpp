#include "scenes/videocapture.h"

#include <GL/glew.h>

#include "scenes/framemath.h"
#include "system/aviwriter.h"

VideoCapture::VideoCapture(const std::string& file_name, uint32_t width, uint32_t height,
                           const WaveFormat& format, std::span<const int16_t> samples)
    : writer_(std::make_unique<AVIWriter>()),
      width_(width),
      height_(height),
      channels_(format.channels),
      values_per_frame_(
          AudioValuesPerFrame(format.channels, format.samples_per_second, kFramesPerSecond)),
      samples_(samples) {
  writer_->Prepare(file_name);
  if (!writer_->Open()) ExitMsgFmt(__FILE__, __LINE__, "Failed to open video file {}", file_name);
  if (!writer_->HasVideoFormat()) {
    writer_->width = static_cast<int32_t>(width_);
    writer_->height = static_cast<int32_t>(height_);
    // Rows are read back packed (pack alignment 1), so the buffer holds exactly the picture.
    frame_buffer_.assign(static_cast<size_t>(width_) * height_ * 3, 0);
    writer_->SetAudioFormat(format);
  }
  exit_hook_ = AddPreExitHook([this] { writer_->Close(); });
  LogLine("Dumping to video file {}", file_name);
}

VideoCapture::~VideoCapture() {
  RemovePreExitHook(exit_hook_);
  frame_buffer_.clear();
  writer_->Close();
  LogLine("Finished AVI writing");
}

void VideoCapture::CaptureFrame(uint32_t framebuffer, uint32_t frame) {
  GLint previous_alignment = 4;
  glGetIntegerv(GL_PACK_ALIGNMENT, &previous_alignment);
  // The buffer holds packed rows; the default alignment of 4 would pad rows whose width x 3
  // is not a multiple of 4 and write past its end.
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
  glReadPixels(0, 0, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_), GL_BGR,
               GL_UNSIGNED_BYTE, frame_buffer_.data());
  glPixelStorei(GL_PACK_ALIGNMENT, previous_alignment);
  if (!writer_->WriteFrame(frame_buffer_)) ExitMsg(__FILE__, __LINE__, "Failed to write avi frame");
  WriteFrameAudio(frame);
}

void VideoCapture::WriteFrameAudio(uint32_t frame) {
  const AudioChunk chunk = AudioChunkOfFrame(frame, values_per_frame_, samples_.size());
  const uint32_t blocks = channels_ == 0 ? 0 : chunk.count / channels_;
  // Past the end of the song there is nothing to write for this frame.
  if (samples_.empty() || blocks == 0) {
    LogLine("Dumped frame {}, no audio", frame);
    return;
  }
  const auto values = samples_.subspan(chunk.first, blocks * channels_);
  const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(values.data()),
                                       values.size_bytes());
  if (!writer_->WriteAudio(bytes)) ExitMsg(__FILE__, __LINE__, "Failed to write avi audio frame");
  uint32_t sum = 0;
  for (size_t i = 0; i < blocks && i < values.size(); ++i) {
    sum = (sum + static_cast<uint16_t>(values[i])) % 65536;
  }
  LogLine("Dumped frame {} and wrote {} samples of audio (audio sum: {})", frame, chunk.count,
          sum);
}
