#include "effects/kaleidoscope.h"
#include "util/gpuresources/gpuresources.h"

namespace Effects {

Kaleidoscope::Kaleidoscope() : PostProc("Kaleidoscope", &Kaleidoscope::uniformsFor) {
  addParam("Rotation", 0.0f);
  addParam("Divisions", 7.0f);
  program = makeShader();
}

std::vector<UniformValue> Kaleidoscope::uniformsFor(const std::vector<float>& values,
                                                    uint32_t /*width*/, uint32_t /*height*/,
                                                    double /*beat*/) {
  return {UniformMat4("ProjectionMatrix", GpuResources::UnitSquareProjection()),
          UniformFloat("Rotation", values.at(0)), UniformFloat("Divisions", values.at(1))};
}

std::unique_ptr<ShaderProgram> Kaleidoscope::makeShader() { return makeProgram("kaleidoscope"); }

}  // namespace Effects
