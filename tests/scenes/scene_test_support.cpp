#include "scene_test_support.h"

#include <gtest/gtest.h>

#include "tolmesystem.h"
#include "util/data/data.h"
#include "util/music/music.h"
#include "util/music/sync_device.h"

void UseTestSettings(uint32_t width, uint32_t height) {
  CreateSystemSettings(6, DataMode::Disk);
  SystemSettings& settings = *system_settings;
  settings.music_file.clear();
  settings.width = width;
  settings.height = height;
  settings.fullscreen = 0;
  settings.samples = 4;
  settings.loading_hold_ms = 0;
  settings.aspect_numerator = 16;
  settings.aspect_denominator = 9;
  data_mode = DataMode::Disk;
}

void ResetTracksToDefaults(SceneManager& manager) {
  for (MusicTrackEntry& entry : manager.music->tracks) {
    entry.track->keys = {SyncKey{0, entry.default_value, SyncKeyType::Step}};
  }
}

void SetTrack(SceneManager& manager, const std::string& name, float value) {
  SyncTrack* track = SyncFindTrack(*manager.music->device, name);
  ASSERT_NE(track, nullptr) << name;
  track->keys = {SyncKey{0, value, SyncKeyType::Step}};
}

void ClearScene::Render() {
  ++renders;
  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  glEnable(GL_SCISSOR_TEST);
  glScissor(static_cast<GLint>(box_[0] * viewport[2]), static_cast<GLint>(box_[1] * viewport[3]),
            static_cast<GLsizei>(box_[2] * viewport[2]),
            static_cast<GLsizei>(box_[3] * viewport[3]));
  glClearColor(colour_[0], colour_[1], colour_[2], colour_[3]);
  glClear(GL_COLOR_BUFFER_BIT);
  glDisable(GL_SCISSOR_TEST);
}

namespace {

// The manager owns its scenes; the test keeps watching them through a non-owning view.
class SceneView : public Scene {
 public:
  explicit SceneView(std::shared_ptr<ClearScene> scene) : scene_(std::move(scene)) {}
  void Init() override { scene_->Init(); }
  void Render() override { scene_->Render(); }

 private:
  std::shared_ptr<ClearScene> scene_;
};

}  // namespace

ProductionSceneTable TableOf(std::vector<std::shared_ptr<ClearScene>> scenes) {
  std::vector<SceneEntry> entries;
  for (size_t i = 0; i < scenes.size(); ++i) {
    entries.push_back({"Clear" + std::to_string(i),
                       [scene = scenes[i]] { return std::make_unique<SceneView>(scene); }});
  }
  return {{6, entries}};
}
