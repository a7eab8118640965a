// The text-mode layer's placement: its letterboxed rectangle and the picture's pan.

#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "scenes/scene_vwmtrain/asciilayer.h"

namespace {

TEST(AsciiLayerTest, TheScreenKeepsTheAspectCentredInTheWindow) {
  const struct {
    int32_t width, height;
    float aspect;
    std::array<int32_t, 4> expected;
  } cases[] = {
      {1280, 720, 16.0f / 9.0f, {0, 0, 1280, 720}},
      {1920, 720, 16.0f / 9.0f, {320, 0, 1280, 720}},    // wider: bars left and right
      {1280, 1024, 16.0f / 9.0f, {0, 152, 1280, 720}},   // narrower: bars top and bottom
      {321, 180, 16.0f / 9.0f, {0, 0, 320, 180}},
      {640, 480, 0.0f, {0, 0, 640, 480}},
      {640, 480, NAN, {0, 0, 640, 480}},
      {640, 0, 1.5f, {0, 0, 640, 0}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(AsciiLayer::ViewportFor(c.width, c.height, c.aspect), c.expected)
        << c.width << "x" << c.height;
}

TEST(AsciiLayerTest, ThePicturePansOverItsWholeWidthAndHeight) {
  EXPECT_EQ(AsciiLayer::PanOrigin(0.0), std::make_pair(110, 30));
  int32_t lowest_x = 999, highest_x = -1, lowest_y = 999, highest_y = -1;
  for (double beat = 0; beat < 200; beat += 0.01) {
    const auto [x, y] = AsciiLayer::PanOrigin(beat);
    lowest_x = std::min(lowest_x, x);
    highest_x = std::max(highest_x, x);
    lowest_y = std::min(lowest_y, y);
    highest_y = std::max(highest_y, y);
  }
  EXPECT_EQ(lowest_x, 0);
  EXPECT_EQ(highest_x, 219);  // 220 only at the exact crest
  EXPECT_EQ(lowest_y, 0);
  EXPECT_EQ(highest_y, 30);
  EXPECT_EQ(AsciiLayer::PanOrigin(INFINITY), std::make_pair(0, 0));
}

TEST(AsciiLayerTest, FireDecayFromTracksKeepsTheDivisorPositive) {
  const struct {
    float decay, target, speed;
    double expected_decay, expected_target, expected_speed;
  } cases[] = {
      {0.1f, 0.25f, 0.2f, 0.1f, 0.25f, 0.2f * 0.001},
      {-5, -1, 0.2f, 0, 0, 0.2f * 0.001},
      {1, 1, 5000, 1, 1, 1},
      {1, 1, -5000, 1, 1, -1},
      {NAN, NAN, NAN, 0, 0, 0},
  };
  for (const auto& c : cases) {
    const auto s = AsciiLayerSettings::FromTracks([&](const std::string& name) {
      if (name == "fireDecay") return c.decay;
      if (name == "fireDecayTarget") return c.target;
      if (name == "fireDecaySpeed") return c.speed;
      return 0.0f;
    });
    EXPECT_DOUBLE_EQ(s.decay, c.expected_decay);
    EXPECT_DOUBLE_EQ(s.decay_target, c.expected_target);
    EXPECT_NEAR(s.decay_speed, c.expected_speed, 1e-12);
  }
}

}  // namespace
