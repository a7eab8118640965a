#include "scenes/productionscenes.h"

#include "scenes/scene_hypnotunnel/hypnotunnel.h"
#include "scenes/scene_imagedisplay/imagedisplay.h"
#include "scenes/scene_vwmtrain/vwmtrain.h"

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
// row depend on it; missing scenes at the end of a row are left out.
const ProductionSceneTable& ProductionScenes() {
  static const ProductionSceneTable table = {
      {0, {}},
      {3, {}},
      {4, {EmptySlot("TwGlowShapes"), EmptySlot("TwBoxes"), EmptySlot("MorvelText"),
           Entry<HypnoTunnel>("HypnoTunnel")}},
      {5, {}},
      {6, {Entry<VWMTrain>("VWMTrain"), Entry<ImageDisplay>("ImageDisplay")}},
  };
  return table;
}
