#pragma once
// The rastafield: camera-facing sprites of four kinds strewn over a band of heights, each
// spinning at its own fixed rate. A fixed number sequence places them, so every frame puts
// each star at the same height and turns it by the same rate.

#include <array>
#include <cstdint>
#include <vector>

#include <glm/glm.hpp>

#include "scenes/scene_vwmtrain/fftbars.h"

struct RastafieldSettings {
  int32_t stars = 256;
  glm::vec3 position{0.0f};
  float y_range = 20.0f;
  float rot_speed = 1.0f;

  static RastafieldSettings FromTracks(const TrackReader& track);
};

class Rastafield {
 public:
  static constexpr int kKinds = 4;
  static constexpr int32_t kMaxStars = 4096;

  // The instance matrices of each sprite kind at beat b; star i is of kind i mod 4.
  static std::array<std::vector<glm::mat4>, kKinds> Build(const RastafieldSettings& settings,
                                                          double beat);
};
