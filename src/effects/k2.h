#pragma once
// A second, independent kaleidoscope pass: the kaleidoscope's program and uniforms under its
// own name, so its own tracks can place it elsewhere in the chain.

#include "effects/postproc.h"

namespace Effects {

class K2 : public PostProc {
 public:
  K2();
};

}  // namespace Effects
