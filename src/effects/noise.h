#pragma once
// Static noise blended over the picture by Alpha, animated by its own Time track.

#include "effects/postproc.h"

namespace Effects {

class Noise : public PostProc {
 public:
  Noise();
  bool IsPassThrough() const override;
  // The uniforms for these parameter values, render size and beat.
  static std::vector<UniformValue> uniformsFor(const std::vector<float>& values, uint32_t width,
                                               uint32_t height, double beat);
};

}  // namespace Effects
