// The scene manager on a real GL context: composition into the letterboxed picture, the effect
// chain in track order, the fourth-slot overlay, the opened tracks, and the end of a run.

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <stdexcept>

#include "effects/postproc.h"
#include "effects/uniformvalue.h"
#include "scene_test_support.h"
#include "scenes/scenemanager.h"
#include "support/gl_fixture.h"
#include "tolmesystem.h"
#include "util/fbo/fbo.h"
#include "util/music/music.h"
#include "util/shaderprogram/shaderprogram.h"
#include "util/gpuresources/gpuresources.h"

namespace {

constexpr std::array<float, 4> kRed = {1, 0, 0, 1};
constexpr std::array<float, 4> kGreen = {0, 1, 0, 1};
constexpr std::array<uint8_t, 4> kRedPixel = {255, 0, 0, 255};
constexpr std::array<uint8_t, 4> kGreenPixel = {0, 255, 0, 255};
constexpr std::array<uint8_t, 4> kBlankPixel = {0, 0, 0, 0};

class SceneManagerTest : public GLTest {
 protected:
  // A manager for a window of this size, drawing into a target of the same size, with every
  // track at its default and scene 0 in the first slot.
  std::unique_ptr<SceneManager> MakeManager(uint32_t width, uint32_t height,
                                            std::vector<std::shared_ptr<ClearScene>> scenes) {
    UseTestSettings(width, height);
    auto manager = std::make_unique<SceneManager>(TableOf(std::move(scenes)));
    ResetTracksToDefaults(*manager);
    target_ = std::make_unique<RenderTarget>(static_cast<int>(width), static_cast<int>(height));
    return manager;
  }

  void RenderInto(SceneManager& manager) {
    target_->Bind();
    manager.RenderFrame();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    EXPECT_TRUE(NoGLError());
  }

  std::array<uint8_t, 4> Pixel(int x, int y) const { return target_->PixelAt(x, y); }

