// The ball grid of TwBalls from given track values: counts, positions, scales, the running
// twist and the colour ramp.
#include <cmath>
#include <limits>

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include "scenes/scene_twballs/twballsgrid.h"
#include "util/helpers.h"

namespace {

glm::vec3 Translation(const glm::mat4& m) { return glm::vec3(m[3]); }

TEST(TwBallsGrid, BallsAlongAnAxisFollowTheCountTrack) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const struct {
    float track;
    uint32_t balls;
  } cases[] = {{5, 5}, {2.5f, 3}, {0.001f, 1}, {1, 1}, {0, 0}, {-3, 0}, {nan, 0},
               {1.0e9f, kMaxBallsPerAxis}, {std::numeric_limits<float>::infinity(), kMaxBallsPerAxis}};
  for (const auto& c : cases) EXPECT_EQ(BallsAlongAxis(c.track), c.balls) << c.track;
}

TEST(TwBallsGrid, DefaultsGiveFiveCubedBallsTwoApartOfScaleOne) {
  TwBallsGrid grid;
  BuildTwBallsGrid(TwBallsTracks{}, grid);
  ASSERT_EQ(grid.matrices.size(), 125u);
  ASSERT_EQ(grid.colors.size(), 125u);
  EXPECT_EQ(Translation(grid.matrices.front()), glm::vec3(0, 0, 0));
  EXPECT_EQ(Translation(grid.matrices[1]), glm::vec3(0, 0, 2));
  EXPECT_EQ(Translation(grid.matrices[5]), glm::vec3(0, 2, 0));
  EXPECT_EQ(Translation(grid.matrices[25]), glm::vec3(2, 0, 0));
  EXPECT_EQ(Translation(grid.matrices.back()), glm::vec3(8, 8, 8));
  for (const glm::mat4& m : grid.matrices) EXPECT_EQ(glm::length(glm::vec3(m[0])), 1.0f);
}

TEST(TwBallsGrid, ColourRunsFromTheFirstColourToEightTenthsOfTheWay) {
  TwBallsGrid grid;
  const TwBallsTracks tracks;
  BuildTwBallsGrid(tracks, grid);
  const glm::vec3 first = HSLToRGB({0.2f, 1.0f, 0.5f});
  const glm::vec3 second = HSLToRGB({0.7f, 1.0f, 0.5f});
  EXPECT_EQ(grid.colors.front(), glm::vec4(first, 0.5f));
  const glm::vec4 last = grid.colors.back();
  const glm::vec3 expected = first * 0.2f + second * 0.8f;
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(last[c], expected[c], 1e-5f);
  EXPECT_NEAR(last.a, 0.5f, 1e-6f);
}

TEST(TwBallsGrid, SpacingExponentAndSizeGrowthShapeTheColumns) {
  TwBallsTracks tracks;
  tracks.num_x = 4;
  tracks.num_y = 1;
  tracks.num_z = 1;
  tracks.dist_x_mul = 2;
  tracks.size_mul = 101;
  TwBallsGrid grid;
  BuildTwBallsGrid(tracks, grid);
  ASSERT_EQ(grid.matrices.size(), 4u);
  const float columns[] = {0, 2, 8, 18};
  for (int x = 0; x < 4; ++x) {
    EXPECT_FLOAT_EQ(Translation(grid.matrices[x]).x, columns[x]) << x;
    EXPECT_NEAR(glm::length(glm::vec3(grid.matrices[x][0])), x + 1.0f, 1e-5f) << x;
  }
}

TEST(TwBallsGrid, NegativeExponentKeepsTheFirstColumnAtTheOriginInsteadOfInfinity) {
  TwBallsTracks tracks;
  tracks.num_y = tracks.num_z = 1;
  tracks.num_x = 3;
  tracks.dist_x_mul = -1;
  tracks.pos_x = 1;
  TwBallsGrid grid;
  BuildTwBallsGrid(tracks, grid);
  const float columns[] = {1, 3, 2};  // origin, 1 x 2 + 1, 0.5 x 2 + 1
  for (int x = 0; x < 3; ++x) EXPECT_FLOAT_EQ(Translation(grid.matrices[x]).x, columns[x]) << x;
}

TEST(TwBallsGrid, TwistAccumulatesOverTheWholeGrid) {
  TwBallsTracks tracks;
  tracks.rot_z = 1;
  TwBallsGrid grid;
  BuildTwBallsGrid(tracks, grid);
  // The 125th ball sits under 125 turns of 0.1 radians about z.
  const glm::mat4 turned = glm::rotate(glm::mat4(1.0f), 12.5f, glm::vec3(0, 0, 1));
  const glm::vec3 expected = glm::vec3(turned * glm::vec4(8, 8, 8, 1));
  const glm::vec3 actual = Translation(grid.matrices.back());
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(actual[c], expected[c], 1e-3f) << c;
}

TEST(TwBallsGrid, AnyEmptyAxisGivesNoBalls) {
  for (float empty : {0.0f, -1.0f}) {
    TwBallsTracks tracks;
    tracks.num_y = empty;
    TwBallsGrid grid;
    grid.matrices.resize(3);
    BuildTwBallsGrid(tracks, grid);
    EXPECT_TRUE(grid.matrices.empty());
    EXPECT_TRUE(grid.colors.empty());
  }
}

}  // namespace
