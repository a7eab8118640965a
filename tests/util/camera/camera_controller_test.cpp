// The per-frame camera controller: following the camera tracks, the repeatable shake, and the
// free-flight controls driven by the input records.

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "util/frametime.h"
#include "scenes/scene.h"
#include "tolmesystem.h"
#include "util/camera/cameracontroller.h"
#include "util/random.h"

namespace {

class CameraControllerTest : public testing::Test {
 protected:
  void SetUp() override {
    CreateSystemSettings(6, 1);
    smoothed_frame_delta = 0.1;
    tracks_ = {{"cameraEyeX", 1},  {"cameraEyeY", 2},  {"cameraEyeZ", 3},   {"cameraDstX", 4},
               {"cameraDstY", 5},  {"cameraDstZ", 6},  {"cameraUpX", 0},    {"cameraUpY", 1},
               {"cameraUpZ", 0},   {"cameraFoV", 60},  {"cameraShake", 0}};
    music_.value = [this](const std::string& name) { return tracks_.at(name); };
    music_.position = [this] { return position_; };
  }

  void Update(bool manual = false, float speed = 150.0f) {
    UpdateCamera(&camera_, &keys_, &mouse_, speed, music_, manual);
  }

  bool FreeCamera() const { return (*GetSystemSettings())->free_camera != 0; }

