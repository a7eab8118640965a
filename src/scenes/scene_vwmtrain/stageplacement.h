#pragma once
// Where the stage's moving models go each frame, worked out from their tracks: the light box
// around the main light, the grid of clowns, the hopping CRT monitor, the row of recycling
// containers and the train. Counts from tracks are whole numbers held to sane bounds.

#include <array>
#include <cstdint>
#include <vector>

#include <glm/glm.hpp>

#include "scenes/scene_vwmtrain/fftbars.h"

struct ClownSettings {
  float scale = 0.1f;  // "clownScale" x 0.1
  float step = 5.0f;
  // The track values themselves, held to 0..kMaxClownsPerSide: the grid has as many clowns
  // as whole numbers below the value and centres on the value, so it slides as a count ramps.
  float count_x = 1.0f;
  float count_z = 1.0f;
  float turn = 0.0f;  // radians
  glm::vec3 position{3.9f, 0.0f, 0.0f};

  static ClownSettings FromTracks(const TrackReader& track);
};

struct CrtSettings {
  float scale = 0.01f;  // "crtmScale" x 0.01
  float hop_progress = 0.0f;
  float hop_height = 1.0f;
  glm::vec3 position{0.0f};
  glm::vec3 rotation{0.0f};  // radians about x, y, z

  static CrtSettings FromTracks(const TrackReader& track);
};

struct RecyclingSettings {
  float x = 0.0f;
  float z = 0.0f;
  int32_t count = 1;
  float distance = 5.0f;

  static RecyclingSettings FromTracks(const TrackReader& track);
};

class StagePlacement {
 public:
  static constexpr int32_t kMaxClownsPerSide = 64;
  static constexpr int32_t kMaxRecycling = 1024;

  // A track value as a count: truncated towards zero, held to 0..most (not a number: 0).
  static int32_t CountOf(float value, int32_t most);
  // A track value held to 0..most, fraction kept (not a number: 0).
  static float HeldCount(float value, int32_t most);

  // Six flat cubes boxing the light: rotated by degrees about (0.1, 0.3, 0.8), scaled by
  // hundredths, each `distance` out along one axis.
  static std::array<glm::mat4, 6> LightBox(const glm::vec3& light, float rotation_degrees,
                                           float scale_hundredths, float distance);
  // The clowns standing on their y: lowest_y is the model's lowest point at scale 1.
  static std::vector<glm::mat4> Clowns(const ClownSettings& settings, float lowest_y);
  // The monitor from its unscaled bounding box: it sits on its y and hops once per unit of
  // progress.
  static glm::mat4 Crt(const CrtSettings& settings, const glm::vec3& lo, const glm::vec3& hi);
  static std::vector<glm::mat4> Recycling(const RecyclingSettings& settings);
  static glm::mat4 Train(const glm::vec3& position, float scale);
};
