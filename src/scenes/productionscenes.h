#pragma once
// Which scenes each production plays. A scene's position in its production's list is the number
// the "ActiveScene" tracks select it by. The table is data, so a test can hand the scene
// manager scenes of its own.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "scenes/scene.h"

struct SceneEntry {
  std::string name;
  std::function<std::unique_ptr<Scene>()> make;
};

using ProductionSceneTable = std::map<uint32_t, std::vector<SceneEntry>>;

// The productions of this build and their scene lists.
const ProductionSceneTable& ProductionScenes();

// Holds a scene number whose scene class is not part of this build yet, so the numbers after
// it keep their meaning. Draws nothing.
class EmptySlotScene : public Scene {
 public:
  void Init() override {}
  void Render() override {}
};
