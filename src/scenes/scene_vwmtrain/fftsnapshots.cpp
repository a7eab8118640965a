#include "scenes/scene_vwmtrain/fftsnapshots.h"

#include <algorithm>
#include <cmath>

namespace {

const FftSnapshots::Spectrum kSilence{};

}  // namespace

int64_t FftSnapshots::CountFor(double length_in_beats) {
  const double count = std::floor(length_in_beats * kPerBeat + 1.0);
  if (!(count >= 1.0)) return 1;
  return static_cast<int64_t>(std::min(count, static_cast<double>(kMaxCount)));
}

int64_t FftSnapshots::IndexOf(double beat) {
  const double index = std::floor(beat * kPerBeat);
  if (!(index >= 0.0)) return -1;
  return static_cast<int64_t>(std::min(index, 2147483647.0));
}

void FftSnapshots::Build(int64_t count, const SpectrumSource& source) {
  snapshots_.assign(static_cast<size_t>(std::clamp<int64_t>(count, 0, kMaxCount)), Spectrum{});
  for (size_t i = 0; i < snapshots_.size(); ++i) {
    // The beat is worked out in single precision, as the rows are sampled.
    source(snapshots_[i].data(), static_cast<float>(i) * 0.0625f);
  }
}

std::span<const float> FftSnapshots::At(int64_t index) const {
  if (index < 0 || index >= static_cast<int64_t>(snapshots_.size())) return kSilence;
  return snapshots_[static_cast<size_t>(index)];
}
