#include "effects/vhs.h"
#include "util/gpuresources/gpuresources.h"

namespace Effects {

VHS::VHS() : PostProc("VHS", &VHS::uniformsFor) {
  addParam("Alpha", 0.5f);
  addParam("Time", 0.0f);
  addParam("BandOn", 0.0f);
  program = makeProgram("vhs");
}

std::vector<UniformValue> VHS::uniformsFor(const std::vector<float>& values, uint32_t /*width*/,
                                           uint32_t /*height*/, double /*beat*/) {
  return {UniformMat4("ProjectionMatrix", GpuResources::UnitSquareProjection()),
          UniformFloat("Alpha", values.at(0)), UniformFloat("iTime", values.at(1)),
          UniformFloat("BandOn", values.at(2))};
}

// No alpha and no band: no wobble, bleed, tint or noise.
bool VHS::IsPassThrough() const {
  return param_values.at(0) <= 0.0f && param_values.at(2) <= 0.0f;
}

}  // namespace Effects
