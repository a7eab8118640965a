// The ribbon's levels of detail: which level a cube gets by its size on screen, the levels kept
// instanced, and the picture with coarse cubes (and no depth pre-pass) against every cube fully
// bevelled.
#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include "objects3d/objects3d.h"
#include "scene_harness.h"
#include "scenes/scene_cubeformers/cubedetail.h"
#include "scenes/scene_cubeformers/scene_cubeformers.h"
#include "support/gl_fixture.h"
#include "support/test_images.h"

namespace {

using Levels = std::array<CubeInstances, kCubeDetailLevels>;

// A camera at the origin looking down -z with 100 pixels per unit at depth 1.
ScreenScale LookingDownMinusZ() { return {glm::mat4(1.0f), 100.0f}; }

// `count` cubes at depth 10, told apart by their emissions 0, 1, 2, ...
CubeInstances CubesAtDepthTen(size_t count) {
  CubeInstances cubes;
  for (size_t i = 0; i < count; ++i) {
    cubes.matrices.push_back(glm::translate(glm::mat4(1.0f), glm::vec3(0, 0, -10)));
    cubes.emissions.push_back(glm::vec3(static_cast<float>(i)));
  }
  return cubes;
}

std::array<size_t, kCubeDetailLevels> Counts(const Levels& levels) {
  std::array<size_t, kCubeDetailLevels> counts{};
  for (size_t i = 0; i < levels.size(); ++i) counts[i] = levels[i].matrices.size();
  return counts;
}

// With a radius of 1 the sphere is 2 units high: 200 / depth pixels, against thresholds 40, 10.
TEST(CubeDetail, EachCubeGetsTheCoarsestLevelItsSizeOnScreenAllows) {
  const struct {
    const char* name;
    glm::vec3 at;
    float scale;
    size_t level;
  } cases[] = {
      {"20 pixels at depth 10", {0, 0, -10}, 1.0f, 1},
      {"50 pixels at depth 4", {0, 0, -4}, 1.0f, 0},
      {"exactly at the first threshold", {0, 0, -5}, 1.0f, 0},
      {"4 pixels at depth 50", {0, 0, -50}, 1.0f, 2},
      {"far but scaled up five times", {0, 0, -50}, 5.0f, 1},
      {"near but scaled down ten times", {0, 0, -4}, 0.1f, 2},
      {"off to the side, measured by depth", {300, 0, -50}, 1.0f, 2},
      {"behind the camera", {0, 0, 100}, 1.0f, 0},
      {"around the camera", {0, 0, -0.5f}, 1.0f, 0},
  };
  for (const auto& c : cases) {
    CubeInstances all;
    all.matrices = {glm::scale(glm::translate(glm::mat4(1.0f), c.at), glm::vec3(c.scale))};
    all.emissions = {glm::vec3(0.5f)};
    Levels levels;
    SplitByScreenSize(LookingDownMinusZ(), 1.0f, {40.0f, 10.0f}, all, levels);
    for (size_t level = 0; level < kCubeDetailLevels; ++level) {
      ASSERT_EQ(levels[level].matrices.size(), level == c.level ? 1u : 0u) << c.name;
    }
    // The cube keeps its matrix and its emission in the level it went to.
    EXPECT_EQ(levels[c.level].matrices[0], all.matrices[0]) << c.name;
    EXPECT_EQ(levels[c.level].emissions[0], all.emissions[0]) << c.name;
  }
}

// No level is left holding one cube (its emission would be lost); cubes only move to finer
// levels, and none is lost or doubled.
TEST(CubeDetail, NoLevelIsLeftWithOneCube) {
  const struct {
    std::array<size_t, kCubeDetailLevels> before, after;
  } cases[] = {
      {{5, 1, 3}, {6, 0, 3}},
      {{5, 3, 1}, {5, 4, 0}},
      {{0, 1, 1}, {0, 2, 0}},
      {{1, 0, 4}, {2, 0, 3}},
      {{1, 2, 0}, {3, 0, 0}},
      {{1, 0, 0}, {1, 0, 0}},
      {{2, 2, 2}, {2, 2, 2}},
  };
  for (const auto& c : cases) {
    Levels levels;
    float emission = 0.0f;
    for (size_t level = 0; level < kCubeDetailLevels; ++level) {
      levels[level] = CubesAtDepthTen(c.before[level]);
      for (glm::vec3& e : levels[level].emissions) e = glm::vec3(emission++);
    }
    KeepLevelsInstanced(levels);
    EXPECT_EQ(Counts(levels), c.after) << c.before[0] << c.before[1] << c.before[2];
    std::vector<float> seen;
    for (const CubeInstances& level : levels) {
      ASSERT_EQ(level.matrices.size(), level.emissions.size());
      for (const glm::vec3& e : level.emissions) seen.push_back(e.x);
    }
    std::sort(seen.begin(), seen.end());
    for (size_t i = 0; i < seen.size(); ++i) EXPECT_EQ(seen[i], static_cast<float>(i));
    EXPECT_EQ(seen.size(), static_cast<size_t>(emission));
  }
}

class CubeDetailDraw : public GLTest {
 protected:
  // Half the show's size: the thresholds in pixels meet cubes twice as far as in the show.
  static constexpr int kWidth = 640;
  static constexpr int kHeight = 360;

