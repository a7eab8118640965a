#include "objects3d/primitive.h"

#include <cmath>

#include "objects3d/material.h"
#include "system/log.h"

Primitive::~Primitive() = default;

uint32_t Primitive::VertexCount() const {
  if (position_components == 0) return 0;
  return static_cast<uint32_t>(positions.size() / position_components);
}

glm::vec3 PositionBox::Corner(int i) const {
  return {(i & 1) ? max.x : min.x, (i & 2) ? max.y : min.y, (i & 4) ? max.z : min.z};
}

PositionBox BoxOfPositions(const Primitive& p) {
  PositionBox box;
  const uint32_t stride = p.position_components;
  if (stride < 3) return box;
  for (size_t i = 0; i + 2 < p.positions.size(); i += stride) {
    const glm::vec3 v(p.positions[i], p.positions[i + 1], p.positions[i + 2]);
    box.min = box.valid ? glm::min(box.min, v) : v;
    box.max = box.valid ? glm::max(box.max, v) : v;
    box.valid = true;
  }
  return box;
}

namespace {

// Transforms the xyz of every element of a stream as a direction and normalises it; a
// direction that comes out of zero length stays zero.
void TransformDirections(std::vector<float>& stream, uint32_t components,
                         const glm::mat3& matrix) {
  if (components < 3) return;
  for (size_t i = 0; i + 3 <= stream.size(); i += components) {
    glm::vec3 v = matrix * glm::vec3(stream[i], stream[i + 1], stream[i + 2]);
    const float length = glm::length(v);
    if (length > 0.0f && std::isfinite(length)) v /= length;
    stream[i] = v.x;
    stream[i + 1] = v.y;
    stream[i + 2] = v.z;
  }
}

}  // namespace

void Primitive::Transform(const glm::mat4& matrix) {
  if (position_components != 3) ExitMsg(__FILE__, __LINE__, "Assert failed");
  for (size_t i = 0; i + 3 <= positions.size(); i += 3) {
    const glm::vec4 p = matrix * glm::vec4(positions[i], positions[i + 1], positions[i + 2], 1.0f);
    positions[i] = p.x;
    positions[i + 1] = p.y;
    positions[i + 2] = p.z;
  }
  // Normals follow the inverse transpose so that they stay perpendicular under non-uniform
  // scale; tangents lie in the surface and follow the matrix itself.
  const glm::mat3 linear(matrix);
  TransformDirections(normals, normal_components, glm::transpose(glm::inverse(linear)));
  TransformDirections(tangents, tangent_components, linear);
  dirty = 1;
}
