#include "scenes/scene_gltf/viewerlayout.h"

#include <algorithm>
#include <cmath>

#include <glm/gtc/constants.hpp>
#include <glm/gtc/matrix_transform.hpp>

std::vector<CameraPose> BoundingBoxCameras(const glm::vec3& m, float size) {
  const float s = 0.75f * size;
  const glm::vec3 y_up(0, 1, 0);
  const glm::vec3 z_up(0, 0, 1);
  // The views from straight below and above are nudged off the vertical so that the look-at
  // keeps a defined side direction.
  constexpr float kNudge = 0.00001f;
  return {
      {{m.x, m.y, m.z + s}, m, y_up},
      {{m.x - s, m.y + s, m.z - s}, m, y_up},
      {{m.x + s, m.y + s, m.z - s}, m, y_up},
      {{m.x - s, m.y + s, m.z + s}, m, y_up},
      {{m.x + s, m.y + s, m.z + s}, m, y_up},
      {{m.x + kNudge, m.y - size, m.z + kNudge}, m, z_up},
      {{m.x + kNudge, m.y + size, m.z + kNudge}, m, z_up},
  };
}

CameraPose TourCamera(const glm::vec3& m, float size, float yfov, double t) {
  constexpr double kTurnSeconds = 22.0;
  constexpr double kTiltSeconds = 29.0;
  constexpr double kSpare = 1.1;
  constexpr double kLeastHalfAngle = 0.01;  // a degenerate view still gets a finite distance
  const double half = std::max(kLeastHalfAngle, glm::radians(0.5 * static_cast<double>(yfov)));
  const double distance = kSpare * 0.5 * size / std::sin(half);
  const double turn = glm::two_pi<double>() * t / kTurnSeconds;
  const double tilt =
      glm::radians(25.5 + 8.5 * std::sin(glm::two_pi<double>() * t / kTiltSeconds));
  const glm::dvec3 offset(std::sin(turn) * std::cos(tilt), std::sin(tilt),
                          std::cos(turn) * std::cos(tilt));
  return {m + glm::vec3(distance * offset), m, glm::vec3(0, 1, 0)};
}

const std::array<DefaultLight, 3>& DefaultLights() {
  static const std::array<DefaultLight, 3> lights = {{
      {"Default light 1", {1.0f, 1.0f, 0.7f}},
      {"Default light 2", {0.4f, 0.7f, 1.0f}},
      {"Default light 3", {1.0f, 0.2f, 0.5f}},
  }};
  return lights;
}

void DefaultLightPositions(const glm::vec3& m, float size, double t, size_t count,
                           glm::vec3* positions) {
  if (count >= 1) {
    const double a = -0.5 * t;
    const double r = 0.7 * size;
    positions[0] = glm::vec3(m.x - r * std::sin(a), m.y + 0.9 * size, m.z + r * std::cos(a));
  }
  if (count >= 2) {
    const double a = 0.3 * t;
    const double r = 0.65 * size;
    positions[1] = glm::vec3(m.x - r * std::sin(a),
                             m.y + size * (0.95 + 0.05 * std::sin(0.13 * t)),
                             m.z + r * std::cos(a));
  }
  if (count >= 3) {
    const double a = 0.21 * t;
    const double r = 0.6 * size;
    positions[2] = glm::vec3(m.x - r * std::cos(a),
                             m.y + size * (1.05 + 0.1 * std::sin(0.27 * t)),
                             m.z + r * std::sin(a));
  }
}

GridCopies LayOutGrid(float spacing, uint64_t& counter) {
  GridCopies grid;
  for (int32_t i = -kGridReach; i <= kGridReach; ++i) {
    for (int32_t j = -kGridReach; j <= kGridReach; ++j) {
      for (int32_t k = -kGridReach; k <= kGridReach; ++k) {
        const glm::vec3 p = glm::vec3(i, j, k) * spacing;
        const glm::vec4 tint((std::sin(p.x) + 1.0f) / 2.0f, (std::sin(p.y) + 1.0f) / 2.0f,
                             (std::sin(p.z) + 1.0f) / 2.0f, 1.0f);
        grid.matrices.push_back(glm::translate(glm::mat4(1.0f), p));
        grid.base_colors.push_back(tint);
        grid.emissions.push_back(counter % 5 == 0 ? glm::vec3(tint) : glm::vec3(0.0f));
        ++counter;
      }
    }
  }
  return grid;
}
