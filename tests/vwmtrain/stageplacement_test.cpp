// Where the stage's models go: counts from tracks, the clowns and monitor standing on their
// heights, the hop, the light box and the container row.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "scenes/scene_vwmtrain/stageplacement.h"

namespace {

TEST(StagePlacementTest, CountsFromTracksAreWholeAndBounded) {
  const struct {
    float value;
    int32_t most, expected;
  } cases[] = {{3, 10, 3}, {3.7f, 10, 3}, {0, 10, 0}, {-2, 10, 0}, {NAN, 10, 0}, {1e20f, 10, 10}};
  for (const auto& c : cases) EXPECT_EQ(StagePlacement::CountOf(c.value, c.most), c.expected);
}

TEST(StagePlacementTest, ClownsStandOnTheirHeightInACentredGrid) {
  ClownSettings s;
  s.scale = 0.5f;
  s.count_x = 3;
  s.count_z = 2;
  s.step = 4.0f;
  s.position = {10, 1, 0};
  s.turn = 0.3f;
  const auto clowns = StagePlacement::Clowns(s, -2.0f);
  ASSERT_EQ(clowns.size(), 6u);
  // The model's lowest point (y = -2 at scale 1) lands on y = 1.
  EXPECT_FLOAT_EQ((clowns[0] * glm::vec4(0, -2, 0, 1)).y, 1.0f);
  EXPECT_FLOAT_EQ(clowns[0][3].x, 6.0f);
  EXPECT_FLOAT_EQ(clowns[5][3].x, 14.0f);
  EXPECT_FLOAT_EQ(clowns[0][3].z, -2.0f);
  EXPECT_FLOAT_EQ(clowns[1][3].z, 2.0f);
}

// The grid centres on the track value, not on the clown count: while a count ramps the clowns
// slide, and a new row appears where the value crosses a whole number.
TEST(StagePlacementTest, ClownGridSlidesWithAFractionalCount) {
  const struct {
    float track;
    std::vector<float> columns;  // x of each column, in steps
  } cases[] = {
      {1.0f, {0.0f}},
      {1.5f, {-0.25f, 0.75f}},
      {2.0f, {-0.5f, 0.5f}},
      {2.01f, {-0.505f, 0.495f, 1.495f}},
      {0.0f, {}},
      {NAN, {}},
      {-3.0f, {}},
  };
  for (const auto& c : cases) {
    const ClownSettings s = ClownSettings::FromTracks([&](const std::string& name) {
      if (name == "clownNumX") return c.track;
      if (name == "clownNumZ") return 1.0f;
      if (name == "clownStep" || name == "clownScale") return 1.0f;
      return 0.0f;
    });
    const auto clowns = StagePlacement::Clowns(s, 0.0f);
    ASSERT_EQ(clowns.size(), c.columns.size()) << c.track;
    for (size_t i = 0; i < clowns.size(); ++i) EXPECT_NEAR(clowns[i][3].x, c.columns[i], 1e-5f) << c.track;
  }
}

TEST(StagePlacementTest, TheMonitorSitsOnItsHeightAndHopsOncePerUnit) {
  CrtSettings s;
  s.scale = 2.0f;
  s.position = {0, 3, 0};
  s.hop_height = 5.0f;
  const glm::vec3 lo{-1, -0.5f, -2}, hi{1, 1, 2};
  const struct {
    float progress, lift;
  } cases[] = {{0, 0}, {0.5f, 5}, {1.5f, 5}, {2, 0}, {-0.5f, 5}, {INFINITY, 0}, {NAN, 0}};
  for (const auto& c : cases) {
    s.hop_progress = c.progress;
    const glm::mat4 m = StagePlacement::Crt(s, lo, hi);
    EXPECT_NEAR((m * glm::vec4(0, lo.y, 0, 1)).y, 3.0f + c.lift, 1e-4f) << c.progress;
    EXPECT_FLOAT_EQ(m[3].x, 2.0f);
    EXPECT_FLOAT_EQ(m[3].z, 4.0f);
  }
}

TEST(StagePlacementTest, TheLightBoxSurroundsTheLight) {
  const glm::vec3 light{3, 1.5f, 1};
  const auto box = StagePlacement::LightBox(light, 45.0f, 3.0f, 4.0f);
  glm::vec3 sum(0);
  for (const glm::mat4& m : box) {
    EXPECT_NEAR(glm::length(glm::vec3(m[3]) - light), 4.0f * 0.03f, 1e-5f);
    sum += glm::vec3(m[3]) - light;
  }
  EXPECT_NEAR(glm::length(sum), 0.0f, 1e-5f);
}

TEST(StagePlacementTest, ContainersLineUpAlongZ) {
  RecyclingSettings s;
  s.x = 2;
  s.z = -1;
  s.distance = 5;
  const struct {
    int32_t count;
  } cases[] = {{0}, {1}, {4}};
  for (const auto& c : cases) {
    s.count = c.count;
    const auto row = StagePlacement::Recycling(s);
    ASSERT_EQ(row.size(), static_cast<size_t>(c.count));
    for (int32_t k = 0; k < c.count; ++k) EXPECT_EQ(glm::vec3(row[k][3]), glm::vec3(2, 0, -1 + 5 * k));
  }
  const auto fractional = RecyclingSettings::FromTracks(
      [](const std::string& name) { return name == "recyInstances" ? 2.5f : 0.0f; });
  EXPECT_EQ(fractional.count, 3);  // k = 0, 1, 2 are below 2.5
}

}  // namespace
