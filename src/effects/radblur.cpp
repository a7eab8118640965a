#include "effects/radblur.h"
#include "util/gpuresources/gpuresources.h"

#include <GL/glew.h>

namespace Effects {

Radblur::Radblur() : PostProc("Radblur", &Radblur::uniformsFor) {
  addParam("CntrX", 0.5f);
  addParam("CntrY", 0.5f);
  addParam("Step", 0.9f);
  addParam("Strength", 1.0f);
  program = makeProgram("radblur");
}

void Radblur::apply(uint32_t width, uint32_t height, double beat) {
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  PostProc::apply(width, height, beat);
}

std::vector<UniformValue> Radblur::uniformsFor(const std::vector<float>& values, uint32_t /*width*/,
                                               uint32_t /*height*/, double /*beat*/) {
  return {UniformMat4("ProjectionMatrix", GpuResources::UnitSquareProjection()),
          UniformVec4("RadialBlurParams", values.at(0), values.at(1), values.at(2), values.at(3))};
}

// No strength mixes no streaks in and adds none.
bool Radblur::IsPassThrough() const { return param_values.at(3) <= 0.0f; }

}  // namespace Effects
