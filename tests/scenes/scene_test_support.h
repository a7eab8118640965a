#pragma once
// Helpers for driving the scene manager in tests: settings for a small dummy-clock run, scenes
// that paint known colours, and direct control of the track values.

#include <GL/glew.h>

#include <array>
#include <memory>
#include <string>

#include "scenes/productionscenes.h"
#include "scenes/scene.h"
#include "scenes/scenemanager.h"

// Production 6 with loose files, no music file (the dummy clock), the given window size at
// 16:9, no loading hold.
void UseTestSettings(uint32_t width, uint32_t height);

// Every opened track back to a single key holding its default, whatever the track files said.
void ResetTracksToDefaults(SceneManager& manager);
void SetTrack(SceneManager& manager, const std::string& name, float value);

// Clears its whole target (or, with a box, only that part of it) to one colour.
class ClearScene : public Scene {
 public:
  explicit ClearScene(std::array<float, 4> colour, std::array<float, 4> box = {0, 0, 1, 1})
      : colour_(colour), box_(box) {}
  void Init() override {}
  void Render() override;
  int renders = 0;

 private:
  std::array<float, 4> colour_;
  std::array<float, 4> box_;  // x, y, width, height as fractions of the target
};

// A table with production 6 holding the given scenes, each handed over on construction.
ProductionSceneTable TableOf(std::vector<std::shared_ptr<ClearScene>> scenes);
