#include "effects/subdiv.h"
#include "util/gpuresources/gpuresources.h"

namespace Effects {

Subdiv::Subdiv() : PostProc("Subdiv", &Subdiv::uniformsFor) {
  addParam("NX", 2.0f);
  addParam("NY", 2.0f);
  addParam("OffX", 0.0f);
  addParam("OffY", 0.0f);
  addParam("Rot", 0.0f);
  addParam("RotX", 0.5f);
  addParam("RotY", 0.5f);
  program = makeProgram("subdiv");
}

std::vector<UniformValue> Subdiv::uniformsFor(const std::vector<float>& values, uint32_t /*width*/,
                                              uint32_t /*height*/, double /*beat*/) {
  return {UniformMat4("ProjectionMatrix", GpuResources::UnitSquareProjection()),
          UniformVec2("N", values.at(0), values.at(1)),
          UniformVec2("Off", values.at(2), values.at(3)), UniformFloat("Rot", values.at(4)),
          UniformVec2("RotOff", values.at(5), values.at(6))};
}

}  // namespace Effects
