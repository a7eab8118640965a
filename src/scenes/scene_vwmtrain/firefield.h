#pragma once
// The fire field: the text-mode fire's cell heats shown as a wall of small cubes, one per hot
// cell, coloured from black through red and yellow to white. Cooler cells are pushed outward,
// upward and sideways, so the flames fan out as they cool.

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include <glm/glm.hpp>

#include "scenes/scene_vwmtrain/fftbars.h"
#include "scenes/scene_vwmtrain/instanceset.h"

struct FireColor {
  glm::vec4 color;
  glm::vec3 emission;
};

struct FireFieldSettings {
  float scale = 1.5f;  // hundredths
  glm::vec3 position{0.0f};
  float spacing = 2.1f;
  float spread = 1.0f;
  float spread_x_mul = 2.0f;
  float lean = -2.0f;

  static FireFieldSettings FromTracks(const TrackReader& track);
};

class FireField {
 public:
  static constexpr int kColumns = 80;
  static constexpr int kRows = 50;

  // The colour of a heat t in 0..1 (t outside is held to the nearest end).
  static FireColor Gradient(float t);

  // One cube per cell of non-zero heat, rows 0..48 from the top (the bottom row is the fire's
  // hidden seed row). A scale of 0 (or one that is not a number) places nothing.
  static InstanceSet Build(const FireFieldSettings& settings,
                           std::span<const uint8_t, kColumns * kRows> cell_heat);
};
