// Which cubes a frame without shadows may leave out: those whose sphere lies wholly outside the
// view. A camera at the origin looking down -z, 90 degrees each way, planes 1 and 100.
#include <gtest/gtest.h>

#include <glm/gtc/matrix_transform.hpp>

#include "scenes/scene_cubeformers/instanceculling.h"

namespace {

const glm::mat4 kView = glm::perspective(glm::radians(90.0f), 1.0f, 1.0f, 100.0f);

TEST(InstanceCulling, KeepsEveryCubeWhoseSphereMayMeetTheView) {
  const struct {
    const char* name;
    glm::vec3 at;
    float scale;
    bool kept;
  } cases[] = {
      {"straight ahead", {0, 0, -10}, 1, true},
      {"behind the eye", {0, 0, 10}, 1, false},
      {"right of the view, sphere reaching in", {10.5f, 0, -10}, 1, true},
      {"right of the view, sphere clear of it", {12, 0, -10}, 1, false},
      {"below the view, sphere clear of it", {0, -12, -10}, 1, false},
      {"past the far plane", {0, 0, -102}, 1, false},
      {"past the far plane, reaching back", {0, 0, -100.5f}, 1, true},
      {"before the near plane, reaching past it", {0, 0, -0.2f}, 1, true},
      {"clear of the view but scaled to reach in", {12, 0, -10}, 3, true},
  };
  for (const auto& c : cases) {
    CubeInstances all;
    all.matrices = {glm::scale(glm::translate(glm::mat4(1.0f), c.at), glm::vec3(c.scale))};
    all.emissions = {glm::vec3(0.5f)};
    CubeInstances shown;
    KeepInstancesInView(kView, 1.0f, all, shown);
    EXPECT_EQ(shown.matrices.size(), c.kept ? 1u : 0u) << c.name;
    EXPECT_EQ(shown.emissions.size(), shown.matrices.size()) << c.name;
  }
}

TEST(InstanceCulling, KeptCubesKeepTheirOrderAndTheirOwnEmission) {
  CubeInstances all;
  const float xs[] = {0, 50, -2, -60, 3};
  for (size_t i = 0; i < 5; ++i) {
    all.matrices.push_back(glm::translate(glm::mat4(1.0f), {xs[i], 0, -10}));
    all.emissions.push_back(glm::vec3(static_cast<float>(i)));
  }
  CubeInstances shown;
  shown.Resize(7);  // what a previous frame left is replaced
  KeepInstancesInView(kView, 1.0f, all, shown);
  ASSERT_EQ(shown.matrices.size(), 3u);
  const size_t expected[] = {0, 2, 4};
  for (size_t k = 0; k < 3; ++k) {
    EXPECT_EQ(shown.matrices[k], all.matrices[expected[k]]) << k;
    EXPECT_EQ(shown.emissions[k], all.emissions[expected[k]]) << k;
  }
}

}  // namespace
