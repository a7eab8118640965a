#include "effects/k2.h"

#include "effects/kaleidoscope.h"

namespace Effects {

K2::K2() : PostProc("K2", &Kaleidoscope::uniformsFor) {
  addParam("Rotation", 0.0f);
  addParam("Divisions", 7.0f);
  program = Kaleidoscope::makeShader();
}

}  // namespace Effects
