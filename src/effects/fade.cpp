#include "effects/fade.h"
#include "util/gpuresources/gpuresources.h"

#include <cmath>

namespace Effects {

Fade::Fade() : PostProc("Fade", &Fade::uniformsFor) {
  addParam("Value", 0.0f);
  program = makeProgram("fade");
}

std::vector<UniformValue> Fade::uniformsFor(const std::vector<float>& values, uint32_t /*width*/,
                                            uint32_t /*height*/, double /*beat*/) {
  const float value = values.at(0);
  return {UniformVec2("color", value > 0.0f ? 1.0f : 0.0f, std::fabs(value)),
          UniformMat4("ProjectionMatrix", GpuResources::UnitSquareProjection())};
}

// A value of 0 mixes nothing in.
bool Fade::IsPassThrough() const { return param_values.at(0) == 0.0f; }

}  // namespace Effects
