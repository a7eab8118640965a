// The spectrum bars: band edges, band heights, and the rows and cubes of a frame.

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "scenes/scene_vwmtrain/fftbars.h"

namespace {

using Edges = std::vector<std::pair<int32_t, int32_t>>;

TEST(FftBandEdgesTest, BandsSplitTheBinsLogarithmically) {
  const struct {
    int32_t bands;
    Edges edges;
  } cases[] = {
      {-3, {}},
      {0, {}},
      {1, {{0, 1}}},  // bin 0 alone, with no division by zero
      {2, {{0, 1}, {1, 1024}}},
      {3, {{0, 1}, {1, 32}, {32, 1024}}},
      {16,
       {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 6}, {6, 10}, {10, 16}, {16, 25}, {25, 40}, {40, 64},
        {64, 101}, {101, 161}, {161, 256}, {256, 406}, {406, 645}, {645, 1024}}},
  };
  for (const auto& c : cases) EXPECT_EQ(FftBars::BandEdges(c.bands), c.edges) << c.bands;
}

TEST(FftBandEdgesTest, ManyBandsStayInsideTheSpectrumAndEndAtTheLimit) {
  for (int32_t bands : {200, 256, 5000}) {
    const Edges edges = FftBars::BandEdges(bands);
    ASSERT_EQ(edges.size(), static_cast<size_t>(std::min(bands, FftBars::kMaxBands)));
    int32_t lo = 0;
    for (const auto& [from, to] : edges) {
      EXPECT_EQ(from, lo);
      EXPECT_GE(to, from);
      EXPECT_LE(to, 1024);
      lo = to;
    }
  }
}

TEST(FftBandValueTest, SumOverBinsScaledAndHeldAtTheCeiling) {
  std::vector<float> spectrum(1024, 0.5f);
  const struct {
    std::pair<int32_t, int32_t> edge;
    float scale, multiplier, row_factor, ceiling, expected;
  } cases[] = {
      {{0, 1}, 0.01f, 4, 10, 100, 0.5f / 1.01f * 40},
      {{4, 6}, 0.5f, 1, 1, 100, 1.0f / 2.0f},
      {{4, 6}, 0.5f, 4, 10, 8, 8},                 // ceiling
      {{4, 6}, -0.5f, 4, 10, 8, 0},                // the divisor would be 0
      {{1024, 1024}, 0.01f, 4, 10, 8, 0},          // an empty band past the bins
  };
  for (const auto& c : cases) {
    EXPECT_FLOAT_EQ(FftBars::BandValue(spectrum, c.edge, c.scale, c.multiplier, c.row_factor,
                                       c.ceiling),
                    c.expected)
        << c.edge.first << ".." << c.edge.second;
  }
}

FftBarSettings Plain(int32_t bands, int32_t rows) {
  FftBarSettings s;
  s.bands = bands;
  s.rows = rows;
  s.voxelize = false;
  return s;
}

TEST(FftBarsTest, RowsFollowTheSixteenthBeatsUpToTheRowCount) {
  FftSnapshots snapshots;
  snapshots.Build(64, [](float* out, double) { std::fill(out, out + 1024, 0.0f); });
  const std::vector<float> live(1024, 0.0f);
  const struct {
    double beat;
    int32_t rows;
    size_t expected_rows;
  } cases[] = {
      {-1.0, 64, 0}, {0.0, 64, 0},  // nothing before and at the very start
      {1.0, 64, 16}, {10.0, 4, 4}, {10.0, 0, 0},
      {1e12, 3, 3},  // far past the end: the old rows read silence
  };
  for (const auto& c : cases) {
    const InstanceSet cubes = FftBars::Build(Plain(8, c.rows), c.beat, snapshots, live);
    EXPECT_EQ(cubes.size(), c.expected_rows * 8) << c.beat;
    EXPECT_EQ(cubes.base_colors.size(), cubes.size());
    EXPECT_EQ(cubes.emissions.size(), cubes.size());
  }
}

