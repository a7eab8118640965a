#include "scenes/scene_vwmtrain/firefield.h"

#include <algorithm>
#include <cmath>

#include <glm/gtc/matrix_transform.hpp>

namespace {

struct GradientKey {
  float position;
  FireColor value;
};

// Hottest first.
constexpr std::array<GradientKey, 4> kFireKeys = {{
    {1.0f, {{1, 1, 1, 1}, {1, 1, 1}}},
    {0.4f, {{1, 1, 0, 1}, {0.7f, 0.7f, 0}}},
    {0.05f, {{1, 0, 0, 1}, {0.3f, 0, 0}}},
    {0.0f, {{0, 0, 0, 1}, {0, 0, 0}}},
}};

FireColor Blend(const FireColor& a, const FireColor& b, float u) {
  return {glm::mix(a.color, b.color, u), glm::mix(a.emission, b.emission, u)};
}

}  // namespace

FireFieldSettings FireFieldSettings::FromTracks(const TrackReader& track) {
  FireFieldSettings s;
  s.scale = track("fireScale");
  s.position = {track("fireX"), track("fireY"), track("fireZ")};
  s.spacing = track("fireSpacing");
  s.spread = track("fireSpread");
  s.spread_x_mul = track("fireSpreadXMul");
  s.lean = track("fireLean");
  return s;
}

FireColor FireField::Gradient(float t) {
  t = std::clamp(t, 0.0f, 1.0f);
  // The blend is tried before the last key is taken as it is, so heats between the two
  // coolest keys fade from red to black instead of dropping to black.
  for (size_t k = 0; k < kFireKeys.size(); ++k) {
    if (kFireKeys[k].position == t) return kFireKeys[k].value;
    if (k > 0 && kFireKeys[k].position < t) {
      const float u = (t - kFireKeys[k].position) /
                      (kFireKeys[k - 1].position - kFireKeys[k].position);
      return Blend(kFireKeys[k].value, kFireKeys[k - 1].value, u);
    }
  }
  return kFireKeys.back().value;
}

InstanceSet FireField::Build(const FireFieldSettings& s,
                             std::span<const uint8_t, kColumns * kRows> cell_heat) {
  InstanceSet out;
  const float f = s.scale * 0.01f;
  // The placement is given in world units and divided by the scale: a zero scale has no place.
  if (f == 0.0f || !std::isfinite(f)) return out;
  const glm::mat4 base = glm::scale(glm::mat4(1.0f), glm::vec3(f));
  const glm::vec3 origin = s.position / f;
  const float x_spread = s.spread_x_mul * s.spread * 0.01f;
  for (int q = 0; q < kColumns; ++q) {
    for (int r = 0; r < kRows - 1; ++r) {
      const uint8_t heat = cell_heat[r * kColumns + q];
      if (heat == 0) continue;
      const float t = heat / 255.0f;
      const float w = std::pow(1.0f - t, 4.0f);
      const float u = static_cast<float>(kRows - 1 - r);
      const float a = w * s.spread * u;
      const glm::vec3 at{(a * x_spread + s.spacing) * static_cast<float>(q - 40) + origin.x,
                         u * s.spacing + origin.y + a - 1.0f, w * s.lean * u + origin.z};
      const FireColor c = Gradient(t);
      out.Add(glm::translate(base, at), c.color, c.emission);
    }
  }
  return out;
}
