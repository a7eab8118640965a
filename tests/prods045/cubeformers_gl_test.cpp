// CubeFormers drawn for real in each arrangement, with note values from a small note track:
// the instance lists the frame builds, the light it moves, and its refusals.
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "production5_tracks.h"
#include "scene_harness.h"
#include "effects/fade.h"
#include "objects3d/closed_solid_culling.h"
#include "objects3d/context/rendercontext.h"
#include "scenes/scene_cubeformers/scene_cubeformers.h"
#include "support/effect_gl.h"
#include "support/gl_fixture.h"
#include "support/main_pass_states.h"
#include "support/messagebox_recorder.h"
#include "util/camera/camera.h"
#include "util/fbo/fbo.h"
#include "util/light/light.h"
#include "util/light/shadowcubemap.h"

namespace {

// Cubes the model draws: the world instances of every node with a mesh (the ribbon draws its
// cubes through one child per level of detail, the other arrangements through the master
// node's instances).
size_t DrawnCubes(Objects3D& model) {
  size_t count = 0;
  std::vector<glm::mat4> world;
  for (uint32_t i = 0; i < model.data.nodes.size(); ++i) {
    if (model.GetNode(i).meshes.empty()) continue;
    world.clear();
    model.GetInstances(i, world);
    count += world.size();
  }
  return count;
}

class CubeFormersDraw : public GLTest {
 protected:
  static constexpr int kWidth = 80;
  static constexpr int kHeight = 45;

  void SetUp() override {
    GLTest::SetUp();
    target_ = std::make_unique<RenderTarget>(kWidth, kHeight);
    harness_.music->noteData = TwoLaneNotes();
    harness_.Start(scene_, kWidth, kHeight);
    harness_.AimCamera({20, 15, -30}, {0, 0, 0});
  }

  // `cull_mode`: the face culling mode the scene finds.
  void Frame(GLenum cull_mode = GL_BACK) {
    target_->Bind();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    ResetGLState();
    glCullFace(cull_mode);
    scene_.Resize(kWidth, kHeight);
    scene_.Render();
    glBindFramebuffer(GL_FRAMEBUFFER, target_->framebuffer());
  }

  // A frame drawn into `multisampled` and resolved into the target.
  void FrameMultisampled(FBO& multisampled) {
    target_->Bind();
    multisampled.Bind();
    ResetGLState();
    glCullFace(GL_BACK);
    scene_.Resize(kWidth, kHeight);
    scene_.Render();
    glBindFramebuffer(GL_READ_FRAMEBUFFER, multisampled.framebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, target_->framebuffer());
    glBlitFramebuffer(0, 0, kWidth, kHeight, 0, 0, kWidth, kHeight, GL_COLOR_BUFFER_BIT,
                      GL_NEAREST);
    multisampled.Unbind();
    glBindFramebuffer(GL_FRAMEBUFFER, target_->framebuffer());
  }

  SceneHarness harness_{5};
  CubeFormers scene_;
  std::unique_ptr<RenderTarget> target_;
};

// The pixels brighter than the dark sky.
int Lit(const std::vector<uint8_t>& pixels) {
  int lit = 0;
  for (size_t i = 0; i < pixels.size(); i += 4) lit += pixels[i] + pixels[i + 1] + pixels[i + 2] > 30;
  return lit;
}

TEST_F(CubeFormersDraw, EachArrangementFillsItsModelsInstances) {
  const struct {
    float sub_scene;
    size_t instances;
  } cases[] = {{0.0f, 512}, {0.49f, 512}, {0.5f, 4096}, {2.0f, 0}};
  for (const auto& c : cases) {
    harness_.SetTrack("subScene", c.sub_scene);
    Frame();
    const uint32_t arrangement = CubeFormers::Arrangement(c.sub_scene);
    const size_t expected = arrangement == 2
        ? size_t{5} * (scene_.greetings().width() + 2) * (scene_.greetings().height() + 2)
        : c.instances;
    EXPECT_EQ(DrawnCubes(scene_.model(arrangement)), expected) << c.sub_scene;
  }
  // A picture was drawn: the lit cubes stand out of the sky somewhere.
  EXPECT_GT(Lit(target_->ReadPixels()), 0);
  EXPECT_TRUE(NoGLError());
}

TEST_F(CubeFormersDraw, TheRibbonWarmsTheLightAndSetsItsShadowPlanes) {
  harness_.SetTrack("subScene", 1.0f);
  harness_.SetTrack("shadNear", 0.5f);
  harness_.SetTrack("shadFar", 80.0f);
  harness_.SetTrack("lightX", 3.0f);
  Frame();
  EXPECT_EQ(scene_.light().color, glm::vec3(1.0f, 0.8f, 0.4f));
  EXPECT_EQ(scene_.light().shadow_far, 80.0f);
  EXPECT_EQ(scene_.light().transform[3], glm::vec4(-3, 0, 0, 1));
  // Planes without depth between them are not taken: the last good ones stay.
  harness_.SetTrack("shadFar", 0.5f);
  Frame();
  EXPECT_EQ(scene_.light().shadow_far, 80.0f);
  // The warm colour stays in the other arrangements.
  harness_.SetTrack("subScene", 0.0f);
  Frame();
  EXPECT_EQ(scene_.light().color, glm::vec3(1.0f, 0.8f, 0.4f));
}

int LargestDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  int largest = a.size() == b.size() ? 0 : 255;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
    largest = std::max(largest, std::abs(a[i] - b[i]));
  }
  return largest;
}