  std::unique_ptr<RenderTarget> target_;
};

#define EXPECT_PIXEL(actual, expected) \
  EXPECT_TRUE(PixelNear(actual, expected, 2)) << PixelText(actual)

TEST_F(SceneManagerTest, PictureFillsTheLetterboxWithBlackBarsOutside) {
  auto manager = MakeManager(64, 64, {std::make_shared<ClearScene>(kRed)});
  RenderInto(*manager);
  // 16:9 in a square window: 64 x 36, 14 rows of bar below and above.
  EXPECT_EQ(manager->render_size().width, 64u);
  EXPECT_EQ(manager->render_size().height, 36u);
  EXPECT_PIXEL(Pixel(0, 14), kRedPixel);
  EXPECT_PIXEL(Pixel(63, 49), kRedPixel);
  EXPECT_PIXEL(Pixel(32, 32), kRedPixel);
  EXPECT_PIXEL(Pixel(32, 13), kBlankPixel);
  EXPECT_PIXEL(Pixel(32, 50), kBlankPixel);
}

TEST_F(SceneManagerTest, WideWindowGetsBarsAtTheSides) {
  auto manager = MakeManager(100, 36, {std::make_shared<ClearScene>(kRed)});
  RenderInto(*manager);
  EXPECT_EQ(manager->render_size().width, 64u);
  EXPECT_PIXEL(Pixel(17, 18), kBlankPixel);
  EXPECT_PIXEL(Pixel(18, 18), kRedPixel);
  EXPECT_PIXEL(Pixel(81, 18), kRedPixel);
  EXPECT_PIXEL(Pixel(82, 18), kBlankPixel);
}

TEST_F(SceneManagerTest, SlotsSelectScenesByTruncatedTrackValue) {
  auto red = std::make_shared<ClearScene>(kRed);
  auto green = std::make_shared<ClearScene>(kGreen);
  auto manager = MakeManager(32, 18, {red, green});
  SetTrack(*manager, "ActiveScene1st", 1.9f);
  RenderInto(*manager);
  EXPECT_PIXEL(Pixel(16, 9), kGreenPixel);
  SetTrack(*manager, "ActiveScene1st", -0.5f);
  RenderInto(*manager);
  EXPECT_PIXEL(Pixel(16, 9), kRedPixel);
  SetTrack(*manager, "ActiveScene1st", std::nanf(""));
  RenderInto(*manager);
  EXPECT_PIXEL(Pixel(16, 9), kBlankPixel);
  SetTrack(*manager, "ActiveScene1st", 2.0f);
  RenderInto(*manager);
  EXPECT_PIXEL(Pixel(16, 9), kBlankPixel);
}

TEST_F(SceneManagerTest, LaterSlotsDrawOverEarlierOnesAndTheFourthAgainAsOverlay) {
  auto red = std::make_shared<ClearScene>(kRed);
  auto manager = MakeManager(32, 18, {red});
  for (const char* slot : {"ActiveScene1st", "ActiveScene2nd", "ActiveScene3rd", "ActiveScene4rd"}) {
    SetTrack(*manager, slot, 0.0f);
  }
  RenderInto(*manager);
  EXPECT_EQ(red->renders, 5);
}

TEST_F(SceneManagerTest, FourthSlotIsBlendedOverTheProcessedPicture) {
  auto red = std::make_shared<ClearScene>(kRed);
  // Paints only the left half; the rest of the overlay stays transparent.
  auto green_left = std::make_shared<ClearScene>(kGreen, std::array<float, 4>{0, 0, 0.5f, 1});
  auto manager = MakeManager(64, 36, {red, green_left});
  SetTrack(*manager, "ActiveScene4rd", 1.0f);
  // Fade all the way to black: the overlay must not be faded with the rest.
  SetTrack(*manager, "ppFade", 0.0f);
  SetTrack(*manager, "ppFadeValue", -1.0f);
  RenderInto(*manager);
  EXPECT_PIXEL(Pixel(10, 18), kGreenPixel);
  EXPECT_PIXEL(Pixel(50, 18), (std::array<uint8_t, 4>{0, 0, 0, 255}));
  // Without the fade the right half shows the red picture beneath.
  SetTrack(*manager, "ppFade", -1.0f);
  RenderInto(*manager);
  EXPECT_PIXEL(Pixel(10, 18), kGreenPixel);
  EXPECT_PIXEL(Pixel(50, 18), kRedPixel);
}

// A colour scene that says whether it clears its whole target.
class ClaimingClearScene : public ClearScene {
 public:
  ClaimingClearScene(std::array<float, 4> colour, std::array<float, 4> box, bool claims)
      : ClearScene(colour, box), claims_(claims) {}
  bool ClearsWholeTarget() const override { return claims_; }

