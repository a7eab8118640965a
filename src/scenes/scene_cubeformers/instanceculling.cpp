#include "scenes/scene_cubeformers/instanceculling.h"

#include "util/camera/clipvolume.h"
#include "util/helpers.h"

std::array<glm::vec4, 6> FrustumPlanes(const glm::mat4& m) {
  std::array<glm::vec4, 6> planes = ClipVolumePlanes(m);
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

void KeepInstancesInView(const glm::mat4& view_projection, float radius, const CubeInstances& all,
                         CubeInstances& shown) {
  const std::array<glm::vec4, 6> planes = FrustumPlanes(view_projection);
  shown.matrices.clear();
  shown.emissions.clear();
  for (size_t i = 0; i < all.matrices.size(); ++i) {
    const glm::mat4& m = all.matrices[i];
    if (SphereOutside(planes, glm::vec3(m[3]), radius * LargestAxisScale(m))) continue;
    shown.matrices.push_back(m);
    shown.emissions.push_back(all.emissions[i]);
  }
}