// Leaving out the cubes out of view changes no pixel: the unshadowed ribbon seen from several
// places, each drawn with every cube and with only those in view.
TEST_F(CubeFormersDraw, CubesOutOfViewAreLeftOutWithoutChangingThePicture) {
  const struct {
    const char* name;
    glm::vec3 eye;
    glm::vec3 target;
  } views[] = {{"along the ribbon", {0, 8, 40}, {0, 0, 70}},
               {"its side, close", {12, 2, 30}, {0, 0, 30}},
               {"from above its middle", {3, 25, 60}, {0, 0, 60}}};
  harness_.SetTrack("subScene", 1.0f);
  harness_.SetTrack("shadows", 0.0f);
  harness_.SetTrack("zDist", 0.03f);
  harness_.SetTrack("skyA", 0.2f);
  for (const auto& view : views) {
    harness_.AimCamera(view.eye, view.target);
    scene_.cull_unseen_cubes = 0;
    Frame();
    const std::vector<uint8_t> every_cube = target_->ReadPixels();
    scene_.cull_unseen_cubes = 1;
    Frame();
    const std::vector<uint8_t> in_view = target_->ReadPixels();
    EXPECT_LT(DrawnCubes(scene_.model(1)), size_t{kRibbonCubes}) << view.name;
    EXPECT_LE(LargestDifference(every_cube, in_view), 1) << view.name;
  }
  // With shadows a cube out of view may still shade one in view: every cube is drawn.
  harness_.SetTrack("shadows", 1.0f);
  Frame();
  EXPECT_EQ(DrawnCubes(scene_.model(1)), size_t{kRibbonCubes});
  EXPECT_TRUE(NoGLError());
}

// Leaving out the cubes' back faces changes no pixel: each arrangement, shadowed and not, drawn
// with and without them; the culling state comes back after the cubes. The ribbon's cubes are
// all fully bevelled here: the coarse shapes' silhouettes run along long straight edges, and a
// pixel centre lying exactly on one may go to the back face by the fill rule.
TEST_F(CubeFormersDraw, BackFacesAreLeftOutWithoutChangingThePicture) {
  scene_.cube_detail_levels = 0;
  const struct {
    const char* name;
    float sub_scene, shadows;
    glm::vec3 eye, target;
  } views[] = {{"block, shadowed", 0.0f, 1.0f, {20, 15, -30}, {0, 0, 0}},
               {"ribbon, close", 1.0f, 0.0f, {9, 9, 45}, {0, 0, 70}},
               {"ribbon, shadowed", 1.0f, 1.0f, {12, 2, 30}, {0, 0, 30}},
               {"greetings", 2.0f, 1.0f, {0, -4, 95}, {0, 0, 0}}};
  harness_.SetTrack("zDist", 0.03f);
  harness_.SetTrack("glowCubes", 2.0f);
  for (const auto& view : views) {
    harness_.SetTrack("subScene", view.sub_scene);
    harness_.SetTrack("shadows", view.shadows);
    harness_.AimCamera(view.eye, view.target);
    scene_.cull_back_faces = 0;
    Frame();
    const std::vector<uint8_t> every_face = target_->ReadPixels();
    scene_.cull_back_faces = 1;
    Frame(GL_FRONT);
    EXPECT_EQ(LargestDifference(every_face, target_->ReadPixels()), 0) << view.name;
    // The culling the frame found before the cubes (the sky leaves it off) is left as it was.
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE)) << view.name;
    GLint mode = GL_BACK;
    glGetIntegerv(GL_CULL_FACE_MODE, &mode);
    EXPECT_EQ(mode, GL_FRONT) << view.name;
  }
  EXPECT_TRUE(NoGLError());
}

