#pragma once
// Tiles the picture NX by NY times with an offset and a rotation of each tile by Rot
// about (RotX, RotY).

#include "effects/postproc.h"

namespace Effects {

class Subdiv : public PostProc {
 public:
  Subdiv();
  // The uniforms for these parameter values, render size and beat.
  static std::vector<UniformValue> uniformsFor(const std::vector<float>& values, uint32_t width,
                                               uint32_t height, double beat);
};

}  // namespace Effects
