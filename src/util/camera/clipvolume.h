#pragma once
// The planes of the volume a matrix maps into clip space, which culling and clipping tests
// measure points and spheres against.

#include <array>

#include <glm/glm.hpp>

// The planes (a, b, c, d) that bound x, y and z by w * (1 + grow) once `clip` (local to clip
// space) has mapped a point: per axis, first the one of the upper bound, then the one of the
// lower. A point p lies inside where dot(plane, (p, 1)) is at least 0 for every plane; the
// normals point inwards and are not of unit length.
std::array<glm::vec4, 6> ClipVolumePlanes(const glm::mat4& clip, float grow = 0.0f);