// The pixels whose colour differs by more than one level in some channel.
int PixelsApart(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  int apart = 0;
  for (size_t i = 0; i + 3 < a.size() && i + 3 < b.size(); i += 4) {
    apart += std::abs(a[i] - b[i]) > 1 || std::abs(a[i + 1] - b[i + 1]) > 1 ||
             std::abs(a[i + 2] - b[i + 2]) > 1;
  }
  return apart;
}

// The depths of the six faces of the light's shadow cube map, one after the other.
std::vector<float> ShadowDepths(const Light& light) {
  const ShadowCubeMap& map = *light.shadow_map;
  const size_t side = static_cast<size_t>(map.size());
  std::vector<float> depths(6 * side * side);
  glBindTexture(GL_TEXTURE_CUBE_MAP, map.texture());
  for (uint32_t face = 0; face < 6; ++face) {
    glGetTexImage(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, 0, GL_DEPTH_COMPONENT, GL_FLOAT,
                  depths.data() + face * side * side);
  }
  glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
  return depths;
}

// The texels of a shadow map that hold some surface.
int Covered(const std::vector<float>& depths) {
  const auto held = std::count_if(depths.begin(), depths.end(), [](float d) { return d < 1.0f; });
  return static_cast<int>(held);
}

// The texels of two shadow maps whose depths differ by more than `tolerance`.
int TexelsApart(const std::vector<float>& a, const std::vector<float>& b, float tolerance) {
  int apart = 0;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) apart += std::abs(a[i] - b[i]) > tolerance;
  return apart;
}

// The shadowed passes leave the cubes' back faces out too (shadow faces included) and the frame
// stays the same: block and greetings, the light among the cubes and far outside them, drawn
// into a plain and a 4-sample target, each drawn with and without the models' culling of closed
// primitives. The shadow faces keep their depths and the pictures their pixels, but where a cube
// face is seen exactly edge-on: its sliver may cover a sample centre or not once back faces are
// culled.
TEST_F(CubeFormersDraw, ShadowedPassesLeaveBackFacesOutWithoutChangingThePicture) {
  const struct {
    const char* name;
    float sub_scene, dist;
    glm::vec3 light, eye;
  } views[] = {{"block, light among the cubes", 0.0f, 2.5f, {0, 0, 0}, {20, 15, -30}},
               {"block, light outside", 0.0f, 2.5f, {-14, 18, -9}, {20, 15, -30}},
               {"greetings, light among the cubes", 2.0f, 2.0f, {0, 0, 0}, {0, -4, 30}},
               {"greetings, light outside", 2.0f, 2.0f, {10, 12, 60}, {0, -4, 30}}};
  // A block spacing above the cubes' side of 2 leaves gaps between them: a light among them lies
  // outside every cube.
  harness_.SetTrack("explodeMain", 0.1f);
  FBO multisampled(kWidth, kHeight, FBOType::Color, 4);
  for (const int32_t samples : {1, 4}) {
    for (const auto& view : views) {
      const std::string name = view.name + std::string(samples == 4 ? ", 4 samples" : "");
      harness_.SetTrack("subScene", view.sub_scene);
      harness_.SetTrack("Dist", view.dist);
      harness_.SetTrack("lightX", view.light.x);
      harness_.SetTrack("lightY", view.light.y);
      harness_.SetTrack("lightZ", view.light.z);
      harness_.AimCamera(view.eye, {0, 0, 0});
      std::vector<uint8_t> pictures[2];
      std::vector<float> depths[2];
      for (const uint8_t closed : {0, 1}) {
        for (uint32_t model = 0; model < 3; ++model) {
          scene_.model(model).closed_primitive_culling = closed;
        }
        if (samples == 4) {
          FrameMultisampled(multisampled);
        } else {
          Frame();
        }
        pictures[closed] = target_->ReadPixels();
        depths[closed] = ShadowDepths(scene_.light());
      }
      // Only where the light sees a cube face edge-on may its back face have been the nearest.
      EXPECT_LE(TexelsApart(depths[0], depths[1], 1e-4f), Covered(depths[0]) / 20) << name;
      EXPECT_LE(PixelsApart(pictures[0], pictures[1]), kWidth * kHeight / 200) << name;
      EXPECT_GT(Lit(pictures[1]), kWidth * kHeight / 50) << name;
      // The shadowed passes asked the model's culling about its cubes.
      const Objects3D& model = scene_.model(static_cast<uint32_t>(view.sub_scene));
      ASSERT_TRUE(model.closed_solid_culling) << name;
      EXPECT_GT(model.closed_solid_culling->shapes_worked_out(), 0u) << name;
    }
  }
  EXPECT_TRUE(NoGLError());
}

