#pragma once
// The audio output: one SDL output device that plays one AudioStream at a time. Where no
// real device opens (machines without a sound card), SDL's dummy driver takes its place; it
// consumes audio in real time, so stream positions still advance as if the song were heard.

#include <cstdint>
#include <memory>
#include <string>

class AudioStream;

class AudioDevice {
 public:
  // Opens the default output at `rate` Hz, stereo 16-bit. Null with a reason in `error` when
  // not even the dummy driver opens.
  static std::unique_ptr<AudioDevice> Open(uint32_t rate, std::string& error);

  AudioDevice(const AudioDevice&) = delete;
  AudioDevice& operator=(const AudioDevice&) = delete;
  ~AudioDevice();

  std::string DriverName() const;
  uint32_t Rate() const { return rate_; }
  // Frames handed over per output callback: the granularity of the audio clock.
  uint32_t BufferFrames() const { return buffer_frames_; }

  // From now on the output plays `stream` (which must outlive its attachment). The output is
  // reopened at the stream's rate and channel count when they differ from the current ones;
  // false when that fails.
  bool Attach(AudioStream* stream);
  // Silences the output if `stream` is the one playing.
  void Detach(const AudioStream* stream);

  // Output callback body, on the audio thread: fills `bytes` of 16-bit frames.
  void Render(uint8_t* out, int bytes);

 private:
  AudioDevice() = default;
  bool InitDriver(const char* forced_driver);
  void QuitDriver();
  bool OpenOutput(uint32_t rate, uint32_t channels);
  void CloseOutput();

  bool driver_initialised_ = false;
  uint32_t output_ = 0;  // SDL device id, 0 when closed
  uint32_t rate_ = 0;
  uint32_t channels_ = 0;
  uint32_t buffer_frames_ = 0;
  AudioStream* source_ = nullptr;  // changed only with the output locked
};
