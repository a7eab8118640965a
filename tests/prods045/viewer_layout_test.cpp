// Where the viewer puts its cameras, default lights and grid copies around a model.
#include <cmath>

#include <gtest/gtest.h>

#include "scenes/scene_gltf/viewerlayout.h"

namespace {

TEST(ViewerLayout, SevenCamerasLookAtTheCentreFromAroundTheBox) {
  const glm::vec3 centre(1, 2, 3);
  const std::vector<CameraPose> cameras = BoundingBoxCameras(centre, 4.0f);
  ASSERT_EQ(cameras.size(), 7u);
  const float corner = std::sqrt(3.0f) * 3.0f;  // 0.75 x 4 along each axis
  const float distances[] = {3.0f, corner, corner, corner, corner, 4.0f, 4.0f};
  for (size_t i = 0; i < cameras.size(); ++i) {
    EXPECT_EQ(cameras[i].target, centre) << i;
    EXPECT_NEAR(glm::length(cameras[i].eye - centre), distances[i], 1e-4f) << i;
  }
  EXPECT_EQ(cameras[0].eye, glm::vec3(1, 2, 6));
  EXPECT_LT(cameras[5].eye.y, centre.y);  // from below
  EXPECT_GT(cameras[6].eye.y, centre.y);  // from above
  EXPECT_EQ(cameras[5].up, glm::vec3(0, 0, 1));
  // Straight up or down the look-at would have no side direction: the eye is nudged off.
  EXPECT_NE(cameras[6].eye.x, centre.x);
}

// The default lights circle well above the model (whose bounding sphere has radius 1 here),
// over the touring camera's view, and clear of it (a light close to a face washes it out next
// to a dim one), yet near enough for their shadows to reach the floor, which lies within one
// size of the centre.
TEST(ViewerLayout, DefaultLightsCircleAboveAndClearOfTheModel) {
  const glm::vec3 centre(1, 2, 3);
  const float size = 2.0f;
  for (int half_seconds = 0; half_seconds < 130; ++half_seconds) {
    glm::vec3 lights[3];
    DefaultLightPositions(centre, size, 0.5 * half_seconds, 3, lights);
    for (const glm::vec3& light : lights) {
      EXPECT_GT(light.y - centre.y, 1.5f) << half_seconds;
      EXPECT_GT(glm::distance(light, centre), size) << half_seconds;
      EXPECT_LT(glm::distance(light, centre) + size, kLightShadowReach * size) << half_seconds;
    }
  }
}

TEST(ViewerLayout, GridCopiesAreSpacedAndEveryFifthCountedCopyGlows) {
  uint64_t counter = 0;
  const GridCopies first = LayOutGrid(3.0f, counter);
  ASSERT_EQ(first.matrices.size(), kGridCopies);
  EXPECT_EQ(glm::vec3(first.matrices.front()[3]), glm::vec3(-6.0f));
  EXPECT_EQ(glm::vec3(first.matrices.back()[3]), glm::vec3(6.0f));
  EXPECT_EQ(counter, 125u);
  EXPECT_EQ(first.emissions[0], glm::vec3(first.base_colors[0]));
  EXPECT_EQ(first.emissions[1], glm::vec3(0.0f));
  // The counter runs on over models: a start at 3 makes copies 2, 7, ... glow.
  counter = 3;
  const GridCopies second = LayOutGrid(3.0f, counter);
  EXPECT_EQ(second.emissions[0], glm::vec3(0.0f));
  EXPECT_EQ(second.emissions[2], glm::vec3(second.base_colors[2]));
  const glm::vec4 tint = first.base_colors[0];
  EXPECT_NEAR(tint.r, (std::sin(-6.0f) + 1.0f) / 2.0f, 1e-6f);
  EXPECT_EQ(tint.a, 1.0f);
}

}  // namespace
