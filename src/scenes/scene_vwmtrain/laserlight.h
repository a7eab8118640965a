#pragma once
// The train scene's laser: the stage's glow picture streaked towards the frame's centre by a
// radial blur. The streaks are light like the glow's, so the stage adds them to its frame's
// linear light with the glow, before the display encoding (Objects3D::added_light).

#include <cstdint>

#include "effects/radialblur.h"
#include "objects3d/added_light.h"

class LaserLight : public AddedLight {
 public:
  // This frame's streaks: `step` of the way to the centre (the blur's step size), `iterations`
  // taps, `alpha` their strength; with `bounded` drawn only over the pixels that can reach the
  // glow picture's lit part (the picture is the same either way).
  void Set(float step, uint32_t iterations, float alpha, bool bounded);
  // Empty without a glow picture: there is nothing to streak.
  PixelRect Area(const Objects3D& stage) override;
  void Draw(const Objects3D& stage) override;

 private:
  Effects::RadialBlur blur_;
  float step_ = 0.9f;
  bool bounded_ = true;
};