TEST(FftBarsTest, MovingRowsKeepTheirDepthStillRowsStartAtTheOffset) {
  FftSnapshots snapshots;
  const std::vector<float> live(1024, 0.0f);
  FftBarSettings s = Plain(1, 2);
  s.box_scale = 1.0f;
  s.spacing = 2.0f;
  s.z_offset = 80.0f;
  const auto depth = [&](double beat, size_t row) {
    return FftBars::Build(s, beat, snapshots, live).matrices[row][3].z;
  };
  EXPECT_FLOAT_EQ(depth(1.0, 0), 16 * 2.0f - 80.0f);
  EXPECT_FLOAT_EQ(depth(1.0625, 1), 16 * 2.0f - 80.0f);  // the same sixteenth, one row older
  s.moving = false;
  EXPECT_FLOAT_EQ(depth(1.0, 0), -80.0f);
  EXPECT_FLOAT_EQ(depth(1.0, 1), -82.0f);
}

TEST(FftBarsTest, VoxelStacksAreBoundedAndFinite) {
  FftSnapshots snapshots;
  const std::vector<float> live(1024, 1.0f);
  FftBarSettings s;
  s.bands = 4;
  s.rows = 1;
  s.ceiling = 1e9f;
  s.multiplier = 1e6f;
  const struct {
    float spacing;
    float color_range;
    size_t most_per_bar;
  } cases[] = {
      {2.05f, 7.0f, FftBars::kMaxCubesPerBar},
      {0.0f, 7.0f, 1},   // would never use its height budget up
      {-1.0f, 7.0f, 1},
      {2.05f, 0.0f, FftBars::kMaxCubesPerBar},  // no colour range: no 0/0
  };
  for (const auto& c : cases) {
    s.spacing = c.spacing;
    s.color_range = c.color_range;
    const InstanceSet cubes = FftBars::Build(s, 1.0, snapshots, live);
    EXPECT_EQ(cubes.size(), 4 * c.most_per_bar) << c.spacing;
    for (size_t i = 0; i < cubes.size(); ++i) {
      for (int k = 0; k < 3; ++k) EXPECT_TRUE(std::isfinite(cubes.base_colors[i][k]));
      for (int k = 0; k < 3; ++k) EXPECT_TRUE(std::isfinite(cubes.matrices[i][3][k]));
    }
  }
}

// Each count alone is bounded, and so is their product: the newest rows are kept.
TEST(FftBarsTest, TheCubesOfAFrameAreBoundedWithTheNewestRowsKept) {
  FftSnapshots snapshots;
  snapshots.Build(400, [](float* out, double) { std::fill(out, out + 1024, 1.0f); });
  const std::vector<float> live(1024, 1.0f);
  const struct {
    int32_t bands, rows;
    bool voxelize;
    size_t expected;
  } cases[] = {
      {16, 64, false, 16 * 64},
      {256, 256, false, 256 * 256},  // exactly the bound
      {256, 256, true, FftBars::kMaxInstances},
      {16, 256, true, FftBars::kMaxInstances},
  };
  for (const auto& c : cases) {
    FftBarSettings s = Plain(c.bands, c.rows);
    s.voxelize = c.voxelize;
    s.ceiling = 1e9f;
    s.multiplier = 1e6f;
    const InstanceSet cubes = FftBars::Build(s, 20.0, snapshots, live);
    EXPECT_EQ(cubes.size(), c.expected) << c.bands << " " << c.rows;
    EXPECT_EQ(cubes.base_colors.size(), cubes.size());
    ASSERT_FALSE(cubes.matrices.empty());
    // Moving rows: the newest row (sixteenth 320) is the one nearest the viewer.
    EXPECT_FLOAT_EQ(cubes.matrices.front()[3].z, (320 * s.spacing - s.z_offset) * s.box_scale);
  }
}

TEST(FftBarsTest, TrackCountsAreRoundedAndBounded) {
  const struct {
    float bands, rows;
    int32_t expected_bands, expected_rows;
  } cases[] = {
      {16, 64, 16, 64}, {15.5f, 63.4f, 16, 63}, {-2, -1, 0, 0}, {1e9f, 1e9f, 256, 256},
      {NAN, NAN, 0, 0},
  };
  for (const auto& c : cases) {
    const auto s = FftBarSettings::FromTracks([&](const std::string& name) {
      if (name == "fftrBands") return c.bands;
      if (name == "fftrRows") return c.rows;
      return 1.0f;
    });
    EXPECT_EQ(s.bands, c.expected_bands);
    EXPECT_EQ(s.rows, c.expected_rows);
  }
}

}  // namespace
