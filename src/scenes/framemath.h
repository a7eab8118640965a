#pragma once
// The arithmetic of a frame, kept apart from GL so it can be checked on its own: the letterbox
// rectangle, which scene a slot track selects, which effects run in which order, the buffers
// the effect chain ping-pongs between, the audio share of a captured frame, the loading hold's
// progress and the frame-time ring.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "util/letterbox.h"

// The scene a slot track selects: the value truncated toward zero, plus the offset. A value
// below zero after truncation, at or past the scene count, NaN or beyond the integer range
// selects nothing.
std::optional<size_t> SceneSlotIndex(float track_value, int32_t offset, size_t scene_count);

struct ActiveEffect {
  size_t index = 0;  // position in the effect list
  float value = 0.0f;
};

// The effects whose track value is 0 or more (NaN is not), in ascending order of the value;
// equal values keep list order.
std::vector<ActiveEffect> SelectActiveEffects(const std::vector<float>& track_values);

// The composition buffer an effect draws into after reading from `current`: buffers 1 .. n-1
// take turns, buffer 0 being the multisampled scene target.
uint32_t NextCompositionBuffer(uint32_t current, uint32_t buffer_count);

// For a chain of `effect_count` effects starting from buffer 1: the buffer each effect reads
// from, in order. The last one draws to the screen.
std::vector<uint32_t> EffectSourceBuffers(size_t effect_count, uint32_t buffer_count);

// Interleaved values of audio in one captured frame: channels x rate / frames per second.
uint32_t AudioValuesPerFrame(uint32_t channels, uint32_t samples_per_second,
                             uint32_t frames_per_second);

struct AudioChunk {
  uint64_t first = 0;  // index of the first interleaved value
  uint32_t count = 0;  // values to write, 0 when the song has none left for this frame
};

// The share of the song's `sample_count` interleaved values that belongs to frame `frame`:
// a whole frame's worth, less at the end of the song, never past it.
AudioChunk AudioChunkOfFrame(uint32_t frame, uint32_t values_per_frame, uint64_t sample_count);

// Loading-screen progress while held: the share of the hold still to go, 1 at the start and
// falling to 0 at the end; 0 for a hold of 0. Tick counts wrap at 32 bits, so the remaining
// time is taken as a signed difference.
float LoadingHoldProgress(uint32_t end_tick, uint32_t now_tick, uint32_t hold_ms);

// True once the 32-bit tick count has reached `end_tick` (wrap-safe).
bool TickReached(uint32_t end_tick, uint32_t now_tick);

// The last five frame times. Each delta is capped so a stall does not make animation jump;
// the mean smooths the rest. Every slot starts at 0.0001 s.
class FrameTimeRing {
 public:
  static constexpr size_t kSize = 5;
  static constexpr double kMaxDelta = 0.25;
  static constexpr double kInitialDelta = 0.0001;

  // Records the frame at `time` seconds and returns the smoothed delta.
  double Advance(double time);
  double last_time() const { return last_time_; }

 private:
  std::array<double, kSize> deltas_ = {kInitialDelta, kInitialDelta, kInitialDelta,
                                       kInitialDelta, kInitialDelta};
  uint8_t index_ = 0;
  double last_time_ = 0.0;
};
