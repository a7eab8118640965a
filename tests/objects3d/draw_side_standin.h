#pragma once
// What the test stand-in of the draw side saw (see draw_side_standin.cpp).

#include <cstdint>
#include <optional>

#include "objects3d/objects3d.h"

struct DrawSideCalls {
  int prewarms = 0;
  std::optional<ShadowPlanes> planes;
  uint32_t resized_width = 0;
};

DrawSideCalls& draw_side_calls();
