#pragma once
// The playback stream: a cursor over a decoded song that an AudioDevice plays. Its position
// is the clock of everything on screen, so it is read from the program thread between the
// device's callbacks: while playing it moves smoothly with a steady clock from the position
// of the last callback and never goes backwards; paused or stopped it stands still and reads
// back exactly what was set.

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>

#include "system/audio_pcm.h"

class AudioDevice;

class AudioStream {
 public:
  enum class State { Stopped, Playing, Paused };

  // `device` must outlive the stream.
  AudioStream(std::shared_ptr<const AudioPcm> pcm, AudioDevice& device, bool loop);
  AudioStream(const AudioStream&) = delete;
  AudioStream& operator=(const AudioStream&) = delete;
  ~AudioStream();

  const AudioPcm& Pcm() const { return *pcm_; }
  uint64_t GetLength() const { return pcm_->LengthBytes(); }

  // Bytes of 16-bit output from the start of the song.
  uint64_t GetPosition() const;
  // Fails, leaving the position as it was, at or past the end. Rounds down to a whole frame.
  bool SetPosition(uint64_t bytes);

  // Plays from the current position; false when the output cannot play the stream.
  bool Play();
  // Pauses in place; false when the stream is not playing.
  bool Pause();
  State GetState() const;
  // Exactly the playing state; a song that ran to its end (without the loop flag) is stopped.
  bool IsActive() const { return GetState() == State::Playing; }

  void SetVolume(float volume);  // 1 is the song as decoded, 0 silence
  void SetLoop(bool loop);

  // Output callback body, on the audio thread: the next `bytes` of output.
  void Render(uint8_t* out, size_t bytes);

 private:
  using Clock = std::chrono::steady_clock;
  struct Chunk {
    uint64_t start = 0;  // first frame handed to the output
    uint64_t generation = 0;
    float volume = 1.0f;
    bool loop = false;
  };

  uint64_t EstimateFramesLocked() const;
  void AnchorLocked(uint64_t frame, uint64_t limit);
  uint64_t CopyFrames(int16_t* out, uint64_t frames, const Chunk& chunk) const;

  std::shared_ptr<const AudioPcm> pcm_;
  AudioDevice& device_;

  // Everything below is shared with the audio thread and guarded by mutex_, which is held
  // only to read or update these fields, never while copying samples.
  mutable std::mutex mutex_;
  State state_ = State::Stopped;
  uint64_t cursor_ = 0;      // next frame to hand to the output
  uint64_t generation_ = 0;  // bumped by every seek and pause, so a callback in flight
                             // does not overwrite the new position
  float volume_ = 1.0f;
  bool loop_ = false;
  // The heard position while playing: anchor_ frames at anchor_time_, moving at the song's
  // rate, at most up to limit_ (the end of what the output has been given).
  uint64_t anchor_ = 0;
  uint64_t limit_ = 0;
  Clock::time_point anchor_time_{};
  mutable uint64_t last_reported_ = 0;
};
