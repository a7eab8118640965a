// The block and ribbon arrangements of CubeFormers: positions, explosion, flashing cubes.
#include <algorithm>
#include <cmath>

#include <glm/gtc/constants.hpp>

#include <gtest/gtest.h>

#include "production5_tracks.h"
#include "scenes/scene_cubeformers/cubearrangements.h"

namespace {

glm::vec3 Translation(const glm::mat4& m) { return glm::vec3(m[3]); }

bool Finite(const glm::mat4& m) {
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r)
      if (!std::isfinite(m[c][r])) return false;
  return true;
}

size_t Glowing(const CubeInstances& cubes) {
  size_t count = 0;
  for (const glm::vec3& e : cubes.emissions) count += e.x > 0.0f ? 1 : 0;
  return count;
}

CubeInstances Block(const BlockTracks& tracks, float note1 = 0.0f, double beat = 0.0) {
  CubeInstances cubes;
  cubes.Resize(kBlockCubes);
  LayOutBlock(tracks, note1, beat, cubes);
  return cubes;
}

TEST(CubeBlock, DefaultPitchMakesACubeFromMinusSevenToSeven) {
  const CubeInstances cubes = Block(BlockTracks{});
  glm::vec3 low(1e9f), high(-1e9f), sum(0.0f);
  for (const glm::mat4& m : cubes.matrices) {
    low = glm::min(low, Translation(m));
    high = glm::max(high, Translation(m));
    sum += Translation(m);
  }
  EXPECT_EQ(low, glm::vec3(-7.0f));
  EXPECT_EQ(high, glm::vec3(7.0f));
  EXPECT_EQ(sum, glm::vec3(0.0f));
  EXPECT_EQ(Translation(cubes.matrices[1]), glm::vec3(-7, -7, -5));  // z innermost
}

TEST(CubeBlock, GapsPushTheOctantsApart) {
  BlockTracks tracks;
  tracks.gap = {1, 0, 0};
  const CubeInstances cubes = Block(tracks);
  EXPECT_FLOAT_EQ(Translation(cubes.matrices[3 * 64]).x, -1.0f - 2.0f);   // x = 3: lower half
  EXPECT_FLOAT_EQ(Translation(cubes.matrices[4 * 64]).x, 1.0f + 2.0f);    // x = 4: upper half
}

TEST(CubeBlock, FullExplosionPutsEveryCubeOnTheCasingSphere) {
  for (float casing : {0.5f, 2.0f}) {
    BlockTracks tracks;
    tracks.explode_main = 10.0f;
    tracks.explode_casing = 10.0f * casing;
    const CubeInstances cubes = Block(tracks);
    for (const glm::mat4& m : cubes.matrices) {
      ASSERT_NEAR(glm::length(Translation(m)), 10.0f * casing, 1e-4f);
    }
  }
}

TEST(CubeBlock, ACubeAtTheCentreNeitherMovesNorTurnsIntoNaN) {
  BlockTracks tracks;
  tracks.dist = 0.0f;  // every cube at the origin: no direction to explode along
  tracks.explode_main = 5.0f;
  tracks.explode_casing = 3.0f;
  const CubeInstances cubes = Block(tracks);
  for (const glm::mat4& m : cubes.matrices) {
    ASSERT_TRUE(Finite(m));
    ASSERT_EQ(Translation(m), glm::vec3(0.0f));
  }
}

TEST(CubeBlock, AFifteenthOfTheCubesFlashAndTheSetShiftsByThreeEachBeat) {
  BlockTracks tracks;
  tracks.glow = 2.0f;
  for (double beat : {0.0, 1.0, 2.5, 7.9, -3.0}) {
    const CubeInstances cubes = Block(tracks, 0.5f, beat);
    const size_t glowing = Glowing(cubes);
    EXPECT_TRUE(glowing == 34 || glowing == 35) << beat << ": " << glowing;
    const int first = static_cast<int>(((-3 * static_cast<int64_t>(std::trunc(beat))) % 15 + 15) % 15);
    EXPECT_EQ(cubes.emissions[first], glm::vec3(1.0f)) << beat;  // glowCubes x note1
  }
}

