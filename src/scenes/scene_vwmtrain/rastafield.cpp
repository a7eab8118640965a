#include "scenes/scene_vwmtrain/rastafield.h"

#include <algorithm>
#include <cmath>

#include <glm/gtc/matrix_transform.hpp>

namespace {

constexpr double kSeed = 8361.234;

// The remainder of value / range; a range of 0 leaves no room to move: 0.
double Wrap(double value, double range) { return range == 0.0 ? 0.0 : std::fmod(value, range); }

}  // namespace

RastafieldSettings RastafieldSettings::FromTracks(const TrackReader& track) {
  RastafieldSettings s;
  const float stars = std::floor(track("rastaNumStars"));
  s.stars = stars > 0.0f ? static_cast<int32_t>(std::min(stars, float{Rastafield::kMaxStars})) : 0;
  s.position = {track("rastaX"), track("rastaY"), track("rastaZ")};
  s.y_range = track("rastaYRange");
  s.rot_speed = track("rastaRotSpeed");
  return s;
}

std::array<std::vector<glm::mat4>, Rastafield::kKinds> Rastafield::Build(
    const RastafieldSettings& s, double beat) {
  std::array<std::vector<glm::mat4>, kKinds> kinds;
  double g = kSeed;
  for (int32_t i = 0; i < s.stars; ++i) {
    const glm::vec3 at{s.position.x, static_cast<float>(Wrap(g, s.y_range)) + s.position.y,
                       s.position.z};
    const float angle = static_cast<float>(Wrap(g * -0.00005, s.rot_speed) * beat);
    kinds[i % kKinds].push_back(
        glm::rotate(glm::translate(glm::mat4(1.0f), at), angle, glm::vec3(1.0f, 0.0f, 0.0f)));
    g = std::fmod(g * 1.73, 1000000.0);
  }
  return kinds;
}
