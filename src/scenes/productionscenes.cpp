#include "scenes/productionscenes.h"

namespace {

template <typename SceneClass>
SceneEntry Entry(const std::string& name) {
  return {name, [] { return std::make_unique<SceneClass>(); }};
}

}  // namespace

const ProductionSceneTable& ProductionScenes() {
  static const ProductionSceneTable table = {
      {0, {}},
      {3, {}},
      {4, {}},
      {5, {}},
      {6, {Entry<EmptySlotScene>("VWMTrain (not built yet)")}},
  };
  return table;
}