 private:
  bool claims_;
};

// The scene buffer is left uncleared only under a first scene that clears all of it: a scene
// that paints part of it must still find the rest cleared, not last frame's picture.
TEST_F(SceneManagerTest, TheSceneBufferIsClearedUnlessTheFirstSceneClearsItAll) {
  struct Case {
    const char* name;
    std::array<float, 4> box;
    bool claims;
    std::array<uint8_t, 4> right;
  };
  const std::array<Case, 2> cases = {{
      {"whole, claims", {0, 0, 1, 1}, true, kGreenPixel},
      {"left half, no claim", {0, 0, 0.5f, 1}, false, kBlankPixel},
  }};
  for (const Case& c : cases) {
    for (const bool skip : {false, true}) {
      auto manager = MakeManager(64, 36, {std::make_shared<ClaimingClearScene>(kGreen, c.box, c.claims)});
      manager->composer().shortcuts.skip_clear_under_clearing_scene = skip;
      // Last frame's picture, red, still in the scene buffer.
      FBO& buffer = *manager->composer().compositionFbos[0];
      glClearColor(1, 0, 0, 1);
      buffer.Bind();
      buffer.Unbind();
      RenderInto(*manager);
      EXPECT_PIXEL(Pixel(10, 18), kGreenPixel) << c.name << " skip " << skip;
      EXPECT_PIXEL(Pixel(50, 18), c.right) << c.name << " skip " << skip;
    }
  }
}

// A pass that scales the picture's colour and adds to it, so the order of two passes shows.
class GainOffsetPass : public Effects::PostProc {
 public:
  GainOffsetPass(const std::string& name, UniformFunction function) : PostProc(name, function) {
    auto source = std::make_shared<ShaderConstructor>();
    source->name = "GainOffset";
    source->version = 330;
    const auto add = [&](ShaderPieceType type, const std::string& text) {
      source->AddPiece(type, ShaderPieceSource::STRING, text);
    };
    add(ShaderPieceType::VERTEX_GLOBALS,
        "uniform mat4 ProjectionMatrix;\nlayout (location = 0) in vec2 Position;\n"
        "layout (location = 2) in vec2 TexCoord;\nout vec2 uv;");
    add(ShaderPieceType::VERTEX_BODY,
        "\tgl_Position = ProjectionMatrix * vec4( Position, 0.0, 1.0 );\n\tuv = TexCoord;");
    add(ShaderPieceType::FRAGMENT_GLOBALS,
        "uniform sampler2D Picture;\nuniform vec2 GainOffset;\nin vec2 uv;\nout vec4 FragColor;");
    add(ShaderPieceType::FRAGMENT_BODY,
        "\tFragColor = vec4( texture( Picture, uv ).rgb * GainOffset.x + GainOffset.y, 1.0 );");
    program = std::make_unique<ShaderProgram>(source);
  }
};

std::vector<UniformValue> Halve(const std::vector<float>&, uint32_t, uint32_t, double) {
  return {UniformVec2("GainOffset", 0.5f, 0.0f),
          UniformMat4("ProjectionMatrix", GpuResources::UnitSquareProjection())};
}

std::vector<UniformValue> AddQuarter(const std::vector<float>&, uint32_t, uint32_t, double) {
  return {UniformVec2("GainOffset", 1.0f, 0.25f),
          UniformMat4("ProjectionMatrix", GpuResources::UnitSquareProjection())};
}

class EffectChainTest : public SceneManagerTest {
 protected:
  void SetUp() override {
    SceneManagerTest::SetUp();
    manager_ = MakeManager(32, 18, {std::make_shared<ClearScene>(std::array<float, 4>{0.6f, 0.6f, 0.6f, 1})});
    // The second and third effects (Fade, Blur) become passes whose results are known; they
    // keep their names and so their tracks.
    manager_->composer().effects[1] = std::make_unique<GainOffsetPass>("Fade", &Halve);
    manager_->composer().effects[2] = std::make_unique<GainOffsetPass>("Blur", &AddQuarter);
    manager_->composer().effects[3] = std::make_unique<GainOffsetPass>("Radblur", &Halve);
  }

  uint8_t CentreRed() {
    RenderInto(*manager_);
    return Pixel(16, 9)[0];
  }

