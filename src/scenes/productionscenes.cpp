#include "scenes/productionscenes.h"

#include "scenes/scene_hypnotunnel/hypnotunnel.h"
#include "scenes/scene_imagedisplay/imagedisplay.h"
#include "scenes/scene_morveltext/morveltext.h"
#include "scenes/scene_twboxes/twboxes.h"
#include "scenes/scene_twglowshapes/twglowshapes.h"
#include "scenes/scene_vwmtrain/vwmtrain.h"
#include "scenes/scene_wm20text/wm20text.h"

namespace {

template <typename SceneClass>
SceneEntry Entry(const std::string& name) {
  return {name, [] { return std::make_unique<SceneClass>(); }};
}

}  // namespace

// Scene classes not built yet keep their number with an empty slot where later scenes of the
// row depend on it; missing scenes at the end of a row are left out.
const ProductionSceneTable& ProductionScenes() {
  static const ProductionSceneTable table = {
      {0, {}},
      {3, {Entry<TwGlowShapes>("TwGlowShapes"), Entry<TwBoxes>("TwBoxes"),
           Entry<MorvelText>("MorvelText")}},
      {4, {Entry<TwGlowShapes>("TwGlowShapes"), Entry<TwBoxes>("TwBoxes"),
           Entry<MorvelText>("MorvelText"), Entry<HypnoTunnel>("HypnoTunnel")}},
      {5, {}},
      {6, {Entry<VWMTrain>("VWMTrain"), Entry<ImageDisplay>("ImageDisplay"),
           Entry<WM20Text>("WM20Text")}},
  };
  return table;
}
