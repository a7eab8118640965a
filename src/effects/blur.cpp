#include "effects/blur.h"
#include "util/gpuresources/gpuresources.h"

namespace Effects {

Blur::Blur() : PostProc("Blur", &Blur::uniformsFor) {
  addParam("Scale", 2.5f);
  addParam("Iterations", 3.0f);
  program = makeProgram("blur");
}

std::vector<UniformValue> Blur::uniformsFor(const std::vector<float>& values, uint32_t /*width*/,
                                            uint32_t /*height*/, double /*beat*/) {
  return {UniformMat4("ProjectionMatrix", GpuResources::UnitSquareProjection()),
          UniformFloat("Scale", values.at(0) * 0.001f), UniformFloat("Iterations", values.at(1))};
}

// Under one iteration only the centre tap is read.
bool Blur::IsPassThrough() const { return param_values.at(1) < 1.0f; }

}  // namespace Effects