  std::unique_ptr<SceneManager> manager_;
};

TEST_F(EffectChainTest, EffectsRunInAscendingTrackValue) {
  SetTrack(*manager_, "ppFade", 1.0f);
  SetTrack(*manager_, "ppBlur", 2.0f);
  EXPECT_NEAR(CentreRed(), 0.55 * 255, 2);  // halve, then add
  SetTrack(*manager_, "ppFade", 2.0f);
  SetTrack(*manager_, "ppBlur", 1.0f);
  EXPECT_NEAR(CentreRed(), 0.425 * 255, 2);  // add, then halve
}

TEST_F(EffectChainTest, EqualValuesKeepCreationOrder) {
  SetTrack(*manager_, "ppFade", 1.0f);
  SetTrack(*manager_, "ppBlur", 1.0f);
  EXPECT_NEAR(CentreRed(), 0.55 * 255, 2);
}

TEST_F(EffectChainTest, ThreeEffectsPassThroughBothBuffers) {
  SetTrack(*manager_, "ppFade", 0.0f);
  SetTrack(*manager_, "ppBlur", 0.5f);
  SetTrack(*manager_, "ppRadblur", 3.0f);
  EXPECT_NEAR(CentreRed(), 0.275 * 255, 2);
}

// A pass that would halve the picture but says its values leave it as it is.
class ClaimedPassThrough : public GainOffsetPass {
 public:
  using GainOffsetPass::GainOffsetPass;
  bool IsPassThrough() const override { return true; }
};

TEST_F(EffectChainTest, PassThroughEffectsAreNotDrawn) {
  manager_->composer().effects[1] = std::make_unique<ClaimedPassThrough>("Fade", &Halve);
  SetTrack(*manager_, "ppFade", 0.0f);
  EXPECT_NEAR(CentreRed(), 0.6 * 255, 2);  // alone: the picture as it was
  SetTrack(*manager_, "ppBlur", 1.0f);
  EXPECT_NEAR(CentreRed(), 0.85 * 255, 2);  // before another: only the other runs
}

TEST_F(SceneManagerTest, AWideBlurWorkedOutAtHalfSizeReachesTheScreen) {
  const std::array<float, 4> left_half = {0, 0, 0.5f, 1};
  auto manager = MakeManager(64, 36, {std::make_shared<ClearScene>(kGreen, left_half)});
  SetTrack(*manager, "ppBlur", 0.0f);
  SetTrack(*manager, "ppBlurScale", 100.0f);  // 3 x 0.1 of the height: 10.8 pixels
  SetTrack(*manager, "ppBlurIterations", 3.0f);
  RenderInto(*manager);
  // Both sides of the green half's edge take some of the other side.
  EXPECT_LT(Pixel(31, 18)[1], 235) << PixelText(Pixel(31, 18));
  EXPECT_GT(Pixel(32, 18)[1], 20) << PixelText(Pixel(32, 18));
}

std::vector<UniformValue> Keep(const std::vector<float>&, uint32_t, uint32_t, double) {
  return {UniformVec2("GainOffset", 1.0f, 0.0f),
          UniformMat4("ProjectionMatrix", GpuResources::UnitSquareProjection())};
}

// The screen keeps no trace of what it held before the frame, with or without its clear:
// bars stay black, and a picture that fills the window is drawn over every pixel.
TEST_F(SceneManagerTest, TheScreenShowsOnlyThisFramesPicture) {
  struct Case {
    const char* name;
    uint32_t width, height;
    bool effect;
    std::array<int, 2> bar;  // a pixel outside the picture, or -1
  };
  const std::array<Case, 4> cases = {{{"full window", 64, 36, false, {-1, -1}},
                                      {"full window, one effect", 64, 36, true, {-1, -1}},
                                      {"bars", 64, 64, false, {32, 5}},
                                      {"bars, one effect", 64, 64, true, {32, 5}}}};
  const std::array<float, 4> corner = {0.25f, 0.25f, 0.5f, 0.5f};
  for (const Case& c : cases) {
    auto manager = MakeManager(c.width, c.height, {std::make_shared<ClearScene>(kGreen, corner)});
    manager->composer().effects[1] = std::make_unique<GainOffsetPass>("Fade", &Keep);
    SetTrack(*manager, "ppFade", c.effect ? 0.0f : -1.0f);
    std::vector<uint8_t> pictures[2];
    for (const bool skip : {false, true}) {
      manager->shortcuts.skip_screen_clear_under_full_picture = skip;
      target_->Bind();
      glClearColor(1, 0, 0, 1);  // last frame's picture, red
      glClear(GL_COLOR_BUFFER_BIT);
      RenderInto(*manager);
      pictures[skip] = target_->ReadPixels();
      if (c.bar[0] >= 0) EXPECT_PIXEL(Pixel(c.bar[0], c.bar[1]), kBlankPixel) << c.name;
      EXPECT_PIXEL(Pixel(static_cast<int>(c.width) / 2, static_cast<int>(c.height) / 2), kGreenPixel)
          << c.name;
    }
    for (size_t i = 0; i < pictures[0].size(); ++i) {
      if (i % 4 != 3) ASSERT_EQ(pictures[0][i], pictures[1][i]) << c.name << " at " << i;
    }
  }
}

// A frame without effects is resolved straight onto the screen; it must match the frame drawn
// through a pass that keeps every pixel, in windows with bars above and below or at the sides.
TEST_F(SceneManagerTest, FrameWithoutEffectsMatchesTheFrameThroughAnEffect) {
  const std::array<float, 4> corner = {0.25f, 0.5f, 0.5f, 0.5f};
  for (const auto& [width, height] : {std::pair{80u, 36u}, std::pair{64u, 48u}}) {
    auto manager = MakeManager(width, height, {std::make_shared<ClearScene>(kGreen, corner)});
    manager->composer().effects[1] = std::make_unique<GainOffsetPass>("Fade", &Keep);
    RenderInto(*manager);
    const std::vector<uint8_t> plain = target_->ReadPixels();
    SetTrack(*manager, "ppFade", 0.0f);
    RenderInto(*manager);
    // The pass writes opaque alpha; the colours must agree.
    const std::vector<uint8_t> through = target_->ReadPixels();
    for (size_t i = 0; i < plain.size(); ++i) {
      if (i % 4 != 3) ASSERT_EQ(plain[i], through[i]) << width << " x " << height << " at " << i;
    }
    EXPECT_PIXEL(Pixel(static_cast<int>(width) / 2, static_cast<int>(height) * 5 / 8), kGreenPixel);
  }
}

TEST_F(EffectChainTest, EveryRealEffectCanRunInOneFrame) {
  auto manager = MakeManager(64, 36, {std::make_shared<ClearScene>(kRed)});
  for (size_t i = 0; i < manager->composer().effects.size(); ++i) {
    SetTrack(*manager, "pp" + manager->composer().effects[i]->name, static_cast<float>(i));
  }
  RenderInto(*manager);
  // Fade runs second with its default value 0, so some colour is left somewhere.
  const std::vector<uint8_t> pixels = target_->ReadPixels();
  uint32_t sum = 0;
  for (uint8_t value : pixels) sum += value;
  EXPECT_GT(sum, 0u);
}

TEST_F(SceneManagerTest, ParameterNamesBeyondTheValuesAreFatal) {
  auto manager = MakeManager(32, 18, {std::make_shared<ClearScene>(kRed)});
  manager->composer().effects[0]->param_names.push_back("DitherExtra");
  SetTrack(*manager, "ppDither", 1.0f);
  EXPECT_EXIT(RenderInto(*manager), testing::ExitedWithCode(1),
              "WARNING: Param index 1 for effect Dither is out of bounds");
}

struct TrackDefault {
  const char* name;
  float value;
};

TEST_F(SceneManagerTest, OpensTheFiftyNineTracksWithTheirDefaults) {
  auto manager = MakeManager(32, 18, {});
  const TrackDefault expected[] = {
      {"bpm", 140},  // the production's tempo
      {"ActiveScene1st", 0}, {"ActiveScene2nd", -1}, {"ActiveScene3rd", -1},
      {"ActiveScene4rd", -1}, {"cameraEyeX", 15}, {"cameraEyeY", 15}, {"cameraEyeZ", -15},
      {"cameraDstX", 0}, {"cameraDstY", 0}, {"cameraDstZ", 0}, {"cameraUpX", 0},
      {"cameraUpY", 1}, {"cameraUpZ", 0}, {"cameraFoV", 45}, {"cameraShake", 0},
      {"ppDither", -1}, {"ppDitherFactor", 0.5f},
      {"ppFade", -1}, {"ppFadeValue", 0},
      {"ppBlur", -1}, {"ppBlurScale", 2.5f}, {"ppBlurIterations", 3},
      {"ppRadblur", -1}, {"ppRadblurCntrX", 0.5f}, {"ppRadblurCntrY", 0.5f},
      {"ppRadblurStep", 0.9f}, {"ppRadblurStrength", 1},
      {"ppFilm", -1}, {"ppFilmColor", 1}, {"ppFilmMonochrome", 0}, {"ppFilmBrownSepia", 0},
      {"ppFilmGreenSepia", 0}, {"ppFilmBlueSepia", 0}, {"ppFilmContrast", 0},
      {"ppFilmBrightness", 0}, {"ppFilmFilmgrainAmount", 0}, {"ppFilmScanlineAmount", 0},
      {"ppKaleidoscope", -1}, {"ppKaleidoscopeRotation", 0}, {"ppKaleidoscopeDivisions", 7},
      {"ppK2", -1}, {"ppK2Rotation", 0}, {"ppK2Divisions", 7},
      {"ppSubdiv", -1}, {"ppSubdivNX", 2}, {"ppSubdivNY", 2}, {"ppSubdivOffX", 0},
      {"ppSubdivOffY", 0}, {"ppSubdivRot", 0}, {"ppSubdivRotX", 0.5f}, {"ppSubdivRotY", 0.5f},
      {"ppNoise", -1}, {"ppNoiseAlpha", 0.5f}, {"ppNoiseTime", 0},
      {"ppVHS", -1}, {"ppVHSAlpha", 0.5f}, {"ppVHSTime", 0}, {"ppVHSBandOn", 0},
  };
  ASSERT_EQ(std::size(expected), 59u);
  const auto& tracks = manager->music->tracks;
  ASSERT_EQ(tracks.size(), 59u);
  for (size_t i = 0; i < tracks.size(); ++i) {
    EXPECT_EQ(tracks[i].name, expected[i].name) << "track " << i;
    EXPECT_FLOAT_EQ(tracks[i].default_value, expected[i].value) << tracks[i].name;
  }
}

TEST_F(SceneManagerTest, ProductionWithoutARowIsRefused) {
  UseTestSettings(32, 18);
  try {
    SceneManager manager(ProductionSceneTable{{4, {}}});
    FAIL() << "no exception";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "Unrecognized production Cindercoil");
  }
}

