#include "scenes/productionscenes.h"

#include "scenes/scene_gltf/scene_gltf.h"
#include "scenes/scene_hypnotunnel/hypnotunnel.h"
#include "scenes/scene_imagedisplay/imagedisplay.h"
#include "scenes/scene_twballs/twballs.h"

namespace {

template <typename SceneClass>
SceneEntry Entry(const std::string& name) {
  return {name, [] { return std::make_unique<SceneClass>(); }};
}

SceneEntry EmptySlot(const std::string& name) {
  return Entry<EmptySlotScene>(name + " (not in this build)");
}

}  // namespace

// Scene classes not built yet keep their number with an empty slot where later scenes of the
// row depend on it; missing scenes at the end of a row are left out. Production 6 plays the
// tunnel in the slot of its train scene until that scene exists.
const ProductionSceneTable& ProductionScenes() {
  static const ProductionSceneTable table = {
      {0, {Entry<GLTF>("GLTF")}},
      {3, {}},
      {4, {EmptySlot("TwGlowShapes"), EmptySlot("TwBoxes"), EmptySlot("MorvelText"),
           Entry<HypnoTunnel>("HypnoTunnel"), Entry<TwBalls>("TwBalls")}},
      {5, {}},
      {6, {Entry<HypnoTunnel>("HypnoTunnel"), Entry<ImageDisplay>("ImageDisplay")}},
  };
  return table;
}
