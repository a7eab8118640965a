#pragma once
// The GL states the 3D main passes begin in, for tests that check a scene's warm-up drew its
// programs in every state its frames draw them in: the software rasteriser builds a program's
// code for the state it is drawn in, so a state the warm-up missed has its code built on the
// frame that first meets it, in the middle of the show.

#include <array>
#include <set>
#include <string>
#include <vector>

#include <GL/glew.h>

#include "util/passtiming/passtiming.h"

// Multisampling, blending and its factors, the depth test and writes, seamless cube maps, and
// the bound target's samples.
using DrawState = std::array<GLint, 8>;

DrawState CurrentDrawState();

// Records the state at the start of every pass named "main" while it is the pass timer, but
// for the light markers' own main passes: a marker is a model of its own, drawn in the state
// its scene's frame leaves it.
class MainPassStates : public PassTimer {
 public:
  void Begin(const char* name) override;
  void End() override;

  std::set<DrawState> seen;

 private:
  std::vector<std::string> open_;
};
