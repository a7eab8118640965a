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

TEST(ViewerLayout, DefaultLightsCircleTheCentre) {
  const glm::vec3 centre(0, 1, 0);
  const float size = 2.0f;
  for (double t : {0.0, 1.5, 40.0}) {
    glm::vec3 p[3];
    DefaultLightPositions(centre, size, t, 3, p);
    for (int i = 0; i < 3; ++i) {
      EXPECT_NEAR(glm::length(glm::vec2(p[i].x, p[i].z)), 1.1f, 1e-5f) << t << " light " << i;
    }
    EXPECT_NEAR(p[0].y, 1.0f + 0.4125f, 1e-6f);
  }
  glm::vec3 p[3];
  DefaultLightPositions(centre, size, 0.0, 3, p);
  EXPECT_NEAR(p[0].z, 1.1f, 1e-6f);
  EXPECT_NEAR(p[2].x, -1.1f, 1e-6f);
  EXPECT_EQ(DefaultLights()[1].color, glm::vec3(0.4f, 0.7f, 1.0f));
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
