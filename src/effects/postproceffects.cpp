#include "effects/postproceffects.h"

#include "effects/blur.h"
#include "effects/dither.h"
#include "effects/fade.h"
#include "effects/film.h"
#include "effects/k2.h"
#include "effects/kaleidoscope.h"
#include "effects/noise.h"
#include "effects/radblur.h"
#include "effects/subdiv.h"
#include "effects/vhs.h"

namespace Effects {

std::vector<std::unique_ptr<PostProc>> MakePostProcEffects() {
  std::vector<std::unique_ptr<PostProc>> list;
  list.push_back(std::make_unique<Dither>());
  list.push_back(std::make_unique<Fade>());
  list.push_back(std::make_unique<Blur>());
  list.push_back(std::make_unique<Radblur>());
  list.push_back(std::make_unique<Film>());
  list.push_back(std::make_unique<Kaleidoscope>());
  list.push_back(std::make_unique<K2>());
  list.push_back(std::make_unique<Subdiv>());
  list.push_back(std::make_unique<Noise>());
  list.push_back(std::make_unique<VHS>());
  return list;
}

}  // namespace Effects
