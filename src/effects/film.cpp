#include "effects/film.h"
#include "util/gpuresources/gpuresources.h"

namespace Effects {

namespace {
// Keeps the grain's pseudo-random pattern away from the degenerate inputs near time 0.
constexpr float kTimeOffset = 999.9953f;
}  // namespace

Film::Film() : PostProc("Film", &Film::uniformsFor) {
  addParam("Color", 1.0f);
  addParam("Monochrome", 0.0f);
  addParam("BrownSepia", 0.0f);
  addParam("GreenSepia", 0.0f);
  addParam("BlueSepia", 0.0f);
  addParam("Contrast", 0.0f);
  addParam("Brightness", 0.0f);
  addParam("FilmgrainAmount", 0.0f);
  addParam("ScanlineAmount", 0.0f);
  program = makeProgram("film");
}

std::vector<UniformValue> Film::uniformsFor(const std::vector<float>& values, uint32_t /*width*/,
                                            uint32_t /*height*/, double beat) {
  return {UniformMat4("ProjectionMatrix", GpuResources::UnitSquareProjection()),
          UniformFloat("time", static_cast<float>(beat) + kTimeOffset),
          UniformFloat("Color", values.at(0)),
          UniformFloat("Monochrome", values.at(1)),
          UniformFloat("BrownSepia", values.at(2)),
          UniformFloat("GreenSepia", values.at(3)),
          UniformFloat("BlueSepia", values.at(4)),
          UniformFloat("Contrast", values.at(5) + 1.0f),
          UniformFloat("Brightness", values.at(6)),
          UniformFloat("FilmgrainAmount", values.at(7)),
          UniformFloat("ScanlineAmount", values.at(8))};
}

}  // namespace Effects
