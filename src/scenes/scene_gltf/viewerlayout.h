#pragma once
// Where the model viewer puts things around a model, from its bounding box alone: the seven
// cameras, the opening tour's circling camera, the three circling default lights, and the
// 5 x 5 x 5 grid of copies for models shown as a grid.

#include <array>
#include <cstdint>
#include <vector>

#include <glm/glm.hpp>

struct CameraPose {
  glm::vec3 eye;
  glm::vec3 target;
  glm::vec3 up;
};

// Seven cameras aimed at the centre: front, the four upper corners, below and above. `size` is
// the bounding-box diagonal.
std::vector<CameraPose> BoundingBoxCameras(const glm::vec3& centre, float size);

// The opening tour's camera at music time t (seconds): it circles the model once every 22
// seconds, looking down on its centre from 17 to 34 degrees above the floor, at the distance
// where the bounding sphere (the diagonal's half, with a tenth to spare) fits the vertical
// field of view `yfov` (degrees), so the whole model is always in the picture. The player's
// views are all wider than tall, so the height is the narrower side.
CameraPose TourCamera(const glm::vec3& centre, float size, float yfov, double t);

struct DefaultLight {
  const char* name;
  glm::vec3 color;
};

// The three lights a model without lights of its own gets.
const std::array<DefaultLight, 3>& DefaultLights();

// Positions of the default lights at music time t (seconds): each circles the centre at its own
// speed, 0.6 to 0.7 times the size out and 0.9 to 1.15 times the size above it: above the model
// and above the tour camera's view, so that none comes between the camera and the model or
// lights a face from close by. Only the first `count` are written.
void DefaultLightPositions(const glm::vec3& centre, float size, double t, size_t count,
                           glm::vec3* positions);

// How far the default lights' shadows reach, times the size: the floor's farthest corner is up
// to 2.06 times the size away from a light.
constexpr float kLightShadowReach = 2.5f;

struct GridCopies {
  std::vector<glm::mat4> matrices;
  std::vector<glm::vec4> base_colors;
  std::vector<glm::vec3> emissions;
};

constexpr int32_t kGridReach = 2;  // copies from -2 to +2 along each axis
constexpr uint32_t kGridCopies = 125;

// The grid's 125 copies, `spacing` apart: each tinted by the sine of its position, and every
// fifth copy counted by `counter` (which runs on over calls) glowing in its tint.
GridCopies LayOutGrid(float spacing, uint64_t& counter);