  Camera camera_;
  KeyState keys_;
  MouseState mouse_;
  std::map<std::string, float> tracks_;
  uint64_t position_ = 44100;
  CameraTrackSource music_;
};

TEST_F(CameraControllerTest, TrackModeFollowsTheCameraTracks) {
  Update();
  EXPECT_EQ(camera_.eye, glm::vec3(1, 2, 3));
  EXPECT_EQ(camera_.dst, glm::vec3(4, 5, 6));
  EXPECT_EQ(camera_.up, glm::vec3(0, 1, 0));
  EXPECT_EQ(camera_.yfov, 60.0f);
  Camera expected;
  expected.LookAt(1, 2, 3, 4, 5, 6, 0, 1, 0);
  EXPECT_EQ(camera_.view, expected.view);
}

TEST_F(CameraControllerTest, ZeroShakeIsExactlyZero) {
  camera_.shake = {5, 5, 5};
  Update();
  EXPECT_EQ(camera_.shake, glm::vec3(0.0f));
}

TEST_F(CameraControllerTest, ShakeRepeatsAtTheSamePositionAndStaysInsideTheRadius) {
  tracks_["cameraShake"] = 0.5f;
  Update();
  const glm::vec3 first = camera_.shake;
  EXPECT_NE(first, glm::vec3(0.0f));
  EXPECT_LE(glm::length(first), 0.5f);
  SharedRandom::Next();  // other callers drawing in between change nothing
  Update();
  EXPECT_EQ(camera_.shake, first);
  position_ += 4;
  Update();
  EXPECT_NE(camera_.shake, first);
}

TEST_F(CameraControllerTest, F11FlipsToFreeModeInTheSameFrame) {
  keys_[KeyState::kPressedOnce + VirtualKey::kF11] = 1;
  keys_['W'] = 1;
  const glm::vec3 eye = camera_.eye;
  Update();
  EXPECT_TRUE(FreeCamera());
  EXPECT_EQ(keys_[KeyState::kPressedOnce + VirtualKey::kF11], 0);
  // The tracks were not applied; the camera flew forward instead.
  EXPECT_NE(camera_.eye, glm::vec3(1, 2, 3));
  EXPECT_NE(camera_.eye, eye);
  keys_[KeyState::kPressedOnce + VirtualKey::kF11] = 1;
  Update();
  EXPECT_FALSE(FreeCamera());
  EXPECT_EQ(camera_.eye, glm::vec3(1, 2, 3));
}

TEST_F(CameraControllerTest, LeftClickIsConsumedAndLeavesTheCamera) {
  mouse_.buttons[KeyState::kPressedOnce + VirtualKey::kLeftButton] = 1;
  Update(true);
  EXPECT_EQ(mouse_.buttons[KeyState::kPressedOnce + VirtualKey::kLeftButton], 0);
  EXPECT_EQ(camera_.eye, Camera().eye);
}

TEST_F(CameraControllerTest, ManualTakesFreeControlsAndKeepsTheShake) {
  camera_.shake = {0.25f, 0, 0};
  Update(true);
  EXPECT_FALSE(FreeCamera());
  EXPECT_EQ(camera_.eye, Camera().eye);
  EXPECT_EQ(camera_.shake, glm::vec3(0.25f, 0, 0));
}

TEST_F(CameraControllerTest, WheelNarrowsTheViewAndIsCleared) {
  mouse_.wheel = 4;
  Update(true);
  EXPECT_FLOAT_EQ(camera_.yfov, 45.0f - 0.5f * 0.15f * 4);
  EXPECT_EQ(mouse_.wheel, 0);
}

TEST_F(CameraControllerTest, MoveRateScalesWithSpeedAndFrameTime) {
  camera_.LookAt(0, 0, 0, 0, 0, -10, 0, 1, 0);
  keys_['W'] = 1;
  Update(true, 100.0f);
  // 0.1 s at 100 x 0.03 units per second.
  EXPECT_NEAR(camera_.eye.z, -0.3f, 1e-5f);
}

TEST_F(CameraControllerTest, ShiftWinsOverControl) {
  camera_.LookAt(0, 0, 0, 0, 0, -10, 0, 1, 0);
  keys_[VirtualKey::kShift] = 1;
  keys_[VirtualKey::kControl] = 1;
  keys_['W'] = 1;
  mouse_.wheel = 1;
  Update(true, 100.0f);
  EXPECT_NEAR(camera_.eye.z, -0.9f, 1e-5f);                 // move rate x 3
  EXPECT_FLOAT_EQ(camera_.yfov, 45.0f - 0.5f * 0.15f);      // full mouse factor
}

TEST_F(CameraControllerTest, ControlAloneSlowsEverything) {
  camera_.LookAt(0, 0, 0, 0, 0, -10, 0, 1, 0);
  keys_[VirtualKey::kControl] = 1;
  keys_['W'] = 1;
  mouse_.wheel = 1;
  Update(true, 100.0f);
  EXPECT_NEAR(camera_.eye.z, -0.03f, 1e-6f);
  EXPECT_FLOAT_EQ(camera_.yfov, 45.0f - 0.5f * 0.015f);
}

TEST_F(CameraControllerTest, ADAndArrowKeysMoveAndTurnTheRightWay) {
  camera_.LookAt(0, 0, 0, 0, 0, -10, 0, 1, 0);
  keys_['A'] = 1;
  Update(true, 100.0f);
  EXPECT_LT(camera_.eye.x, 0.0f);  // left of a view down -z
  keys_['A'] = 0;
  keys_['D'] = 1;
  Update(true, 100.0f);
  Update(true, 100.0f);
  EXPECT_GT(camera_.eye.x, 0.0f);
  keys_['D'] = 0;
  keys_[VirtualKey::kLeft] = 1;
  Update(true);
  EXPECT_LT(camera_.dst.x - camera_.eye.x, 0.0f);  // turned left by 3.5 degrees
  EXPECT_NEAR(glm::degrees(std::atan2(-(camera_.dst.x - camera_.eye.x),
                                      -(camera_.dst.z - camera_.eye.z))),
              3.5f, 1e-3f);
}

TEST_F(CameraControllerTest, MouseTurnsOnlyWithRightButtonOrGrab) {
  camera_.LookAt(0, 0, 0, 0, 0, -10, 0, 1, 0);
  mouse_.dx = 100;
  Update(true);
  EXPECT_EQ(camera_.dst, glm::vec3(0, 0, -10));
  mouse_.grab = 1;
  Update(true);
  // Moving the mouse right turns the view right by 15 degrees.
  EXPECT_NEAR(glm::degrees(std::atan2(camera_.dst.x, -camera_.dst.z)), 15.0f, 1e-3f);
}

}  // namespace
