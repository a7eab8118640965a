#pragma once
// The ten post-processing effects the scene manager chains.

#include <memory>
#include <vector>

#include "effects/postproc.h"

namespace Effects {

// The effects in creation order, which is also the order of equal track values.
std::vector<std::unique_ptr<PostProc>> MakePostProcEffects();

}  // namespace Effects
