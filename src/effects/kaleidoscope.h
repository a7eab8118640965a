#pragma once
// A kaleidoscope: the picture folded into Divisions mirrored wedges around the centre, turned
// by Rotation (radians).

#include <memory>

#include "effects/postproc.h"

namespace Effects {

class Kaleidoscope : public PostProc {
 public:
  Kaleidoscope();
  // The uniforms for these parameter values, render size and beat.
  static std::vector<UniformValue> uniformsFor(const std::vector<float>& values, uint32_t width,
                                               uint32_t height, double beat);

  // A new program from the kaleidoscope files, for each kaleidoscope pass.
  static std::unique_ptr<ShaderProgram> makeShader();
};

}  // namespace Effects