TEST_F(SceneManagerTest, ScenesGetTheirPointersBeforeInitAndTheRenderSize) {
  struct Probe : Scene {
    bool had_pointers = false;
    void Init() override { had_pointers = keys && mouse && music && commonFbo; }
    void Render() override {}
  };
  Probe* probe = nullptr;
  UseTestSettings(64, 64);
  SceneManager manager(ProductionSceneTable{
      {6, {{"Probe", [&] {
              auto scene = std::make_unique<Probe>();
              probe = scene.get();
              return scene;
            }}}}});
  ASSERT_NE(probe, nullptr);
  EXPECT_TRUE(probe->had_pointers);
  EXPECT_EQ(probe->width, 64u);
  EXPECT_EQ(probe->height, 36u);
  EXPECT_FLOAT_EQ(probe->aspect, 16.0f / 9.0f);
  EXPECT_EQ(probe->keys, &manager.keys);
}

TEST_F(SceneManagerTest, SampleCountsAboveTheDriversAreLowered) {
  UseTestSettings(32, 18);
  system_settings->samples = 4096;
  SceneManager manager(TableOf({std::make_shared<ClearScene>(kRed)}));
  GLint most = 0;
  glGetIntegerv(GL_MAX_SAMPLES, &most);
  EXPECT_LE(manager.composer().compositionFbos[0]->samples, most);
  EXPECT_EQ(manager.composer().compositionFbos[1]->samples, 0);
  ResetTracksToDefaults(manager);
  RenderTarget target(32, 18);
  target.Bind();
  manager.RenderFrame();
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  EXPECT_PIXEL(target.PixelAt(16, 9), kRedPixel);
}

