#include "scenes/scene_vwmtrain/stageplacement.h"

#include <algorithm>
#include <cmath>

#include <glm/gtc/matrix_transform.hpp>

namespace {

constexpr float kDegrees = 0.017453292f;
constexpr float kPi = 3.14159265f;

}  // namespace

ClownSettings ClownSettings::FromTracks(const TrackReader& track) {
  ClownSettings s;
  s.scale = track("clownScale") * 0.1f;
  s.step = track("clownStep");
  s.count_x = StagePlacement::HeldCount(track("clownNumX"), StagePlacement::kMaxClownsPerSide);
  s.count_z = StagePlacement::HeldCount(track("clownNumZ"), StagePlacement::kMaxClownsPerSide);
  s.turn = track("clownRotate") * kDegrees;
  s.position = {track("clownX"), track("clownY"), track("clownZ")};
  return s;
}

CrtSettings CrtSettings::FromTracks(const TrackReader& track) {
  CrtSettings s;
  s.scale = track("crtmScale") * 0.01f;
  s.hop_progress = track("crtmSinProg");
  s.hop_height = track("crtmSinHeight");
  s.position = {track("crtmX"), track("crtmY"), track("crtmZ")};
  s.rotation = {track("crtmRotate"), track("crtmRotateY"), track("crtmRotateZ")};
  return s;
}

RecyclingSettings RecyclingSettings::FromTracks(const TrackReader& track) {
  RecyclingSettings s;
  s.x = track("recyX");
  s.z = track("recyZ");
  s.count = StagePlacement::CountOf(std::ceil(track("recyInstances")), StagePlacement::kMaxRecycling);
  s.distance = track("recyDist");
  return s;
}

int32_t StagePlacement::CountOf(float value, int32_t most) {
  if (!(value > 0.0f)) return 0;
  return static_cast<int32_t>(std::min(std::trunc(value), static_cast<float>(most)));
}

float StagePlacement::HeldCount(float value, int32_t most) {
  if (!(value > 0.0f)) return 0.0f;
  return std::min(value, static_cast<float>(most));
}

std::array<glm::mat4, 6> StagePlacement::LightBox(const glm::vec3& light, float rotation_degrees,
                                                  float scale_hundredths, float distance) {
  glm::mat4 box = glm::translate(glm::mat4(1.0f), light);
  box = glm::rotate(box, rotation_degrees * kDegrees, glm::vec3(0.1f, 0.3f, 0.8f));
  box = glm::scale(box, glm::vec3(scale_hundredths * 0.01f));
  const float d = distance;
  return {glm::translate(box, {-d, 0, 0}), glm::translate(box, {d, 0, 0}),
          glm::translate(box, {0, -d, 0}), glm::translate(box, {0, d, 0}),
          glm::translate(box, {0, 0, -d}), glm::translate(box, {0, 0, d})};
}

std::vector<glm::mat4> StagePlacement::Clowns(const ClownSettings& s, float lowest_y) {
  std::vector<glm::mat4> clowns;
  const float y = s.position.y - lowest_y * s.scale;
  for (int32_t i = 0; static_cast<float>(i) < s.count_x; ++i) {
    for (int32_t j = 0; static_cast<float>(j) < s.count_z; ++j) {
      const glm::vec3 at{(static_cast<float>(i) - s.count_x * 0.5f + 0.5f) * s.step + s.position.x, y,
                         (static_cast<float>(j) - s.count_z * 0.5f + 0.5f) * s.step + s.position.z};
      const glm::mat4 placed = glm::scale(glm::translate(glm::mat4(1.0f), at), glm::vec3(s.scale));
      clowns.push_back(glm::rotate(placed, s.turn, glm::vec3(0.0f, 1.0f, 0.0f)));
    }
  }
  return clowns;
}

glm::mat4 StagePlacement::Crt(const CrtSettings& s, const glm::vec3& lo, const glm::vec3& hi) {
  const float p = s.hop_progress;
  const float hop = std::isfinite(p) ? std::sin((p - std::floor(p)) * kPi) * s.hop_height : 0.0f;
  const glm::vec3 at{(hi.x - lo.x) * 0.5f * s.scale + s.position.x,
                     hop + s.position.y - lo.y * s.scale,
                     (hi.z - lo.z) * 0.5f * s.scale + s.position.z};
  glm::mat4 m = glm::scale(glm::translate(glm::mat4(1.0f), at), glm::vec3(s.scale));
  m = glm::rotate(m, s.rotation.x, glm::vec3(1.0f, 0.0f, 0.0f));
  m = glm::rotate(m, s.rotation.y, glm::vec3(0.0f, 1.0f, 0.0f));
  return glm::rotate(m, s.rotation.z, glm::vec3(0.0f, 0.0f, 1.0f));
}

std::vector<glm::mat4> StagePlacement::Recycling(const RecyclingSettings& s) {
  std::vector<glm::mat4> row;
  glm::mat4 m = glm::translate(glm::mat4(1.0f), glm::vec3(s.x, 0.0f, s.z));
  for (int32_t k = 0; k < s.count; ++k) {
    row.push_back(m);
    m = glm::translate(m, glm::vec3(0.0f, 0.0f, s.distance));
  }
  return row;
}

glm::mat4 StagePlacement::Train(const glm::vec3& position, float scale) {
  return glm::scale(glm::translate(glm::mat4(1.0f), position), glm::vec3(scale));
}
