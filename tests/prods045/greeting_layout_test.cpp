// Greetings spelled in cubes: how many cubes, when the instance lists are rebuilt, where the
// letters stand and how they glow.
#include <algorithm>
#include <cmath>
#include <set>

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include "production5_tracks.h"
#include "scenes/scene_cubeformers/greetinglayout.h"
#include "scenes/scene_cubeformers/greetings.h"
#include "support/test_files.h"
#include "util/camera/camera.h"
#include "util/cubefont/cubefont.h"

namespace {

size_t CubesOf(const GreetingLayout& layout, uint32_t rows, uint32_t layers) {
  return size_t{rows} * (layout.width() + 2) * (layout.height() + 2) * layers;
}

TEST(GreetingLayout, TheWidestGreetingSetsTheSlabOfEveryGreeting) {
  const CubeFont font;
  const GreetingLayout layout(font, {"I", "MW", "E"});
  EXPECT_EQ(layout.width(), 7u + 1u + 7u);
  EXPECT_EQ(layout.height(), 7u);
}

TEST(GreetingLayout, TheFirstSixteenNamesOfTheGreetingsTextAreSpelled) {
  std::string text = "# names\n\n";
  for (int i = 0; i < 20; ++i) text += "  Name " + std::to_string(i) + " \r\n";
  const std::vector<std::string> names = CubeGreetingsFromText(text);
  ASSERT_EQ(names.size(), 16u);
  EXPECT_EQ(names.front(), "Name 0");
  EXPECT_EQ(names.back(), "Name 15");
}

TEST(GreetingLayout, CubeCountsFollowRowsAndLayersAndRebuildOnlyWhenTheyChange) {
  const CubeFont font;
  std::vector<std::string> names(16, "Halcyon");
  names[3] = "Tinker Collective";
  GreetingLayout layout(font, names);
  const struct {
    float greet_num;
    float protrusion;
    uint32_t rows;
    uint32_t layers;
    uint32_t rebuilds;
  } steps[] = {
      {0.0f, 1.0f, 5, 1, 1},    // the first frame sizes the lists
      {11.5f, 1.0f, 5, 1, 1},   // still five rows: no rebuild
      {12.0f, 1.0f, 4, 1, 2},
      {14.3f, 1.0f, 2, 1, 3},   // greetings 14 and 15 only
      {14.9f, 1.4f, 2, 1, 3},
      {14.9f, 1.5f, 2, 2, 4},   // two layers
      {16.0f, 2.0f, 0, 2, 5},   // past the last greeting: nothing
      {99.0f, 2.0f, 0, 2, 5},
      {-3.0f, 1.0f, 5, 1, 6},   // before the first: from the first
      {0.0f, -2.0f, 5, 0, 7},   // no layers
      {0.0f, 1.0e9f, 5, GreetingLayout::kMaxLayers, 8},
      {std::nanf(""), std::nanf(""), 5, 0, 9},
  };
  CubeInstances cubes;
  for (const auto& step : steps) {
    GreetingTracks tracks;
    tracks.greet_num = step.greet_num;
    tracks.protrusion = step.protrusion;
    const uint32_t rows = layout.LayOut(tracks, cubes);
    EXPECT_EQ(rows, step.rows) << step.greet_num;
    EXPECT_EQ(cubes.matrices.size(), CubesOf(layout, step.rows, step.layers)) << step.greet_num;
    EXPECT_EQ(cubes.emissions.size(), cubes.matrices.size()) << step.greet_num;
    EXPECT_EQ(layout.rebuilds(), step.rebuilds) << step.greet_num << " " << step.protrusion;
  }
}

TEST(GreetingLayout, AListOtherThanTheLastOneIsSizedInsteadOfOverrun) {
  const CubeFont font;
  GreetingLayout layout(font, {"HI", "HO"});
  CubeInstances first, second;
  layout.LayOut(GreetingTracks{}, first);
  layout.LayOut(GreetingTracks{}, second);  // same rows and layers, another list
  EXPECT_EQ(second.matrices.size(), first.matrices.size());
  EXPECT_EQ(second.emissions.size(), first.matrices.size());
}

// The x positions of the cubes that stand out (set cells) in the first greeting.
std::set<float> SetColumns(const CubeInstances& cubes, size_t count) {
  std::set<float> xs;
  for (size_t i = 0; i < count; ++i) {
    if (cubes.emissions[i].x > 0.0f) xs.insert(cubes.matrices[i][3].x);
  }
  return xs;
}

TEST(GreetingLayout, AShortGreetingIsCentredInTheSlab) {
  const CubeFont font;
  GreetingLayout layout(font, {"I", "MMM"});  // slab 23 columns; 'I' is 6 wide
  GreetingTracks tracks;
  tracks.glow = 1.0f;
  CubeInstances cubes;
  ASSERT_EQ(layout.LayOut(tracks, cubes), 2u);
  const std::set<float> xs = SetColumns(cubes, CubesOf(layout, 1, 1));
  // Pitch 4, half width 46: 17 free columns, 8 of them to the left, so the letter spans
  // columns 8 to 13.
  ASSERT_EQ(xs.size(), 6u);
  EXPECT_FLOAT_EQ(*xs.begin(), 8 * 4.0f - 46.0f);
  EXPECT_FLOAT_EQ(*xs.rbegin(), 13 * 4.0f - 46.0f);
}

TEST(GreetingLayout, LettersStandOutAndTheCurrentGreetingGlowsBrightest) {
  const CubeFont font;
  GreetingLayout layout(font, {"-", "-"});
  GreetingTracks tracks;
  tracks.z_step = 3.0f;
  tracks.glow = 5.0f;
  tracks.greet_num = 0.25f;
  CubeInstances cubes;
  ASSERT_EQ(layout.LayOut(tracks, cubes), 2u);
  const size_t slab = CubesOf(layout, 1, 1);
  size_t set_cells = 0;
  for (size_t i = 0; i < cubes.matrices.size(); ++i) {
    const float emission = cubes.emissions[i].x;
    if (emission == 0.0f) continue;
    ++set_cells;
    const bool first = i < slab;
    EXPECT_FLOAT_EQ(emission, first ? 5.0f : 0.25f) << i;  // the next one fades in
    const float z = cubes.matrices[i][3].z;
    EXPECT_FLOAT_EQ(z, (first ? 0.0f : -50.0f) - 3.0f) << i;
  }
  EXPECT_EQ(set_cells, 4u);  // the dash's two cells in each greeting
}

TEST(GreetingLayout, TheFrontGreetingExplodesAwayFromItsCentreWithoutNaN) {
  const CubeFont font;
  GreetingLayout layout(font, {"HI"});
  GreetingTracks tracks;
  tracks.dist = 0.0f;  // every cube at the explosion centre: no direction
  tracks.explode_main = 10.0f;
  tracks.explode_casing = 4.0f;
  CubeInstances cubes;
  layout.LayOut(tracks, cubes);
  for (const glm::mat4& m : cubes.matrices) {
    for (int c = 0; c < 3; ++c) ASSERT_EQ(m[3][c], 0.0f);
  }
  tracks.dist = 1.0f;
  layout.LayOut(tracks, cubes);
  // Border cell (-1, -1) of a 13-column slab at pitch 2 lies at (-15, -9, 0) and moves out by
  // the casing distance.
  const glm::vec3 corner(cubes.matrices[0][3]);
  EXPECT_NEAR(glm::length(corner), std::sqrt(15.0f * 15.0f + 9.0f * 9.0f) + 4.0f, 1e-4f);
}

// The x extent of the first greeting's set cells, in cube centres.
std::pair<float, float> SetExtent(const CubeInstances& cubes, size_t count) {
  const std::set<float> xs = SetColumns(cubes, count);
  return xs.empty() ? std::pair{0.0f, 0.0f} : std::pair{*xs.begin(), *xs.rbegin()};
}

TEST(GreetingLayout, LongNamesBreakOrShrinkToTheWidestLineAllowed) {
  const CubeFont font;
  const std::string long_word(30, 'W');  // 239 cells: no space to break at
  const struct {
    std::string name;
    size_t lines;
  } cases[] = {
      {"Halcyon", 1},
      {"Tinker Collective", 2},
      {"Saltmarsh Crew", 2},
      {"A B C D E F G H I J K L M N O P Q R S T", 3},
      {long_word, 1},
      {long_word + " " + long_word, 2},
  };
  const float max_width = GreetingLayout::kMaxLineCells * 2.0f;  // pitch 2 at Dist 1
  for (const auto& c : cases) {
    EXPECT_EQ(GreetingLayout::BreakIntoLines(font, c.name).size(), c.lines) << c.name;
    GreetingLayout layout(font, {c.name});
    GreetingTracks tracks;
    tracks.dist = 1.0f;
    tracks.glow = 1.0f;
    CubeInstances cubes;
    ASSERT_EQ(layout.LayOut(tracks, cubes), 1u);
    const auto [left, right] = SetExtent(cubes, cubes.matrices.size());
    EXPECT_LE(right - left, max_width * 1.0001f) << c.name;
    EXPECT_NEAR(left + right, 0.0f, 2.0f * 2.0f) << c.name;  // centred within a column
    size_t letters_cells = 0, set_cells = 0;
    for (char ch : c.name) letters_cells += font.GetLetter(ch).set_cells;
    for (const glm::vec3& e : cubes.emissions) set_cells += e.x > 0.0f;
    EXPECT_EQ(set_cells, letters_cells) << c.name;  // no letter lost in the breaking
  }
}

// Every greeting of the list, while it is the current one and before it explodes, stands in
// the 16:9 frame of production 5's camera with a margin of a tenth of the frame's width on
// either side.
TEST(GreetingLayout, EveryGreetingFitsTheFrameOfProductionFiveWithAMargin) {
  const CubeFont font;
  const std::vector<uint8_t> text = ReadWholeFile(kGreetingsFile);
  const std::vector<std::string> names = CubeGreetingsFromText(std::string(text.begin(), text.end()));
  ASSERT_EQ(names.size(), kCubeGreetings);
  GreetingLayout layout(font, names);
  Production5Tracks p5;
  std::set<uint32_t> checked;
  CubeInstances cubes;
  for (int row = 0; row < 1000; ++row) {
    if (std::lround(p5.At("subScene", row)) != 2) continue;
    GreetingTracks tracks;
    tracks.dist = p5.At("Dist", row);
    tracks.z_step = p5.At("zDist", row);
    tracks.glow = 1.0f;
    tracks.greet_num = p5.At("greetNum", row);
    tracks.greet_spacing = p5.At("greetSpacing", row);
    tracks.protrusion = p5.At("protrusion", row);
    if (layout.LayOut(tracks, cubes) == 0) continue;
    const uint32_t g = GreetingLayout::FirstGreeting(tracks.greet_num);
    checked.insert(g);
    Camera camera;
    camera.LookAt(p5.At("cameraEyeX", row), p5.At("cameraEyeY", row), p5.At("cameraEyeZ", row),
                  p5.At("cameraDstX", row), p5.At("cameraDstY", row), p5.At("cameraDstZ", row),
                  p5.At("cameraUpX", row), p5.At("cameraUpY", row), p5.At("cameraUpZ", row));
    const glm::mat4 clip = CameraProjection(p5.At("cameraFoV", row), 16.0f / 9.0f, 0.1f, 5000.0f) *
                           camera.view;
    const size_t slab = cubes.matrices.size() / layout.RowsShown(g);
    float lo = 1.0f, hi = -1.0f;
    for (size_t i = 0; i < slab; ++i) {
      if (cubes.emissions[i].x == 0.0f) continue;
      for (float corner : {-1.0f, 1.0f}) {  // the cube spans -1 to 1 about its centre
        const glm::vec4 p = clip * (cubes.matrices[i] * glm::vec4(corner, corner, corner, 1.0f));
        ASSERT_GT(p.w, 0.0f) << names[g] << " behind the camera at row " << row;
        lo = std::min(lo, p.x / p.w);
        hi = std::max(hi, p.x / p.w);
      }
    }
    EXPECT_GE(lo, -0.8f) << names[g] << " at row " << row;
    EXPECT_LE(hi, 0.8f) << names[g] << " at row " << row;
  }
  EXPECT_EQ(checked.size(), names.size());
}

}  // namespace
