#include "scenes/scene_cubeformers/cubearrangements.h"

#include <cmath>

#include <glm/gtc/matrix_transform.hpp>

void CubeInstances::Resize(size_t count) {
  matrices.resize(count, glm::mat4(1.0f));
  emissions.resize(count, glm::vec3(0.0f));
}

glm::mat4 RotateAbout(const glm::mat4& m, float radians, const glm::vec3& axis) {
  if (glm::dot(axis, axis) == 0.0f) return m;
  return glm::rotate(m, radians, axis);
}

glm::vec3 DirectionOrZero(const glm::vec3& v) {
  const float length = glm::length(v);
  return length > 0.0f ? v / length : glm::vec3(0.0f);
}

namespace {

// The block coordinate of one index along an axis: the lower half moves out by -2 gap, the
// upper by +2 gap, around a block centred on the origin.
float BlockCoordinate(uint32_t index, float dist, float gap) {
  const float side = index < kBlockSide / 2 ? -2.0f * gap : 2.0f * gap;
  return static_cast<float>(index) * dist + side - 3.5f * dist;
}

bool Flashes(int64_t beat_whole, int64_t step, uint32_t i) {
  return (beat_whole * step + i) % 15 == 0;
}

}  // namespace

void LayOutBlock(const BlockTracks& tr, float note1, double beat, CubeInstances& cubes) {
  const float e = tr.explode_main * 0.1f;
  const int64_t beat_whole = static_cast<int64_t>(std::trunc(beat));
  uint32_t i = 0;
  for (uint32_t x = 0; x < kBlockSide; ++x) {
    for (uint32_t y = 0; y < kBlockSide; ++y) {
      for (uint32_t z = 0; z < kBlockSide; ++z, ++i) {
        const glm::vec3 p(BlockCoordinate(x, tr.dist, tr.gap.x),
                          BlockCoordinate(y, tr.dist, tr.gap.y),
                          BlockCoordinate(z, tr.dist, tr.gap.z));
        const glm::vec3 d = DirectionOrZero(p);
        const glm::vec3 t = p * (1.0f - e) + d * tr.explode_casing * e;
        const double turn = (std::sin(static_cast<double>(i)) * 45.1 + 1.0) * tr.explode_main;
        cubes.matrices[i] = RotateAbout(glm::translate(glm::mat4(1.0f), t),
                                        glm::radians(static_cast<float>(turn)), d);
        const float grey = Flashes(beat_whole, 3, i) ? tr.glow * note1 : 0.0f;
        cubes.emissions[i] = glm::vec3(grey);
      }
    }
  }
}

void LayOutRibbon(const RibbonTracks& tr, float note0, float note1, double beat,
                  CubeInstances& cubes) {
  constexpr float kTenDegrees = 0.17453292f;  // in radians
  const float radius = tr.radius + 0.7f * note0;
  const float spin = static_cast<float>(beat) * 0.08901179f;
  const int64_t beat_whole = static_cast<int64_t>(std::trunc(beat));
  for (uint32_t i = 0; i < kRibbonCubes; ++i) {
    const float fi = static_cast<float>(i);
    glm::mat4 m = glm::rotate(glm::mat4(1.0f), glm::radians(fi * tr.angle), glm::vec3(0, 0, 1));
    m = glm::translate(m, glm::vec3(radius, 0.0f, fi * tr.z_step));
    m = glm::rotate(m, fi * 1.2863076f + spin, glm::vec3(0.3f, 0.2f, 0.7f));
    const float wobble = (static_cast<float>(std::sin(static_cast<double>(i) * 2495.0)) + note0) *
                             kTenDegrees * tr.rot_mult +
                         tr.rot_offset * kTenDegrees;
    cubes.matrices[i] = RotateAbout(
        m, wobble, glm::vec3(std::sin(0.7f * fi), std::cos(0.1f * fi), std::sin(0.2f * fi)));
    cubes.emissions[i] = glm::vec3(Flashes(beat_whole, 1, i) ? note1 : 0.0f);
  }
}
