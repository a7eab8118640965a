#pragma once
// A zoom blur streaking the picture away from the centre (CntrX, CntrY) in texture
// coordinates; Step is the shrink per sample, Strength the mix with the original.

#include "effects/postproc.h"

namespace Effects {

class Radblur : public PostProc {
 public:
  Radblur();
  bool IsPassThrough() const override;
  // Sets the current colour to opaque white first, for drivers that feed it to the shader.
  void apply(uint32_t width, uint32_t height, double beat) override;
  // The uniforms for these parameter values, render size and beat.
  static std::vector<UniformValue> uniformsFor(const std::vector<float>& values, uint32_t width,
                                               uint32_t height, double beat);
};

}  // namespace Effects
