#pragma once
// Pixelation with an ordered dither: the picture is cut into blocks, fewer and larger
// as Factor grows (Factor 0 keeps one block per pixel).

#include "effects/postproc.h"

namespace Effects {

class Dither : public PostProc {
 public:
  Dither();
  // The uniforms for these parameter values, render size and beat.
  static std::vector<UniformValue> uniformsFor(const std::vector<float>& values, uint32_t width,
                                               uint32_t height, double beat);
};

}  // namespace Effects
