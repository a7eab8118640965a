// The rastafield: the same stars every frame, spread over the kinds, no NaN from zero ranges.

#include <gtest/gtest.h>

#include <cmath>

#include "scenes/scene_vwmtrain/rastafield.h"

namespace {

TEST(RastafieldTest, EveryFrameBuildsTheSameStarsTurnedByTheBeat) {
  RastafieldSettings s;
  s.stars = 10;
  s.position = {1, 2, 3};
  const auto a = Rastafield::Build(s, 4.0);
  EXPECT_EQ(a, Rastafield::Build(s, 4.0));
  const size_t expected[] = {3, 3, 2, 2};
  const auto b = Rastafield::Build(s, 5.0);
  for (int kind = 0; kind < Rastafield::kKinds; ++kind) {
    ASSERT_EQ(a[kind].size(), expected[kind]);
    for (size_t i = 0; i < a[kind].size(); ++i) {
      const glm::vec3 at(a[kind][i][3]);
      EXPECT_EQ(at, glm::vec3(b[kind][i][3]));  // the same height at another beat
      EXPECT_EQ(at.x, 1.0f);
      EXPECT_EQ(at.z, 3.0f);
      EXPECT_GE(at.y, 2.0f);
      EXPECT_LT(at.y, 22.0f);
    }
  }
  EXPECT_NE(a[0][1], b[0][1]);  // but turned further
}

TEST(RastafieldTest, StarHeightsAreSpreadNotStacked) {
  RastafieldSettings s;
  s.stars = 64;
  float lowest = 1e9f, highest = -1e9f;
  for (const auto& kind : Rastafield::Build(s, 1.0)) {
    for (const auto& m : kind) {
      lowest = std::min(lowest, m[3].y);
      highest = std::max(highest, m[3].y);
    }
  }
  EXPECT_GT(highest - lowest, 10.0f);
}

TEST(RastafieldTest, ZeroRangesGiveNoNotANumber) {
  RastafieldSettings s;
  s.stars = 8;
  s.y_range = 0.0f;
  s.rot_speed = 0.0f;
  for (const auto& kind : Rastafield::Build(s, 3.0))
    for (const auto& m : kind)
      for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) ASSERT_TRUE(std::isfinite(m[c][r]));
}

TEST(RastafieldTest, StarCountFromTheTrackIsWholeAndBounded) {
  const struct {
    float track;
    int32_t expected;
  } cases[] = {{256, 256}, {3.9f, 3}, {-4, 0}, {NAN, 0}, {1e12f, Rastafield::kMaxStars}};
  for (const auto& c : cases) {
    const auto s = RastafieldSettings::FromTracks(
        [&](const std::string& name) { return name == "rastaNumStars" ? c.track : 1.0f; });
    EXPECT_EQ(s.stars, c.expected) << c.track;
  }
}

}  // namespace