// The scene draws its cubes without a depth pre-pass; the pictures are those of the pre-pass:
// block and greetings, shadowed and glowing, into a 4-sample target.
TEST_F(CubeFormersDraw, CheaperPassesKeepThePicture) {
  const struct {
    const char* name;
    float sub_scene;
    glm::vec3 eye;
  } views[] = {{"block", 0.0f, {20, 15, -30}}, {"greetings", 2.0f, {0, -4, 30}}};
  harness_.SetTrack("glowCubes", 2.0f);
  harness_.SetTrack("lightX", 4.0f);
  FBO multisampled(kWidth, kHeight, FBOType::Color, 4);
  for (const auto& view : views) {
    harness_.SetTrack("subScene", view.sub_scene);
    harness_.AimCamera(view.eye, {0, 0, 0});
    Objects3D& model = scene_.model(static_cast<uint32_t>(view.sub_scene));
    EXPECT_EQ(model.depth_prepass, 0) << view.name;
    model.depth_prepass = 1;
    FrameMultisampled(multisampled);
    const std::vector<uint8_t> before = target_->ReadPixels();
    model.depth_prepass = 0;
    FrameMultisampled(multisampled);
    const std::vector<uint8_t> after = target_->ReadPixels();
    EXPECT_LE(LargestDifference(before, after), 1) << view.name;
    EXPECT_GT(Lit(after), kWidth * kHeight / 50) << view.name;
  }
  EXPECT_TRUE(NoGLError());
}

float Luma(const std::array<uint8_t, 4>& pixel) {
  return 0.2126f * pixel[0] + 0.7152f * pixel[1] + 0.0722f * pixel[2];
}

float Median(std::vector<float> values) {
  if (values.empty()) return 0.0f;
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  return values[values.size() / 2];
}

