#include "scenes/framemath.h"

#include <algorithm>
#include <cmath>
#include <limits>

std::optional<size_t> SceneSlotIndex(float track_value, int32_t offset, size_t scene_count) {
  const double truncated = std::trunc(static_cast<double>(track_value));
  // Checked before converting: a NaN or out-of-range float has no integer value.
  if (!(truncated >= std::numeric_limits<int32_t>::min() &&
        truncated <= std::numeric_limits<int32_t>::max())) {
    return std::nullopt;
  }
  const int64_t index = static_cast<int64_t>(truncated) + offset;
  if (index < 0 || static_cast<uint64_t>(index) >= scene_count) return std::nullopt;
  return static_cast<size_t>(index);
}

std::vector<ActiveEffect> SelectActiveEffects(const std::vector<float>& track_values) {
  std::vector<ActiveEffect> active;
  for (size_t i = 0; i < track_values.size(); ++i) {
    if (track_values[i] >= 0.0f) active.push_back({i, track_values[i]});
  }
  std::stable_sort(active.begin(), active.end(),
                   [](const ActiveEffect& a, const ActiveEffect& b) { return a.value < b.value; });
  return active;
}

uint32_t NextCompositionBuffer(uint32_t current, uint32_t buffer_count) {
  return current % (buffer_count - 1) + 1;
}

std::vector<uint32_t> EffectSourceBuffers(size_t effect_count, uint32_t buffer_count) {
  std::vector<uint32_t> sources;
  uint32_t current = 1;
  for (size_t k = 0; k < effect_count; ++k) {
    sources.push_back(current);
    current = NextCompositionBuffer(current, buffer_count);
  }
  return sources;
}

uint32_t AudioValuesPerFrame(uint32_t channels, uint32_t samples_per_second,
                             uint32_t frames_per_second) {
  if (frames_per_second == 0) return 0;
  return static_cast<uint32_t>(static_cast<uint64_t>(channels) * samples_per_second /
                               frames_per_second);
}

AudioChunk AudioChunkOfFrame(uint32_t frame, uint32_t values_per_frame, uint64_t sample_count) {
  const uint64_t first = static_cast<uint64_t>(frame) * values_per_frame;
  if (first >= sample_count) return {first, 0};
  const uint64_t left = sample_count - first;
  return {first, static_cast<uint32_t>(std::min<uint64_t>(left, values_per_frame))};
}

float LoadingHoldProgress(uint32_t end_tick, uint32_t now_tick, uint32_t hold_ms) {
  if (hold_ms == 0) return 0.0f;
  const int64_t remaining = static_cast<int32_t>(end_tick - now_tick);
  const double progress = static_cast<double>(remaining) / static_cast<double>(hold_ms);
  return static_cast<float>(std::clamp(progress, 0.0, 1.0));
}

bool TickReached(uint32_t end_tick, uint32_t now_tick) {
  return static_cast<int32_t>(now_tick - end_tick) >= 0;
}

double FrameTimeRing::Advance(double time) {
  index_ = static_cast<uint8_t>((index_ + 1) % kSize);
  deltas_[index_] = std::min(time - last_time_, kMaxDelta);
  last_time_ = time;
  double sum = 0.0;
  for (double delta : deltas_) sum += delta;
  return sum * static_cast<double>(0.2f);
}
