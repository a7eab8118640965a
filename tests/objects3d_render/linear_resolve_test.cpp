// The linear-light frame's resolve: the frame with depth of field in focus shows the glow as the
// frame without it, the target takes the same depth with glow or shadows as without, reading
// the frame's depth only when the target takes it changes nothing, the resolve programs made
// for one kind of frame draw what the program for any frame draws, and a frame of one sample a
// pixel under multisampling switched off gives the multisampled frame's picture.

#include <algorithm>
#include <cstdlib>

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include "objects3d/procedural.h"
#include "objects3d/shared_resources.h"
#include "render_scene.h"
#include "support/gl_state.h"
#include "support/test_images.h"
#include "util/camera/camera.h"
#include "util/fbo/fbo.h"
#include "util/glstate/face_culling.h"

namespace {

class LinearResolveTest : public GLTest {};

constexpr int kFrame = 128;

// A grey floor and a lit cube with a glowing cube at `emitter`, seen from (0, 2, 6).
std::unique_ptr<Objects3D> GlowScene(const glm::vec3& emitter, const glm::vec3& emission) {
  auto scene = MakeScene({0, 2, 6});
  Node& floor = scene->AddPrimitive(MakePlane(8, 8, 1), LitMaterial({0.5f, 0.5f, 0.5f, 1}, 1, 0), nullptr);
  floor.instances[0] = glm::translate(glm::mat4(1.0f), {0, -1, 0});
  scene->AddPrimitive(MakeCube(glm::vec3(0.8f), glm::vec3(1.0f)), LitMaterial({0.4f, 0.4f, 0.8f, 1}, 0.5f, 0),
                      nullptr);
  auto glowing = LitMaterial({0.1f, 0.1f, 0.1f, 1}, 0.5f, 0);
  glowing->emissive = emission;
  Node& node = scene->AddPrimitive(MakeCube(glm::vec3(0.3f), glm::vec3(1.0f)), glowing, nullptr);
  node.instances[0] = glm::translate(glm::mat4(1.0f), emitter);
  AddPointLight(*scene, {0, 3, 2}, 30.0f);
  scene->Resize(kFrame, kFrame, 1.0f);
  return scene;
}

struct Target {
  int samples;
  bool blend;
  // Where a square drawn after the scene lies; none when negative.
  float square_depth;
};

// The scene drawn into a kFrame x kFrame target as the scenes draw (depth test on), then the
// square when asked.
Pixels RenderInto(Objects3D& scene, const Target& t) {
  return RenderSampled(scene, t.samples, t.blend, kFrame, [&] {
    if (t.square_depth >= 0.0f) DrawFlatSquare(t.square_depth, {1, 0, 0, 1});
  });
}

TEST_F(LinearResolveTest, DepthOfFieldInFocusShowsTheGlowAsWithout) {
  struct Case {
    const char* name;
    glm::vec3 emitter;
    glm::vec3 emission;
    bool shadows;
    glm::vec4 clear;
  };
  const glm::vec4 transparent(0.0f);
  const Case cases[] = {
      {"middle, shadows", {0, 0.8f, 0}, {1, 0.5f, 0}, true, transparent},
      {"middle", {0, 0.8f, 0}, {1, 0.5f, 0}, false, transparent},
      {"edge", {-2.6f, 0, 0}, {0, 1, 0}, false, transparent},
      {"over the cube, opaque background", {0.2f, 0.1f, 1.0f}, {1, 1, 1}, true, {0.1f, 0.2f, 0.3f, 1}},
      {"in front of the background", {0, 1.8f, -2}, {0, 0.4f, 1}, false, transparent},
  };
  // Laid over the target as the scenes lay it.
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  for (const Case& c : cases) {
    auto scene = GlowScene(c.emitter, c.emission);
    Camera& camera = *scene->data.cameras[0];
    camera.focusPoint = 0.0f;
    camera.focusRange = 1.0f;
    scene->shadows_enabled = c.shadows ? 1 : 0;
    const Pixels unlit = Render(*scene, c.clear, kFrame);
    scene->glow_enabled = 1;
    const Pixels sharp = Render(*scene, c.clear, kFrame);
    scene->dof_enabled = 1;
    EXPECT_LE(LargestDifference(Render(*scene, c.clear, kFrame), sharp), 1) << c.name;
    EXPECT_GT(LargestDifference(sharp, unlit), 20) << c.name;
  }
  glDisable(GL_BLEND);
  EXPECT_TRUE(NoGLError());
}

int RedPixels(const Pixels& p) {
  int count = 0;
  for (size_t i = 0; i < p.size(); i += 4) count += p[i] == 255 && p[i + 1] == 0 && p[i + 2] == 0;
  return count;
}

TEST_F(LinearResolveTest, SquareDrawnAfterwardsMeetsTheSameDepth) {
  struct Case {
    const char* name;
    bool shadows;
    bool glow;
    Target target;
  };
  // The square lies behind the cube and the near floor but in front of the far floor.
  const Case cases[] = {
      {"shadows, four samples", true, false, {4, true, 0.987f}},
      {"shadows, one sample", true, false, {0, false, 0.987f}},
      {"glow, one sample", false, true, {0, true, 0.987f}},
      {"shadows and glow, four samples", true, true, {4, true, 0.987f}},
      {"shadows, nothing drawn after", true, false, {4, true, -1}},
  };
  for (const Case& c : cases) {
    auto scene = GlowScene({0, 0.8f, 0}, {1, 0.5f, 0});
    // The plain frame: no linear-light frame at all.
    const Pixels plain = RenderInto(*scene, c.target);
    scene->shadows_enabled = c.shadows ? 1 : 0;
    scene->glow_enabled = c.glow ? 1 : 0;
    scene->resolve_reads_depth_only_when_written = 0;
    const Pixels always = RenderInto(*scene, c.target);
    scene->resolve_reads_depth_only_when_written = 1;
    EXPECT_EQ(LargestDifference(RenderInto(*scene, c.target), always), 0) << c.name;
    if (c.target.square_depth < 0.0f) continue;
    // The square shows over the far floor only, as over the plain frame.
    const int red = RedPixels(always);
    EXPECT_GT(red, 0) << c.name;
    EXPECT_LT(red, kFrame * kFrame * 9 / 10) << c.name;
    EXPECT_EQ(red, RedPixels(plain)) << c.name;
  }
  EXPECT_TRUE(NoGLError());
}

TEST_F(LinearResolveTest, ProgramsMadeForTheFrameGiveTheFrameOfTheProgramForAny) {
  struct Case {
    const char* name;
    bool glow;
    Target target;
  };
  const Case cases[] = {
      {"one sample, depth read", false, {0, false, 0.987f}},
      {"four samples, depth read", false, {4, true, 0.987f}},
      {"one sample, glow added", true, {0, false, -1}},
      {"four samples, glow added, square over it", true, {4, true, 0.987f}},
  };
  for (const Case& c : cases) {
    auto scene = GlowScene({0, 0.8f, 0}, {1, 0.5f, 0});
    scene->shadows_enabled = 1;
    scene->glow_enabled = c.glow ? 1 : 0;
    scene->resolve_variant_programs = 0;
    const Pixels any = RenderInto(*scene, c.target);
    scene->resolve_variant_programs = 1;
    EXPECT_EQ(LargestDifference(RenderInto(*scene, c.target), any), 0) << c.name;
  }
  EXPECT_TRUE(NoGLError());
}

TEST_F(LinearResolveTest, OneSampleFrameWithoutMultisamplingGivesTheSamePicture) {
  struct Case {
    const char* name;
    bool multisampling;
    bool glow;
    Target target;
  };
  // With multisampling on, the frame keeps the target's samples: the edges stay smooth.
  const Case cases[] = {
      {"shadows, multisampling off", false, false, {4, true, -1}},
      {"shadows and glow, multisampling off", false, true, {4, true, -1}},
      {"square drawn after, multisampling off", false, false, {4, true, 0.987f}},
      {"shadows, multisampling on", true, false, {4, true, -1}},
  };
  for (const Case& c : cases) {
    auto scene = GlowScene({0, 0.8f, 0}, {1, 0.5f, 0});
    scene->shadows_enabled = 1;
    scene->glow_enabled = c.glow ? 1 : 0;
    SetEnabled(GL_MULTISAMPLE, c.multisampling);
    scene->linear_frame_single_sampled_without_multisampling = 0;
    const Pixels target_samples = RenderInto(*scene, c.target);
    scene->linear_frame_single_sampled_without_multisampling = 1;
    const Pixels single = RenderInto(*scene, c.target);
    EXPECT_EQ(scene->linear_fbo->samples, c.multisampling ? 4 : 0) << c.name;
    glEnable(GL_MULTISAMPLE);
    EXPECT_EQ(LargestDifference(single, target_samples), 0) << c.name;
  }
  EXPECT_TRUE(NoGLError());
}

// A frame that first turns multisampled or takes added light halfway through a show must not
// link a program then: every resolve program exists once the shared resources are loaded.
TEST_F(LinearResolveTest, EveryResolveProgramIsMadeWhileLoading) {
  auto scene = GlowScene({0, 0.8f, 0}, {1, 0.5f, 0});
  const Objects3DSharedResources& resources = RequireObjects3DSharedResources();
  for (size_t index = 0; index < resources.resolve_variants.size(); ++index) {
    EXPECT_NE(resources.resolve_variants[index], nullptr) << "variant " << index;
  }
}

}  // namespace
