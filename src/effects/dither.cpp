#include "effects/dither.h"
#include "util/gpuresources/gpuresources.h"

namespace Effects {

Dither::Dither() : PostProc("Dither", &Dither::uniformsFor) {
  addParam("Factor", 0.5f);
  program = makeProgram("dither");
}

std::vector<UniformValue> Dither::uniformsFor(const std::vector<float>& values, uint32_t width,
                                              uint32_t height, double /*beat*/) {
  const float shrink = 1.0f - 0.85f * values.at(0);
  const float k = shrink * shrink * shrink;
  return {UniformVec2("blocks", static_cast<float>(width) * k, static_cast<float>(height) * k),
          UniformMat4("ProjectionMatrix", GpuResources::UnitSquareProjection())};
}

}  // namespace Effects
