#pragma once
// Where the model viewer puts things around a model, from its bounding box alone: the seven
// cameras, the three circling default lights, and the 5 x 5 x 5 grid of copies for models
// shown as a grid.

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

struct DefaultLight {
  const char* name;
  glm::vec3 color;
};

// The three lights a model without lights of its own gets.
const std::array<DefaultLight, 3>& DefaultLights();

// Positions of the default lights at music time t (seconds): each circles the centre at 0.55
// times the size, at its own speed and height. Only the first `count` are written.
void DefaultLightPositions(const glm::vec3& centre, float size, double t, size_t count,
                           glm::vec3* positions);

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
