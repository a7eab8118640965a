#pragma once
// Old-film grading: colour against monochrome and three sepia tints, contrast (as an
// offset from 1) and brightness, film grain and scanlines moving with the beat.

#include "effects/postproc.h"

namespace Effects {

class Film : public PostProc {
 public:
  Film();
  // The uniforms for these parameter values, render size and beat.
  static std::vector<UniformValue> uniformsFor(const std::vector<float>& values, uint32_t width,
                                               uint32_t height, double beat);
};

}  // namespace Effects
