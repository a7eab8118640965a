// The fire field: its colour gradient and where the hot cells' cubes go.

#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "scenes/scene_vwmtrain/firefield.h"

namespace {

void ExpectNear(const glm::vec4& a, const glm::vec4& b, float t) {
  for (int k = 0; k < 4; ++k) EXPECT_NEAR(a[k], b[k], 1e-5f) << "t " << t << " channel " << k;
}

TEST(FireGradientTest, KeysAndBlendsBetweenThem) {
  const struct {
    float t;
    glm::vec4 color;
    glm::vec3 emission;
  } cases[] = {
      {1.0f, {1, 1, 1, 1}, {1, 1, 1}},
      {0.7f, {1, 1, 0.5f, 1}, {0.85f, 0.85f, 0.5f}},
      {0.4f, {1, 1, 0, 1}, {0.7f, 0.7f, 0}},
      {0.2f, {1, 0.15f / 0.35f, 0, 1}, {0.3f + 0.4f * 0.15f / 0.35f, 0.7f * 0.15f / 0.35f, 0}},
      {0.05f, {1, 0, 0, 1}, {0.3f, 0, 0}},
      {0.025f, {0.5f, 0, 0, 1}, {0.15f, 0, 0}},
      {0.0f, {0, 0, 0, 1}, {0, 0, 0}},
      {1.5f, {1, 1, 1, 1}, {1, 1, 1}},  // outside 0..1: the nearest end
      {-1.0f, {0, 0, 0, 1}, {0, 0, 0}},
  };
  for (const auto& c : cases) {
    const FireColor got = FireField::Gradient(c.t);
    ExpectNear(got.color, c.color, c.t);
    ExpectNear(glm::vec4(got.emission, 0), glm::vec4(c.emission, 0), c.t);
  }
}

using Heat = std::array<uint8_t, FireField::kColumns * FireField::kRows>;

glm::vec3 PlaceOf(const FireFieldSettings& s, int column, int row, uint8_t heat) {
  Heat cells{};
  cells[row * FireField::kColumns + column] = heat;
  const InstanceSet cubes = FireField::Build(s, cells);
  EXPECT_EQ(cubes.size(), 1u);
  return cubes.size() == 1 ? glm::vec3(cubes.matrices[0][3]) : glm::vec3(NAN);
}

TEST(FireFieldTest, TheHottestCellSitsOnItsColumn) {
  FireFieldSettings s;
  s.scale = 100.0f;  // f = 1: world units
  s.position = {5, 6, 7};
  const glm::vec3 at = PlaceOf(s, 41, 48, 255);
  EXPECT_FLOAT_EQ(at.x, 2.1f + 5);
  EXPECT_FLOAT_EQ(at.y, 2.1f + 6 - 1);
  EXPECT_FLOAT_EQ(at.z, 7);
}

TEST(FireFieldTest, CoolerCellsSpreadFurtherOutUpAndSideways) {
  FireFieldSettings s;
  s.scale = 100.0f;
  const glm::vec3 hot = PlaceOf(s, 60, 20, 250);
  const glm::vec3 cool = PlaceOf(s, 60, 20, 60);
  EXPECT_GT(cool.x, hot.x);
  EXPECT_GT(cool.y, hot.y);
  EXPECT_LT(cool.z, hot.z);  // the default lean is negative
}

TEST(FireFieldTest, ScaleShrinksThePlacementNotThePositionTracks) {
  FireFieldSettings s;
  s.scale = 1.5f;
  s.position = {3, 0, 0};
  const glm::vec3 at = PlaceOf(s, 40, 48, 255);
  EXPECT_FLOAT_EQ(at.x, 3.0f);  // the position is in world units whatever the scale
  EXPECT_NEAR(at.y, (2.1f - 1.0f) * 0.015f, 1e-6f);
}

TEST(FireFieldTest, ColdCellsTheBottomRowAndAZeroScalePlaceNothing) {
  Heat cells{};
  cells.fill(0);
  FireFieldSettings s;
  EXPECT_EQ(FireField::Build(s, cells).size(), 0u);
  for (int q = 0; q < FireField::kColumns; ++q) cells[49 * FireField::kColumns + q] = 200;
  EXPECT_EQ(FireField::Build(s, cells).size(), 0u);
  cells.fill(90);
  EXPECT_EQ(FireField::Build(s, cells).size(), 80u * 49u);
  s.scale = 0.0f;
  EXPECT_EQ(FireField::Build(s, cells).size(), 0u);
}

}  // namespace
