// The post-processing effects built from their shader files, applied and drawn for real.

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "effect_gl.h"
#include "effects/blur.h"
#include "effects/dither.h"
#include "effects/fade.h"
#include "effects/film.h"
#include "effects/k2.h"
#include "effects/kaleidoscope.h"
#include "effects/noise.h"
#include "effects/radblur.h"
#include "effects/subdiv.h"
#include "effects/vhs.h"
#include "util/shaderprogram/shaderconstructor.h"

namespace {

using PostProcGLTest = GLTest;

std::vector<std::unique_ptr<Effects::PostProc>> MakeAllEffects() {
  std::vector<std::unique_ptr<Effects::PostProc>> effects;
  effects.push_back(std::make_unique<Effects::Dither>());
  effects.push_back(std::make_unique<Effects::Fade>());
  effects.push_back(std::make_unique<Effects::Blur>());
  effects.push_back(std::make_unique<Effects::Radblur>());
  effects.push_back(std::make_unique<Effects::Film>());
  effects.push_back(std::make_unique<Effects::Kaleidoscope>());
  effects.push_back(std::make_unique<Effects::K2>());
  effects.push_back(std::make_unique<Effects::Subdiv>());
  effects.push_back(std::make_unique<Effects::Noise>());
  effects.push_back(std::make_unique<Effects::VHS>());
  return effects;
}

// Applies the effect with its current values and draws the picture through it.
void DrawThrough(Effects::PostProc& effect, const RenderTarget& target, const Texture& picture) {
  effect.render(target.width(), target.height(), 2.0, nullptr);
  effect.apply(target.width(), target.height(), 2.0);
  DrawPicture(target, picture);
}

TEST_F(PostProcGLTest, ParameterNamesCarryTheEffectNameForTheirTracks) {
  struct Expected {
    std::string name;
    std::vector<std::string> params;
    std::vector<float> defaults;
  };
  const std::vector<Expected> expected = {
      {"Dither", {"DitherFactor"}, {0.5f}},
      {"Fade", {"FadeValue"}, {0.0f}},
      {"Blur", {"BlurScale", "BlurIterations"}, {2.5f, 3.0f}},
      {"Radblur",
       {"RadblurCntrX", "RadblurCntrY", "RadblurStep", "RadblurStrength"},
       {0.5f, 0.5f, 0.9f, 1.0f}},
      {"Film",
       {"FilmColor", "FilmMonochrome", "FilmBrownSepia", "FilmGreenSepia", "FilmBlueSepia",
        "FilmContrast", "FilmBrightness", "FilmFilmgrainAmount", "FilmScanlineAmount"},
       {1, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"Kaleidoscope", {"KaleidoscopeRotation", "KaleidoscopeDivisions"}, {0.0f, 7.0f}},
      {"K2", {"K2Rotation", "K2Divisions"}, {0.0f, 7.0f}},
      {"Subdiv",
       {"SubdivNX", "SubdivNY", "SubdivOffX", "SubdivOffY", "SubdivRot", "SubdivRotX",
        "SubdivRotY"},
       {2, 2, 0, 0, 0, 0.5f, 0.5f}},
      {"Noise", {"NoiseAlpha", "NoiseTime"}, {0.5f, 0.0f}},
      {"VHS", {"VHSAlpha", "VHSTime", "VHSBandOn"}, {0.5f, 0.0f, 0.0f}},
  };
  const auto effects = MakeAllEffects();
  ASSERT_EQ(effects.size(), expected.size());
  for (size_t i = 0; i < effects.size(); ++i) {
    EXPECT_EQ(effects[i]->name, expected[i].name);
    EXPECT_EQ(effects[i]->param_names, expected[i].params);
    EXPECT_EQ(effects[i]->param_values, expected[i].defaults) << expected[i].name;
  }
}

TEST_F(PostProcGLTest, EveryUniformTheCodeSetsExistsWithItsTypeAndValue) {
  for (const auto& effect : MakeAllEffects()) {
    effect->apply(1280, 720, 3.5);
    GLint current = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(GLuint(current), effect->program->program()) << effect->name;
    EXPECT_TRUE(UniformsMatchProgram(*effect->program, effect->uniforms(1280, 720, 3.5)))
        << effect->name;
    EXPECT_TRUE(NoGLError()) << effect->name;
  }
}

TEST_F(PostProcGLTest, KaleidoscopesAreTwoProgramsFromTheSameFiles) {
  Effects::Kaleidoscope first;
  Effects::K2 second;
  EXPECT_NE(first.program->program(), second.program->program());
  EXPECT_EQ(first.program->fragment_source(), second.program->fragment_source());
  second.param_values = {1.0f, 3.0f};
  first.apply(64, 64, 0.0);
  second.apply(64, 64, 0.0);
  EXPECT_TRUE(UniformsMatchProgram(*first.program, first.uniforms(64, 64, 0.0)));
  EXPECT_TRUE(UniformsMatchProgram(*second.program, second.uniforms(64, 64, 0.0)));
}

TEST_F(PostProcGLTest, UniformsMissingFromAProgramAreSkipped) {
  ShaderProgram flat(MakeFlat2DShader("no projection"));
  flat.Use();
  UploadUniforms(flat, {UniformFloat("Scale", 1.0f), UniformVec2("blocks", 1.0f, 2.0f)});
  EXPECT_TRUE(NoGLError());
}

// A flat picture stays flat through the effects that only move or mix the picture's own
// pixels, which shows each reads unit 0 at sensible coordinates.
TEST_F(PostProcGLTest, FlatPictureStaysFlatThroughTheResamplingEffects) {
  const std::array<uint8_t, 4> colour = {200, 100, 50, 255};
  const auto picture = MakeFlatTexture(64, 36, colour);
  RenderTarget target(64, 36);
  auto effects = MakeAllEffects();
  effects[0]->param_values = {0.0f};  // Dither: one block per pixel
  for (const auto& effect : effects) {
    if (effect->name == "Noise" || effect->name == "VHS") continue;  // they add noise
    DrawThrough(*effect, target, *picture);
    // Dither rounds to its colour levels; the rest only resample.
    const int tolerance = effect->name == "Dither" ? 6 : 2;
    EXPECT_LE(LargestDifference(target, colour), tolerance) << effect->name;
  }
  EXPECT_TRUE(NoGLError());
}

TEST_F(PostProcGLTest, FadeGoesToWhiteOrBlackBySign) {
  const auto picture = MakeFlatTexture(16, 16, {40, 160, 90, 255});
  RenderTarget target(16, 16);
  Effects::Fade fade;
  fade.param_values = {1.0f};
  DrawThrough(fade, target, *picture);
  EXPECT_EQ(LargestDifference(target, {255, 255, 255, 255}), 0);
  fade.param_values = {-1.0f};
  DrawThrough(fade, target, *picture);
  EXPECT_EQ(LargestDifference(target, {0, 0, 0, 255}), 0);
  fade.param_values = {-0.5f};
  DrawThrough(fade, target, *picture);
  EXPECT_TRUE(PixelNear(target.PixelAt(8, 8), {20, 80, 45, 255}, 1))
      << PixelText(target.PixelAt(8, 8));
}

TEST_F(PostProcGLTest, FilmMonochromeTurnsColourToGrey) {
  const auto picture = MakeFlatTexture(16, 16, {255, 0, 0, 255});
  RenderTarget target(16, 16);
  Effects::Film film;
  film.param_values[0] = 0.0f;  // Color
  film.param_values[1] = 1.0f;  // Monochrome
  DrawThrough(film, target, *picture);
  EXPECT_TRUE(PixelNear(target.PixelAt(5, 5), {76, 76, 76, 255}, 1))
      << PixelText(target.PixelAt(5, 5));
}

TEST_F(PostProcGLTest, BlurSoftensAnEdgeOnlyNearIt) {
  const auto picture = MakeSplitTexture(64, 16, {0, 0, 0, 255}, {255, 255, 255, 255});
  RenderTarget target(64, 16);
  Effects::Blur blur;
  blur.param_values = {20.0f, 4.0f};  // 2 % of the height a ring: about a pixel
  DrawThrough(blur, target, *picture);
  const int at_edge = target.PixelAt(32, 8)[0];
  EXPECT_GT(at_edge, 40);
  EXPECT_LT(at_edge, 215);
  EXPECT_EQ(target.PixelAt(2, 8)[0], 0);
  EXPECT_EQ(target.PixelAt(61, 8)[0], 255);
}

TEST_F(PostProcGLTest, NoiseAtFullAlphaIsGreyStatic) {
  const auto picture = MakeFlatTexture(32, 32, {255, 0, 0, 255});
  RenderTarget target(32, 32);
  Effects::Noise noise;
  noise.param_values = {1.0f, 3.0f};
  DrawThrough(noise, target, *picture);
  std::set<int> levels;
  for (int y = 0; y < 32; y += 3) {
    for (int x = 0; x < 32; x += 3) {
      const auto pixel = target.PixelAt(x, y);
      EXPECT_EQ(pixel[0], pixel[1]);
      EXPECT_EQ(pixel[1], pixel[2]);
      levels.insert(pixel[0]);
    }
  }
  EXPECT_GT(levels.size(), 20u);
}

}  // namespace