TEST(CubeRibbon, CubesWindAtTheRadiusWidenedByTheNote) {
  RibbonTracks tracks;
  tracks.z_step = 0.25f;
  CubeInstances cubes;
  cubes.Resize(kRibbonCubes);
  LayOutRibbon(tracks, 1.0f, 0.0f, 3.0, cubes);
  for (uint32_t i : {0u, 1u, 100u, 4095u}) {
    const glm::vec3 p = Translation(cubes.matrices[i]);
    EXPECT_NEAR(glm::length(glm::vec2(p)), 5.2f + 0.7f, 1e-3f) << i;
    EXPECT_NEAR(p.z, i * 0.25f, 1e-3f) << i;
    const float angle = std::atan2(p.y, p.x);
    EXPECT_NEAR(std::remainder(angle - glm::radians(i * 27.1f), 2.0f * glm::pi<float>()), 0.0f,
                1e-3f)
        << i;
  }
}

TEST(CubeRibbon, EveryFifteenthCubeFlashesWithTheNote) {
  CubeInstances cubes;
  cubes.Resize(kRibbonCubes);
  LayOutRibbon(RibbonTracks{}, 0.0f, 0.75f, 4.0, cubes);
  EXPECT_EQ(Glowing(cubes), 273u);  // i = 11, 26, ... below 4096
  EXPECT_EQ(cubes.emissions[11], glm::vec3(0.75f));
  EXPECT_EQ(cubes.emissions[12], glm::vec3(0.0f));
}

// The distance from p to the segment from a to b.
float DistanceToSegment(const glm::vec3& p, const glm::vec3& a, const glm::vec3& b) {
  const glm::vec3 ab = b - a;
  const float length2 = glm::dot(ab, ab);
  const float t = length2 > 0.0f ? std::clamp(glm::dot(p - a, ab) / length2, 0.0f, 1.0f) : 0.0f;
  return glm::length(p - (a + t * ab));
}

// Production 5's camera flies beside the ribbon and never into it: at every frame of the
// ribbon's part (30 a second) the eye, wherever the camera's shake puts it, stays a unit clear
// of the sphere around every cube, however far the music widens the ribbon (the note from 0 to
// 1 moves each cube's centre along a segment).
TEST(CubeRibbon, ProductionFivesCameraStaysClearOfEveryCube) {
  constexpr float kCubeReach = 1.7320508f;  // the cube spans -1 to 1 about its centre
  Production5Tracks p5;
  CubeInstances narrow, wide;
  narrow.Resize(kRibbonCubes);
  wide.Resize(kRibbonCubes);
  size_t frames = 0;
  for (int frame = 0; frame < 30 * 100; ++frame) {
    const double row = frame * p5.RowsPerSecond() / 30.0;
    if (std::lround(p5.At("subScene", row)) != 1) continue;
    ++frames;
    const RibbonTracks tracks{p5.At("radius", row, 5.2f), p5.At("angle", row, 27.1f),
                              p5.At("zDist", row), p5.At("rotOffset", row),
                              p5.At("rotMult", row, 1.0f)};
    LayOutRibbon(tracks, 0.0f, 0.0f, row / 8.0, narrow);
    LayOutRibbon(tracks, 1.0f, 0.0f, row / 8.0, wide);
    const glm::vec3 eye(p5.At("cameraEyeX", row), p5.At("cameraEyeY", row),
                        p5.At("cameraEyeZ", row));
    float nearest = 1e9f;
    for (uint32_t i = 0; i < kRibbonCubes; ++i) {
      nearest = std::min(nearest, DistanceToSegment(eye, Translation(narrow.matrices[i]),
                                                    Translation(wide.matrices[i])));
    }
    const float clear = nearest - kCubeReach - p5.At("cameraShake", row);
    EXPECT_GE(clear, 1.0f) << "at frame " << frame << " (" << frame / 30.0 << " s)";
  }
  EXPECT_GT(frames, 300u);  // the ribbon's part was found
}

}  // namespace
