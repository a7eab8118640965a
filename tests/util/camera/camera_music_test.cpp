// The controller on the real music clock: camera tracks from track files, the shake seeded by
// the dummy clock's position.

#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "scenes/scene.h"
#include "support/test_files.h"
#include "system/clock.h"
#include "tolmesystem.h"
#include "util/camera/cameracontroller.h"
#include "util/music/music.h"
#include "util/music/sync_device.h"
#include "util/music/sync_track_file.h"

namespace {

const std::map<std::string, float> kCameraTracks = {
    {"cameraEyeX", -3}, {"cameraEyeY", 4},  {"cameraEyeZ", 12}, {"cameraDstX", 1},
    {"cameraDstY", 0},  {"cameraDstZ", -2}, {"cameraUpX", 0},   {"cameraUpY", 1},
    {"cameraUpZ", 0},   {"cameraFoV", 70},  {"cameraShake", 0.2f}};

// A temporary working folder holding one step key per camera track, and a dummy-clock Music
// with the tracks open.
class CameraMusicTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = MakeTemporaryFolder("camera");
    previous_folder_ = std::filesystem::current_path();
    std::filesystem::current_path(folder_);
    for (const auto& [name, value] : kCameraTracks) WriteTrack(name, value);

    system_settings = std::make_unique<SystemSettings>();
    system_settings->music_file.clear();  // the dummy millisecond clock
    SetTickSource([this] { return tick_; });
    music_ = std::make_unique<Music>();
    for (const auto& [name, value] : kCameraTracks) music_->OpenTrack(name, 0.0f);
    music_->Start();
  }

  void TearDown() override {
    music_.reset();
    SetTickSource({});
    system_settings.reset();
    std::filesystem::current_path(previous_folder_);
    std::error_code error;
    std::filesystem::remove_all(folder_, error);
  }

  static void WriteTrack(const std::string& name, float value) {
    const std::filesystem::path path = SyncTrackPath(kSyncBasePath, name);
    std::filesystem::create_directories(path.parent_path());
    const std::vector<uint8_t> bytes = SyncEncodeTrackFile({SyncKey{0, value}});
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }

  std::filesystem::path folder_;
  std::filesystem::path previous_folder_;
  uint32_t tick_ = 1000;
  std::unique_ptr<Music> music_;
  Camera camera_;
  KeyState keys_;
  MouseState mouse_;
};

TEST_F(CameraMusicTest, FollowsTheTrackFilesAndShakesTheSameAtTheSameTime) {
  tick_ += 250;
  music_->Update();
  UpdateCamera(&camera_, &keys_, &mouse_, 150.0f, music_.get(), false);
  EXPECT_EQ(camera_.eye, glm::vec3(-3, 4, 12));
  EXPECT_EQ(camera_.dst, glm::vec3(1, 0, -2));
  EXPECT_EQ(camera_.yfov, 70.0f);
  const glm::vec3 shake = camera_.shake;
  EXPECT_GT(glm::length(shake), 0.0f);
  EXPECT_LE(glm::length(shake), 0.2f);

  UpdateCamera(&camera_, &keys_, &mouse_, 150.0f, music_.get(), false);
  EXPECT_EQ(camera_.shake, shake);
  tick_ += 17;
  music_->Update();
  UpdateCamera(&camera_, &keys_, &mouse_, 150.0f, music_.get(), false);
  EXPECT_NE(camera_.shake, shake);
}

}  // namespace
