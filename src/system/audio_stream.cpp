#include "system/audio_stream.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "system/audio_device.h"

AudioStream::AudioStream(std::shared_ptr<const AudioPcm> pcm, AudioDevice& device, bool loop)
    : pcm_(std::move(pcm)), device_(device), loop_(loop) {}

AudioStream::~AudioStream() { device_.Detach(this); }

uint64_t AudioStream::EstimateFramesLocked() const {
  if (state_ != State::Playing) return cursor_;
  const double elapsed = std::chrono::duration<double>(Clock::now() - anchor_time_).count();
  const uint64_t moved = static_cast<uint64_t>(std::max(0.0, elapsed) * pcm_->rate);
  uint64_t frames = std::min(anchor_ + moved, limit_);
  frames = std::max(frames, last_reported_);
  last_reported_ = frames;
  const uint64_t length = pcm_->FrameCount();
  if (loop_ && length > 0) return frames % length;
  return std::min(frames, length);
}

void AudioStream::AnchorLocked(uint64_t frame, uint64_t limit) {
  anchor_ = frame;
  limit_ = limit;
  anchor_time_ = Clock::now();
}

uint64_t AudioStream::GetPosition() const {
  std::lock_guard lock(mutex_);
  return EstimateFramesLocked() * pcm_->BlockAlign();
}

bool AudioStream::SetPosition(uint64_t bytes) {
  if (bytes >= GetLength()) return false;
  const uint64_t frame = bytes / pcm_->BlockAlign();
  std::lock_guard lock(mutex_);
  cursor_ = frame;
  ++generation_;
  AnchorLocked(frame, frame + device_.BufferFrames());
  last_reported_ = frame;
  return true;
}

bool AudioStream::Play() {
  if (!device_.Attach(this)) return false;
  std::lock_guard lock(mutex_);
  if (state_ == State::Playing) return true;
  state_ = State::Playing;
  ++generation_;
  AnchorLocked(cursor_, cursor_ + device_.BufferFrames());
  last_reported_ = cursor_;
  return true;
}

bool AudioStream::Pause() {
  std::lock_guard lock(mutex_);
  if (state_ != State::Playing) return false;
  // Resume from what was heard, not from the end of what the output was given.
  cursor_ = EstimateFramesLocked();
  ++generation_;
  state_ = State::Paused;
  return true;
}

AudioStream::State AudioStream::GetState() const {
  std::lock_guard lock(mutex_);
  return state_;
}

void AudioStream::SetVolume(float volume) {
  std::lock_guard lock(mutex_);
  volume_ = std::isfinite(volume) ? std::max(volume, 0.0f) : 1.0f;
}

void AudioStream::SetLoop(bool loop) {
  std::lock_guard lock(mutex_);
  loop_ = loop;
}

// Copies frames from chunk.start on (wrapping when looping, silence past the end) and returns
// the frame after the last one copied.
uint64_t AudioStream::CopyFrames(int16_t* out, uint64_t frames, const Chunk& chunk) const {
  const uint32_t channels = pcm_->channels;
  const uint64_t length = pcm_->FrameCount();
  uint64_t frame = chunk.start;
  for (uint64_t done = 0; done < frames;) {
    if (frame >= length && chunk.loop) frame = 0;
    const uint64_t run = frame < length ? std::min(frames - done, length - frame) : 0;
    const int16_t* source = pcm_->samples.data() + frame * channels;
    int16_t* target = out + done * channels;
    if (run == 0) {
      std::memset(target, 0, (frames - done) * channels * sizeof(int16_t));
      break;
    }
    if (chunk.volume == 1.0f) {
      std::memcpy(target, source, run * channels * sizeof(int16_t));
    } else {
      for (uint64_t i = 0; i < run * channels; ++i) {
        const float scaled = static_cast<float>(source[i]) * chunk.volume;
        target[i] = static_cast<int16_t>(std::clamp(scaled, -32768.0f, 32767.0f));
      }
    }
    frame += run;
    done += run;
  }
  return frame;
}

void AudioStream::Render(uint8_t* out, size_t bytes) {
  const uint64_t frames = bytes / pcm_->BlockAlign();
  const uint64_t length = pcm_->FrameCount();
  Chunk chunk;
  bool playing = false;
  {
    std::lock_guard lock(mutex_);
    if (state_ == State::Playing && cursor_ >= length && !loop_) {
      // Everything was handed over in the previous callback and has now been played.
      state_ = State::Stopped;
      cursor_ = length;
    }
    playing = state_ == State::Playing;
    if (playing) chunk = {cursor_, generation_, volume_, loop_};
  }
  if (!playing) {
    std::memset(out, 0, bytes);
    return;
  }
  const uint64_t next = CopyFrames(reinterpret_cast<int16_t*>(out), frames, chunk);
  std::memset(out + frames * pcm_->BlockAlign(), 0, bytes - frames * pcm_->BlockAlign());
  std::lock_guard lock(mutex_);
  if (generation_ != chunk.generation || state_ != State::Playing) return;
  cursor_ = next;
  // last_reported_ stays: a callback that comes late (or the first one after Play) may put the
  // heard position behind what was already reported, and the clock must not go back. Only a
  // loop back to the start (the one way a chunk starts before the previous one) resets it.
  if (chunk.start < anchor_) last_reported_ = chunk.start;
  AnchorLocked(chunk.start, chunk.start + frames);
}
