#pragma once
// A soft round blur: its radius is Iterations times Scale thousandths of the picture height,
// sampled with four taps per iteration on a golden-angle spiral, Gaussian-weighted over the
// radius; at most 16 iterations.

#include "effects/postproc.h"

namespace Effects {

class Blur : public PostProc {
 public:
  Blur();
  bool IsPassThrough() const override;
  // The uniforms for these parameter values, render size and beat.
  static std::vector<UniformValue> uniformsFor(const std::vector<float>& values, uint32_t width,
                                               uint32_t height, double beat);
};

}  // namespace Effects
