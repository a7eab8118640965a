#pragma once
// Light a caller adds to a scene's frame (streaks of its glow picture, say): drawn after the
// glow pass into a picture of the frame's size and added, like the blurred glow, to the
// frame's linear light before the display encoding. Drawn only in frames with glow.

#include "objects3d/glow_bounds.h"

class Objects3D;

class AddedLight {
 public:
  virtual ~AddedLight() = default;
  // The frame pixels the light can reach this frame; empty when it adds none.
  virtual PixelRect Area(const Objects3D& scene) = 0;
  // Draws the light (linear, exposed) over the bound picture, which blends one, one with the
  // scissor box at the area. Puts back the texture bindings it changes.
  virtual void Draw(const Objects3D& scene) = 0;
};
