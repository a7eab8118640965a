#pragma once
// A disc blur whose radius is Scale thousandths of the picture, sampled in Iterations
// rings.

#include "effects/postproc.h"

namespace Effects {

class Blur : public PostProc {
 public:
  Blur();
  // The uniforms for these parameter values, render size and beat.
  static std::vector<UniformValue> uniformsFor(const std::vector<float>& values, uint32_t width,
                                               uint32_t height, double beat);
};

}  // namespace Effects
