// Camera::SetUpMatrices checked against the GL state it leaves.

#include <gtest/gtest.h>

#include <limits>

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include "support/messagebox_recorder.h"
#include "support/gl_fixture.h"
#include "util/camera/camera.h"

namespace {

using CameraGLTest = GLTest;

glm::mat4 ReadMatrix(GLenum which) {
  glm::mat4 matrix;
  glGetFloatv(which, glm::value_ptr(matrix));
  return matrix;
}

void ExpectMatrixNear(const glm::mat4& actual, const glm::mat4& expected) {
  for (int c = 0; c < 4; ++c) {
    for (int r = 0; r < 4; ++r) EXPECT_NEAR(actual[c][r], expected[c][r], 1e-5f) << c << r;
  }
}

TEST_F(CameraGLTest, ViewportIsLetterboxedAndProjectionLoaded) {
  Camera camera;
  camera.UpdateView();
  const glm::mat4 projection = camera.SetUpMatrices(1920, 1080, 2.0f);
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[0], 0);
  EXPECT_EQ(viewport[1], 60);
  EXPECT_EQ(viewport[2], 1920);
  EXPECT_EQ(viewport[3], 960);
  EXPECT_EQ(projection, camera.projection);
  ExpectMatrixNear(ReadMatrix(GL_PROJECTION_MATRIX), projection);
  ExpectMatrixNear(projection, glm::perspective(glm::radians(45.0f), 2.0f, 0.1f, 1000.0f));
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
  EXPECT_TRUE(NoGLError());
}

TEST_F(CameraGLTest, ShakeMovesTheModelViewButNotTheStoredView) {
  Camera camera;
  camera.UpdateView();
  const glm::mat4 view = camera.view;
  camera.shake = {0.1f, 0, 0};
  camera.SetUpMatrices(640, 480, 4.0f / 3.0f);
  ExpectMatrixNear(ReadMatrix(GL_MODELVIEW_MATRIX),
                   glm::translate(view, glm::vec3(0.1f, 0, 0)));
  EXPECT_EQ(camera.view, view);
}

TEST_F(CameraGLTest, LargestSideAndZeroDepthsAreAccepted) {
  Camera camera;
  camera.SetNearFar(0.0f, 0.0f + 10.0f);
  camera.SetUpMatrices(10000, 10000, 1.0f);
  camera.SetNearFar(0.0f, 0.0f);
  camera.SetUpMatrices(0, 0, 1.0f);
  EXPECT_TRUE(message_boxes().empty());
}

// The checks come before any GL call, so these need no context.
TEST(CameraDeathTest, SidesOutsideTheSaneRangeAreFatal) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  for (auto [width, height] : {std::pair{10001, 100}, {-1, 100}, {100, 10001}, {100, -1}}) {
    EXPECT_EXIT(
        {
          EchoMessageBoxesToStderr();
          Camera().SetUpMatrices(width, height, 1.0f);
        },
        testing::ExitedWithCode(1),
        "Sanity check failed on width/height " + std::to_string(width) + "/" +
            std::to_string(height));
  }
}

// An aspect that gives no picture height is refused before its height is converted.
TEST(CameraDeathTest, AspectsWithoutAPictureHeightAreFatal) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  for (const float aspect : {0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN(), 1e-30f}) {
    EXPECT_EXIT(
        {
          EchoMessageBoxesToStderr();
          Camera().SetUpMatrices(100, 100, aspect);
        },
        testing::ExitedWithCode(1), "Assert failed")
        << "aspect " << aspect;
  }
}

TEST_F(CameraGLTest, NegativeDepthRangeIsFatal) {
  EXPECT_EXIT(
      {
        Camera camera;
        camera.SetNearFar(-0.5f, 100.0f);
        camera.SetUpMatrices(100, 100, 1.0f);
      },
      testing::ExitedWithCode(1), "Invalid znear/zfar of -0.5/100");
}

}  // namespace