TEST_F(SceneManagerTest, ResizeKeepsEveryBufferAtTheRenderSize) {
  auto manager = MakeManager(64, 36, {});
  manager->Resize(1920, 1080);
  manager->aspect = 4.0f / 3.0f;
  manager->Resize(1920, 1080);
  EXPECT_EQ(manager->render_size().width, 1440u);
  for (const auto& buffer : manager->composer().compositionFbos) {
    EXPECT_EQ(buffer->width, 1440);
    EXPECT_EQ(buffer->height, 1080);
  }
  EXPECT_EQ(manager->commonFbo->width, 1440);
  manager->Resize(1280, 0);
  EXPECT_EQ(manager->window_height, 1u);
}

TEST_F(SceneManagerTest, MouseDeltasFollowThePosition) {
  auto manager = MakeManager(32, 18, {});
  manager->mouse.x = 10;
  manager->mouse.y = -4;
  RenderInto(*manager);
  EXPECT_EQ(manager->mouse.dx, 10);
  EXPECT_EQ(manager->mouse.dy, -4);
  EXPECT_EQ(manager->mouse.frame, 0u);
  RenderInto(*manager);
  EXPECT_EQ(manager->mouse.dx, 0);
  EXPECT_EQ(manager->mouse.frame, 1u);
}

}  // namespace

