#include "effects/noise.h"
#include "util/gpuresources/gpuresources.h"

namespace Effects {

Noise::Noise() : PostProc("Noise", &Noise::uniformsFor) {
  addParam("Alpha", 0.5f);
  addParam("Time", 0.0f);
  program = makeProgram("noise");
}

std::vector<UniformValue> Noise::uniformsFor(const std::vector<float>& values, uint32_t /*width*/,
                                             uint32_t /*height*/, double /*beat*/) {
  return {UniformMat4("ProjectionMatrix", GpuResources::UnitSquareProjection()),
          UniformFloat("Alpha", values.at(0)), UniformFloat("Time", values.at(1))};
}

// No alpha blends no static in.
bool Noise::IsPassThrough() const { return param_values.at(0) <= 0.0f; }

}  // namespace Effects
