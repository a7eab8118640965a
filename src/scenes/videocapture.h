#pragma once
// Video capture of the finished frames: each frame is read back from the screen, written to
// the AVI parts with the slice of the song's audio that belongs to it. While the capture is
// open, a fatal exit finishes the current part first (through a pre-exit hook), so a run that
// dies mid-capture leaves playable files.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "system/log.h"
#include "system/waveformat.h"

class AVIWriter;

class VideoCapture {
 public:
  static constexpr uint32_t kFramesPerSecond = 30;

  // Opens the parts of `file_name` for frames of width x height with audio in `format` taken
  // from `samples` (interleaved 16-bit values, kept by the caller for the capture's life; empty
  // for none). Failure to open is fatal.
  VideoCapture(const std::string& file_name, uint32_t width, uint32_t height,
               const WaveFormat& format, std::span<const int16_t> samples);
  // Finishes the current part.
  ~VideoCapture();
  VideoCapture(const VideoCapture&) = delete;
  VideoCapture& operator=(const VideoCapture&) = delete;

  // Writes frame number `frame` from the bottom-left of `framebuffer`, and its audio.
  void CaptureFrame(uint32_t framebuffer, uint32_t frame);

  AVIWriter& writer() { return *writer_; }

 private:
  void WriteFrameAudio(uint32_t frame);

  std::unique_ptr<AVIWriter> writer_;
  uint32_t width_;
  uint32_t height_;
  uint32_t channels_;
  uint32_t values_per_frame_;
  std::span<const int16_t> samples_;
  std::vector<uint8_t> frame_buffer_;
  PreExitHookId exit_hook_ = 0;
};