namespace {

// A scene that fills its target with one colour and leaves the scissor test on over its left
// half, as a careless scene might.
class ScissorLeavingScene : public ClearScene {
 public:
  using ClearScene::ClearScene;
  void Render() override {
    ClearScene::Render();
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, viewport[2] / 2, viewport[3]);
  }
};

}  // namespace

// The resolved scene buffer and an effect's output buffer are drawn whole whatever state the
// scene left, so that last frame's picture in them, uncleared, never shows.
TEST_F(EffectChainTest, BuffersCoveredWholeShowNoStalePicture) {
  struct Case {
    const char* name;
    float fade;
    float blur;
    uint8_t red;
  };
  const std::array<Case, 2> cases = {{
      {"one effect", 1.0f, -1.0f, static_cast<uint8_t>(0.3 * 255)},
      {"two effects", 1.0f, 2.0f, static_cast<uint8_t>(0.55 * 255)},
  }};
  for (const Case& c : cases) {
    for (const bool skip : {false, true}) {
      manager_ = MakeManager(32, 18, {std::make_shared<ScissorLeavingScene>(std::array<float, 4>{0.6f, 0.6f, 0.6f, 1})});
      manager_->composer().effects[1] = std::make_unique<GainOffsetPass>("Fade", &Halve);
      manager_->composer().effects[2] = std::make_unique<GainOffsetPass>("Blur", &AddQuarter);
      manager_->composer().shortcuts.skip_clear_under_whole_passes = skip;
      SetTrack(*manager_, "ppFade", c.fade);
      SetTrack(*manager_, "ppBlur", c.blur);
      // Last frame's picture, blue, still in the resolve and effect buffers.
      glClearColor(0, 0, 1, 1);
      for (size_t i = 1; i < manager_->composer().compositionFbos.size(); ++i) {
        manager_->composer().compositionFbos[i]->Bind();
        manager_->composer().compositionFbos[i]->Unbind();
      }
      RenderInto(*manager_);
      for (const int x : {4, 28}) {
        const std::array<uint8_t, 4> pixel = Pixel(x, 9);
        EXPECT_NEAR(pixel[0], c.red, 2) << c.name << " skip " << skip << " x " << x;
        EXPECT_NEAR(pixel[2], c.red, 2) << c.name << " skip " << skip << " x " << x;
      }
    }
  }
}