  void SetUp() override {
    GLTest::SetUp();
    target_ = std::make_unique<RenderTarget>(kWidth, kHeight);
    harness_.music->noteData = TwoLaneNotes();
    harness_.Start(scene_, kWidth, kHeight);
  }

  // Every cube fully bevelled behind a depth pre-pass, or the scene's own choices.
  Pixels Frame(bool fully_bevelled) {
    scene_.cube_detail_levels = fully_bevelled ? 0 : 1;
    const uint8_t prepass = scene_.model(1).depth_prepass;
    if (fully_bevelled) scene_.model(1).depth_prepass = 1;
    target_->Bind();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    ResetGLState();
    scene_.Resize(kWidth, kHeight);
    scene_.Render();
    scene_.model(1).depth_prepass = prepass;
    glBindFramebuffer(GL_FRAMEBUFFER, target_->framebuffer());
    return target_->ReadPixels();
  }

  SceneHarness harness_{5};
  CubeFormers scene_;
  std::unique_ptr<RenderTarget> target_;
};

// Each view drawn fully bevelled and with the levels of detail. The ribbon seen near mixes the
// levels, seen from afar it is mostly chamfered cubes; the block and the greetings are other
// models and stay exactly as they were. The cubes flash, so the emissions are checked too.
TEST_F(CubeDetailDraw, CoarseCubesKeepThePicture) {
  const struct {
    const char* name;
    float sub_scene;
    glm::vec3 eye, target;
    std::array<size_t, kCubeDetailLevels> fewest;  // of the ribbon's cubes at each level
    double lowest_db;
  } views[] = {
      {"ribbon near", 1.0f, {6, 4, 25}, {0, 0, 45}, {50, 300, 100}, 40.0},
      {"ribbon far", 1.0f, {0, 30, -30}, {0, 0, 50}, {0, 100, 1500}, 40.0},
      {"block", 0.0f, {20, 15, -30}, {0, 0, 0}, {0, 0, 0}, 1000.0},
      {"greetings", 2.0f, {20, 15, -60}, {0, 0, 0}, {0, 0, 0}, 1000.0},
  };
  harness_.SetTrack("shadows", 0.0f);
  harness_.SetTrack("zDist", 0.03f);
  harness_.SetTrack("skyA", 0.2f);
  harness_.SetTrack("glowCubes", 2.0f);
  for (const auto& view : views) {
    harness_.SetTrack("subScene", view.sub_scene);
    harness_.AimCamera(view.eye, view.target);
    const Pixels bevelled = Frame(true);
    const Pixels levels = Frame(false);
    const auto counts = Counts(scene_.ribbon_levels());
    const double db = Psnr(bevelled, levels);
    for (size_t level = 0; level < kCubeDetailLevels; ++level) {
      EXPECT_GE(counts[level], view.fewest[level]) << view.name << " level " << level;
    }
    EXPECT_GE(db, view.lowest_db) << view.name;
    // The coarse cubes are really drawn: the picture is not the bevelled one to the bit.
    if (view.sub_scene == 1.0f) EXPECT_LT(db, 1000.0) << view.name;
  }
  EXPECT_TRUE(NoGLError());
}

}  // namespace
