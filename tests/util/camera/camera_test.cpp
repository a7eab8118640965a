// Camera moves and the letterbox and projection arithmetic, without GL.

#include <gtest/gtest.h>

#include <glm/glm.hpp>

#include "util/camera/camera.h"

namespace {

void ExpectNear(const glm::vec3& actual, const glm::vec3& expected, float tolerance = 1e-5f) {
  EXPECT_NEAR(actual.x, expected.x, tolerance);
  EXPECT_NEAR(actual.y, expected.y, tolerance);
  EXPECT_NEAR(actual.z, expected.z, tolerance);
}

Camera LookingDownZ() {
  Camera camera;
  camera.LookAt(0, 0, 0, 0, 0, -5, 0, 1, 0);
  return camera;
}

TEST(CameraMoves, TurnNinetyKeepsEyeAndUpAndPutsTargetOneUnitAway) {
  Camera camera;
  const glm::vec3 eye = camera.eye;
  camera.Turn(90);
  ExpectNear(camera.eye, eye);
  EXPECT_NEAR(glm::length(camera.dst - camera.eye), 1.0f, 1e-5f);
  ExpectNear(camera.up, {0, 1, 0});
  // The new direction is at right angles to the old one.
  EXPECT_NEAR(glm::dot(camera.dst - camera.eye, glm::normalize(-eye)), 0.0f, 1e-5f);
}

TEST(CameraMoves, PositiveTurnSwingsTheViewToTheLeft) {
  Camera camera = LookingDownZ();
  camera.Turn(90);
  // Looking down -z with y up, left is -x.
  ExpectNear(camera.dst, {-1, 0, 0});
}

TEST(CameraMoves, MoveForwardShiftsEyeAndTargetAlongTheView) {
  Camera camera = LookingDownZ();
  camera.MoveForward(2);
  ExpectNear(camera.eye, {0, 0, -2});
  ExpectNear(camera.dst, {0, 0, -7});
}

TEST(CameraMoves, PositiveStrafeMovesLeftNegativeRight) {
  Camera camera = LookingDownZ();
  camera.Strafe(3);
  ExpectNear(camera.eye, {-3, 0, 0});
  camera.Strafe(-5);
  ExpectNear(camera.eye, {2, 0, 0});
  ExpectNear(camera.dst, {2, 0, -5});
}

TEST(CameraMoves, MoveUpUsesTheStoredUpVector) {
  Camera camera;
  camera.LookAt(0, 0, 0, 0, 0, -1, 0, 2, 0);
  camera.MoveUp(1.5f);
  ExpectNear(camera.eye, {0, 3, 0});
  ExpectNear(camera.dst, {0, 3, -1});
}

TEST(CameraMoves, PositivePitchRaisesTheViewAndKeepsUpPerpendicular) {
  Camera camera = LookingDownZ();
  camera.Pitch(30);
  const glm::vec3 direction = camera.dst - camera.eye;
  EXPECT_NEAR(glm::length(direction), 1.0f, 1e-5f);
  EXPECT_GT(direction.y, 0.0f);
  EXPECT_NEAR(direction.y, 0.5f, 1e-5f);
  EXPECT_NEAR(glm::dot(direction, camera.up), 0.0f, 1e-5f);
  EXPECT_GT(camera.up.y, 0.0f);
}

TEST(CameraMoves, TiltRollsUpAboutTheViewOnly) {
  Camera camera = LookingDownZ();
  camera.Tilt(90);
  ExpectNear(camera.eye, {0, 0, 0});
  ExpectNear(camera.dst, {0, 0, -5});
  EXPECT_NEAR(glm::dot(camera.up, glm::vec3(0, 0, 1)), 0.0f, 1e-5f);
  EXPECT_NEAR(std::abs(camera.up.x), 1.0f, 1e-5f);
}

TEST(CameraMoves, EveryMoveUpdatesTheView) {
  Camera camera = LookingDownZ();
  camera.MoveForward(1);
  // The eye maps to the view-space origin.
  const glm::vec4 eye_in_view = camera.view * glm::vec4(camera.eye, 1.0f);
  ExpectNear(glm::vec3(eye_in_view), {0, 0, 0});
}

TEST(CameraLetterbox, FillsTheWidthAndCentresVertically) {
  const CameraViewport wide = LetterboxViewport(1920, 1080, 2.0f);
  EXPECT_EQ(wide.x, 0);
  EXPECT_EQ(wide.y, 60);
  EXPECT_EQ(wide.width, 1920);
  EXPECT_EQ(wide.height, 960);
  const CameraViewport no_height = LetterboxViewport(1000, 0, 2.0f);
  EXPECT_EQ(no_height.y, -249);
  EXPECT_EQ(no_height.height, 500);
}

TEST(CameraProjection, MatchesThePerspectiveOfTheFieldOfView) {
  const glm::mat4 p = CameraProjection(90.0f, 2.0f, 1.0f, 3.0f);
  EXPECT_NEAR(p[0][0], 0.5f, 1e-6f);
  EXPECT_NEAR(p[1][1], 1.0f, 1e-6f);
  EXPECT_NEAR(p[2][2], -2.0f, 1e-6f);
  EXPECT_EQ(p[2][3], -1.0f);
  EXPECT_NEAR(p[3][2], -3.0f, 1e-6f);
  EXPECT_EQ(p[3][3], 0.0f);
  // The near plane maps to depth -1 and the far plane to +1.
  const glm::vec4 near_point = p * glm::vec4(0, 0, -1, 1);
  const glm::vec4 far_point = p * glm::vec4(0, 0, -3, 1);
  EXPECT_NEAR(near_point.z / near_point.w, -1.0f, 1e-6f);
  EXPECT_NEAR(far_point.z / far_point.w, 1.0f, 1e-6f);
}

}  // namespace
