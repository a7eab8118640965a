#include "scenes/scene_cubeformers/instanceculling.h"

#include <algorithm>

std::array<glm::vec4, 6> FrustumPlanes(const glm::mat4& m) {
  // Row r of the matrix (glm stores columns): -w <= x, y, z <= w in clip space.
  const auto row = [&m](int r) { return glm::vec4(m[0][r], m[1][r], m[2][r], m[3][r]); };
  std::array<glm::vec4, 6> planes = {row(3) + row(0), row(3) - row(0), row(3) + row(1),
                                     row(3) - row(1), row(3) + row(2), row(3) - row(2)};
  for (glm::vec4& plane : planes) {
    const float length = glm::length(glm::vec3(plane));
    if (length > 0.0f) plane /= length;
  }
  return planes;
}

bool SphereOutside(const std::array<glm::vec4, 6>& planes, const glm::vec3& centre, float radius) {
  for (const glm::vec4& plane : planes) {
    if (glm::dot(glm::vec3(plane), centre) + plane.w < -radius) return true;
  }
  return false;
}

namespace {

float LongestAxis(const glm::mat4& m) {
  return std::max({glm::length(glm::vec3(m[0])), glm::length(glm::vec3(m[1])),
                   glm::length(glm::vec3(m[2]))});
}

}  // namespace

void KeepInstancesInView(const glm::mat4& view_projection, float radius, const CubeInstances& all,
                         CubeInstances& shown) {
  const std::array<glm::vec4, 6> planes = FrustumPlanes(view_projection);
  shown.matrices.clear();
  shown.emissions.clear();
  for (size_t i = 0; i < all.matrices.size(); ++i) {
    const glm::mat4& m = all.matrices[i];
    if (SphereOutside(planes, glm::vec3(m[3]), radius * LongestAxis(m))) continue;
    shown.matrices.push_back(m);
    shown.emissions.push_back(all.emissions[i]);
  }
}
