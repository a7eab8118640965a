#pragma once
// A worn video tape: wobbling lines, colour bleeding, noise, and a rolling band when
// BandOn is set; Alpha is the amount, Time its own clock.

#include "effects/postproc.h"

namespace Effects {

class VHS : public PostProc {
 public:
  VHS();
  bool IsPassThrough() const override;
  // The uniforms for these parameter values, render size and beat.
  static std::vector<UniformValue> uniformsFor(const std::vector<float>& values, uint32_t width,
                                               uint32_t height, double beat);
};

}  // namespace Effects
