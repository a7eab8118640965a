#pragma once
// Fades towards white (Value above 0) or black (Value 0 or below) by the magnitude of
// Value, so one track fades to either side.

#include "effects/postproc.h"

namespace Effects {

class Fade : public PostProc {
 public:
  Fade();
  bool IsPassThrough() const override;
  // The uniforms for these parameter values, render size and beat.
  static std::vector<UniformValue> uniformsFor(const std::vector<float>& values, uint32_t width,
                                               uint32_t height, double beat);
};

}  // namespace Effects
