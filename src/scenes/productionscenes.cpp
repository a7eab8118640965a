#include "scenes/productionscenes.h"

#include "scenes/scene_cubeformers/scene_cubeformers.h"
#include "scenes/scene_gltf/scene_gltf.h"
#include "scenes/scene_hypnotunnel/hypnotunnel.h"
#include "scenes/scene_imagedisplay/imagedisplay.h"
#include "scenes/scene_morveltext/morveltext.h"
#include "scenes/scene_twballs/twballs.h"
#include "scenes/scene_twboxes/twboxes.h"
#include "scenes/scene_twglowshapes/twglowshapes.h"
#include "scenes/scene_wm20text/wm20text.h"

namespace {

template <typename SceneClass>
SceneEntry Entry(const std::string& name) {
  return {name, [] { return std::make_unique<SceneClass>(); }};
}

}  // namespace

// Scene classes not built yet keep their number with an empty slot where later scenes of the
// row depend on it; missing scenes at the end of a row are left out. Production 6 plays the
// tunnel in the slot of its train scene until that scene exists.
const ProductionSceneTable& ProductionScenes() {
  static const ProductionSceneTable table = {
      {0, {Entry<GLTF>("GLTF")}},
      {3, {Entry<TwGlowShapes>("TwGlowShapes"), Entry<TwBoxes>("TwBoxes"),
           Entry<MorvelText>("MorvelText")}},
      {4, {Entry<TwGlowShapes>("TwGlowShapes"), Entry<TwBoxes>("TwBoxes"),
           Entry<MorvelText>("MorvelText"), Entry<HypnoTunnel>("HypnoTunnel"),
           Entry<TwBalls>("TwBalls")}},
      {5, {Entry<CubeFormers>("CubeFormers")}},
      {6, {Entry<HypnoTunnel>("HypnoTunnel"), Entry<ImageDisplay>("ImageDisplay"),
           Entry<WM20Text>("WM20Text")}},
  };
  return table;
}
