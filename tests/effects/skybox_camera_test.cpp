// The sky box's own camera and cube, worked out without GL.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include <glm/gtc/matrix_transform.hpp>

#include "effects/skybox.h"

namespace {

void ExpectVec3(const glm::vec3& actual, const glm::vec3& expected) {
  EXPECT_FLOAT_EQ(actual.x, expected.x);
  EXPECT_FLOAT_EQ(actual.y, expected.y);
  EXPECT_FLOAT_EQ(actual.z, expected.z);
}

Camera SceneCamera() {
  Camera camera;
  camera.name = "scene";
  camera.LookAt(10, 20, 30, 10, 20, 0, 0, 1, 0);
  camera.yfov = 60.0f;
  camera.shake = {0.5f, 0.0f, 0.0f};
  return camera;
}

TEST(SkyCamera, EyeMovesToATenthAndKeepsTheViewDirection) {
  const Camera sky = Effects::SkyCamera(SceneCamera(), 500.0f);
  ExpectVec3(sky.eye, {1, 2, 3});
  ExpectVec3(sky.dst, {1, 2, -27});
  ExpectVec3(sky.up, {0, 1, 0});
  const glm::mat4 expected = glm::lookAt(glm::vec3(1, 2, 3), glm::vec3(1, 2, -27),
                                         glm::vec3(0, 1, 0));
  for (int c = 0; c < 4; ++c) {
    for (int r = 0; r < 4; ++r) EXPECT_FLOAT_EQ(sky.view[c][r], expected[c][r]) << c << r;
  }
}

TEST(SkyCamera, PlanesFitTheBoxAndTheOtherFieldsAreCopied) {
  // init with size 50 gives a half edge of 500.
  const Camera sky = Effects::SkyCamera(SceneCamera(), 500.0f);
  EXPECT_FLOAT_EQ(sky.znear, 0.5f);
  EXPECT_FLOAT_EQ(sky.zfar, 5000.0f);
  EXPECT_EQ(sky.name, "scene");
  EXPECT_FLOAT_EQ(sky.yfov, 60.0f);
  ExpectVec3(sky.shake, {0.5f, 0.0f, 0.0f});
}

TEST(SkyBoxTriangles, TwelveTrianglesCoverEveryFaceFacingInwards) {
  const std::vector<glm::vec3>& corners = Effects::SkyBoxTriangles();
  ASSERT_EQ(corners.size(), 36u);
  std::set<std::pair<int, int>> faces;  // (axis, sign) of each triangle's face
  for (size_t t = 0; t < 36; t += 3) {
    const glm::vec3 normal =
        glm::cross(corners[t + 1] - corners[t], corners[t + 2] - corners[t]);
    for (int axis = 0; axis < 3; ++axis) {
      if (normal[axis] == 0.0f) continue;
      const float side = corners[t][axis];
      EXPECT_FLOAT_EQ(std::abs(side), 1.0f);
      // Every triangle winds the same way seen from inside the cube.
      EXPECT_LT(normal[axis] * side, 0.0f) << "triangle " << t / 3;
      faces.insert({axis, side > 0 ? 1 : -1});
    }
  }
  EXPECT_EQ(faces.size(), 6u);
}

}  // namespace
