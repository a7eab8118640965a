#pragma once
// Cubes out of view. An instance whose bounding sphere lies wholly outside one plane of the view
// frustum cannot put a pixel on the screen, nor into the screen-sized glow picture, so a frame
// without shadows (where an unseen cube could still shade a seen one) may leave it out. The
// ribbon's bevelled cubes are vertex work above all: what is not drawn is saved in every pass.

#include <array>

#include <glm/glm.hpp>

#include "scenes/scene_cubeformers/cubearrangements.h"

// The six planes (a, b, c, d), normals pointing inwards and of unit length, of the volume a
// view-projection matrix maps into clip space.
std::array<glm::vec4, 6> FrustumPlanes(const glm::mat4& view_projection);

// True when the sphere lies wholly outside one of the planes.
bool SphereOutside(const std::array<glm::vec4, 6>& planes, const glm::vec3& centre, float radius);

// Copies into `shown` the instances of `all` (matrix and emission) whose sphere may meet the
// view: centred on the instance's origin, `radius` (the model's, about its own origin) scaled by
// the instance's longest axis. Order is kept.
void KeepInstancesInView(const glm::mat4& view_projection, float radius, const CubeInstances& all,
                         CubeInstances& shown);