// Production 5's first greeting reads once the white flash it arrives in has cleared: a third
// of a second after it comes, and still in the last frame before it bursts, its letters stand
// far brighter than the slab around them. The frame is drawn from the show's own tracks at that
// row and then whitened by the fade the frame's effects apply; letters and slab are read where
// the centres of the front greeting's cube faces fall.
TEST_F(CubeFormersDraw, ProductionFivesFirstGreetingReadsSoonAfterItArrives) {
  constexpr int kW = 320;
  constexpr int kH = 180;
  Production5Tracks p5;
  const auto row_of = [&p5](int frame) { return frame * p5.RowsPerSecond() / 30.0; };
  int arrives = 0;  // frames of 30 a second
  while (arrives < 3000 && std::lround(p5.At("subScene", row_of(arrives))) != 2) ++arrives;
  int bursts = arrives;
  while (bursts < 3000 && p5.At("explodeCasing", row_of(bursts)) == 0.0f &&
         p5.At("explodeMain", row_of(bursts)) == 0.0f) {
    ++bursts;
  }
  ASSERT_LT(bursts, 3000);
  FBO picture(kW, kH, FBOType::Color, 0);
  RenderTarget shown(kW, kH);
  Effects::Fade fade;
  for (const int frame : {arrives + 9, bursts - 1}) {
    const double row = row_of(frame);
    for (const auto& track : harness_.music->device->tracks) {
      if (p5.HasKeys(track->name)) harness_.SetTrack(track->name, p5.At(track->name, row));
    }
    picture.Bind();
    ResetGLState();
    scene_.Resize(kW, kH);
    scene_.Render();
    picture.Unbind();
    fade.param_values[0] = p5.At("ppFade", row, -1.0f) >= 0.0f ? p5.At("ppFadeValue", row) : 0.0f;
    fade.apply(kW, kH, 0.0);
    DrawPicture(shown, *picture.color_textures[0]);
    const std::vector<uint8_t> pixels = shown.ReadPixels();

    Objects3D& model = scene_.model(2);
    const Camera& camera = *model.data.cameras[0];
    const glm::mat4 clip =
        CameraProjection(camera.yfov, static_cast<float>(kW) / kH, camera.znear, camera.zfar) *
        CameraRootMatrix(camera);
    const Node& master = model.GetNode(0u);
    const std::vector<glm::vec3>& glows = model.GetMaterial(master)->instance_emission_colors;
    const size_t front_slab = master.instances.size() / scene_.greetings().RowsShown(0);
    std::vector<float> letters, slab;
    for (size_t i = 0; i < front_slab; ++i) {
      const glm::vec3 centre(master.instances[i][3]);
      const glm::vec3 face = centre + glm::normalize(camera.eye - centre);  // toward the eye
      const glm::vec4 p = clip * glm::vec4(face, 1.0f);
      const int x = static_cast<int>((p.x / p.w * 0.5f + 0.5f) * kW);
      const int y = static_cast<int>((p.y / p.w * 0.5f + 0.5f) * kH);
      if (x < 0 || y < 0 || x >= kW || y >= kH) continue;
      (glows[i].x > 0.0f ? letters : slab).push_back(Luma(PixelOf(pixels, kW, x, y)));
    }
    ASSERT_FALSE(letters.empty());
    EXPECT_GE(Median(letters) - Median(slab), 100.0f)
        << "at frame " << frame << " (" << frame / 30.0 << " s): letters " << Median(letters)
        << ", slab " << Median(slab);
  }
  EXPECT_TRUE(NoGLError());
}

// Keeps the states of the main passes drawn while loading (the warm-up's) apart from those of
// the frames drawn after.
class CubeFormersWarmUp : public CubeFormersDraw {
 protected:
  void SetUp() override {
    SetPassTimer(&main_passes_);
    CubeFormersDraw::SetUp();
    warmed_ = std::move(main_passes_.seen);
    main_passes_.seen.clear();
  }
  void TearDown() override {
    SetPassTimer(nullptr);
    CubeFormersDraw::TearDown();
  }

  MainPassStates main_passes_;
  std::set<DrawState> warmed_;
};

// Every arrangement, shadowed and not, draws its cubes in a state the warm-up drew them in.
TEST_F(CubeFormersWarmUp, FramesDrawTheCubesInStatesTheWarmUpDrewThemIn) {
  for (const float sub_scene : {0.0f, 1.0f, 2.0f}) {
    for (const float shadows : {0.0f, 1.0f}) {
      harness_.SetTrack("subScene", sub_scene);
      harness_.SetTrack("shadows", shadows);
      Frame();
    }
  }
  ASSERT_FALSE(main_passes_.seen.empty());
  for (const DrawState& state : main_passes_.seen) {
    EXPECT_TRUE(warmed_.contains(state)) << ::testing::PrintToString(state) << " not among "
                                         << ::testing::PrintToString(warmed_);
  }
  EXPECT_TRUE(NoGLError());
}

using CubeFormersDeathTest = CubeFormersDraw;

// The arrangement is chosen before anything is drawn: a value outside the three ends the run
// without needing a frame.
TEST(CubeFormersArrangement, ValuesOutsideTheThreeEndTheRun) {
  EchoMessageBoxesToStderr();
  for (float wild : {2.5f, -0.6f}) {
    EXPECT_EXIT(CubeFormers::Arrangement(wild), ::testing::ExitedWithCode(1), "Invalid subScene")
        << wild;
  }
}

TEST_F(CubeFormersDeathTest, MusicWithoutNoteValuesEndsTheRun) {
  harness_.music->noteData.reset();
  EXPECT_EXIT(Frame(), ::testing::ExitedWithCode(1),
              "Missing audio information for playing CubeFormers scene");
}

}  // namespace
