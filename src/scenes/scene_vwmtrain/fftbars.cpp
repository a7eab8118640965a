#include "scenes/scene_vwmtrain/fftbars.h"

#include <algorithm>
#include <cmath>

#include <glm/gtc/matrix_transform.hpp>

#include "util/helpers.h"

namespace {

int32_t RoundedCount(float value, int32_t most) {
  const float rounded = std::floor(value + 0.5f);
  if (!(rounded > 0.0f)) return 0;
  return static_cast<int32_t>(std::min(rounded, static_cast<float>(most)));
}

glm::mat4 ScaledAt(float scale, float x, float y, float z) {
  return glm::translate(glm::scale(glm::mat4(1.0f), glm::vec3(scale)), glm::vec3(x, y, z));
}

}  // namespace

FftBarSettings FftBarSettings::FromTracks(const TrackReader& track) {
  FftBarSettings s;
  s.bands = RoundedCount(track("fftrBands"), FftBars::kMaxBands);
  s.rows = RoundedCount(track("fftrRows"), FftBars::kMaxRows);
  s.spacing = track("fftrSpacing");
  s.fall_off = track("fftrFallOff");
  s.scale = track("fftrScale");
  s.multiplier = track("fftrMultiplier");
  s.ceiling = track("fftrCeiling");
  s.sensitivity = track("fftrSensitivity");
  s.voxelize = track("fftrVoxelize") > 0.5f;
  s.box_scale = track("fftrBoxScale");
  s.box_emission = track("fftrBoxEmission");
  s.z_offset = track("fftrZoffset");
  s.moving = track("fftrMoving") > 0.5f;
  s.base_light = track("fftrBaseLight") * 0.01f;
  s.low_hsl = {track("fftrLowHue") / 360.0f, track("fftrLowSat") * 0.01f,
               track("fftrLowLight") * 0.01f};
  s.high_hsl = {track("fftrHighHue") / 360.0f, track("fftrHighSat") * 0.01f,
                track("fftrHighLight") * 0.01f};
  s.color_range = track("fftrColorRange");
  return s;
}

std::vector<std::pair<int32_t, int32_t>> FftBars::BandEdges(int32_t bands) {
  constexpr int32_t kBins = static_cast<int32_t>(FftSnapshots::kBins);
  std::vector<std::pair<int32_t, int32_t>> edges;
  bands = std::min(bands, kMaxBands);
  if (bands <= 0) return edges;
  int32_t lo = 0;
  for (int32_t j = 0; j < bands; ++j) {
    // With one band the exponent would be 0/0: that band ends after bin 0.
    const double exponent = bands == 1 ? 0.0 : static_cast<double>(j) / (bands - 1) * 10.0;
    const int32_t log_edge = static_cast<int32_t>(std::pow(2.0, exponent));
    const int32_t hi = std::min(std::max(log_edge, lo + 1), kBins);
    edges.emplace_back(lo, hi);
    lo = hi;
  }
  return edges;
}

float FftBars::BandValue(std::span<const float> spectrum, std::pair<int32_t, int32_t> edge,
                         float scale, float multiplier, float row_factor, float ceiling) {
  const auto [lo, hi] = edge;
  float sum = 0.0f;
  for (int32_t bin = lo; bin < hi && bin < static_cast<int32_t>(spectrum.size()); ++bin)
    sum += spectrum[bin];
  // A scale that cancels the +1 would divide by zero: such a band shows nothing.
  const float divisor = static_cast<float>(hi - lo) * scale + 1.0f;
  if (divisor == 0.0f || !std::isfinite(divisor)) return 0.0f;
  return std::min(sum / divisor * multiplier * row_factor, ceiling);
}

void FftBars::AddBar(InstanceSet& out, const FftBarSettings& s, float x, float value, float z) {
  if (out.size() >= kMaxInstances) return;
  if (!s.voxelize) {
    out.Add(ScaledAt(s.box_scale, x, value, z), {0.0f, 1.0f, 1.0f, 1.0f}, {0.0f, 1.0f, 1.0f});
    return;
  }
  float budget = std::max(value + s.sensitivity * s.spacing * 0.01f, s.spacing * 0.5f);
  // A spacing of 0 or below never uses the budget up: the bar is then a single cube.
  const int32_t most = s.spacing > 0.0f ? kMaxCubesPerBar : 1;
  for (int32_t n = 0; n < most && budget > 0.0f && out.size() < kMaxInstances;
       ++n, budget -= s.spacing) {
    glm::vec3 rgb;
    if (n == 0) {
      rgb = HSLToRGB({s.low_hsl.x, s.low_hsl.y, s.base_light});
    } else {
      // A colour range of 0 or below reaches the high colour at once.
      const float t =
          s.color_range > 0.0f ? std::clamp((n - 1) / s.color_range, 0.0f, 1.0f) : 1.0f;
      rgb = HSLToRGB(glm::mix(s.low_hsl, s.high_hsl, t));
    }
    out.Add(ScaledAt(s.box_scale, x, n * s.spacing, z), glm::vec4(rgb, 1.0f),
            rgb * s.box_emission);
  }
}

InstanceSet FftBars::Build(const FftBarSettings& s, double beat, const FftSnapshots& snapshots,
                           std::span<const float> live) {
  InstanceSet out;
  const int64_t cur = FftSnapshots::IndexOf(beat);
  if (cur < 0) return out;
  const int64_t first = std::max<int64_t>(cur - s.rows, 0);
  const auto edges = BandEdges(s.bands);
  const float keep = 1.0f - s.fall_off * 0.01f;
  for (int64_t k = 0; cur - k > first && out.size() < kMaxInstances; ++k) {
    const std::span<const float> spectrum = k == 0 ? live : snapshots.At(cur - k);
    const float row_factor = std::pow(keep, static_cast<float>(k)) * 10.0f;
    const float z = static_cast<float>((s.moving ? cur : 0) - k) * s.spacing - s.z_offset;
    for (size_t j = 0; j < edges.size(); ++j) {
      const float x = (static_cast<float>(j) - s.bands * 0.5f + 0.5f) * s.spacing;
      const float value =
          BandValue(spectrum, edges[j], s.scale, s.multiplier, row_factor, s.ceiling);
      AddBar(out, s, x, value, z);
    }
  }
  return out;
}
