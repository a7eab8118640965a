#include "scene_tracks.h"

#include <glm/gtc/matrix_transform.hpp>

#include "support/test_files.h"
#include "tolmesystem.h"
#include "util/camera/camera.h"
#include "util/music/sync_device.h"
#include "util/music/sync_track_file.h"

void SceneTracksTest::SetUp() {
  GLTest::SetUp();
  folder_ = std::make_unique<TemporaryWorkingFolder>("scenetracks",
                                                     std::initializer_list<const char*>{"common"});
  system_settings = std::make_unique<SystemSettings>();
  system_settings->music_file.clear();
  system_settings->title = "murrow - tidewheel";
}

void SceneTracksTest::TearDown() {
  music_.reset();
  system_settings.reset();
  folder_.reset();
  GLTest::TearDown();
}

void SceneTracksTest::WriteTracks(const std::map<std::string, float>& values) {
  for (const auto& [name, value] : values) {
    WriteTestFile(SyncTrackPath(kSyncBasePath, name),
                  SyncEncodeTrackFile({{0, value, SyncKeyType::Step}}));
  }
}

Music& SceneTracksTest::MusicAt(const glm::vec3& eye, const glm::vec3& dst, float fov) {
  if (!music_) {
    WriteTracks({{"cameraEyeX", eye.x}, {"cameraEyeY", eye.y}, {"cameraEyeZ", eye.z},
                 {"cameraDstX", dst.x}, {"cameraDstY", dst.y}, {"cameraDstZ", dst.z},
                 {"cameraUpX", 0.0f}, {"cameraUpY", 1.0f}, {"cameraUpZ", 0.0f},
                 {"cameraFoV", fov}, {"cameraShake", 0.0f}});
    music_ = std::make_unique<Music>();
    for (const char* name : {"cameraEyeX", "cameraEyeY", "cameraEyeZ", "cameraDstX", "cameraDstY",
                             "cameraDstZ", "cameraUpX", "cameraUpY", "cameraUpZ", "cameraFoV",
                             "cameraShake"}) {
      music_->OpenTrack(name, 0.0f);
    }
  }
  return *music_;
}

glm::vec2 ProjectToPixel(const glm::vec3& point, const glm::vec3& eye, const glm::vec3& dst,
                         float fov, int width, int height, float aspect) {
  const CameraViewport viewport = LetterboxViewport(width, height, aspect);
  const glm::mat4 view = glm::lookAt(eye, dst, glm::vec3(0.0f, 1.0f, 0.0f));
  const glm::vec4 clip = CameraProjection(fov, aspect, 0.00001f, 500.0f) * view *
                         glm::vec4(point, 1.0f);
  const glm::vec2 ndc = glm::vec2(clip) / clip.w;
  return {viewport.x + (ndc.x + 1.0f) * 0.5f * static_cast<float>(viewport.width),
          viewport.y + (ndc.y + 1.0f) * 0.5f * static_cast<float>(viewport.height)};
}
