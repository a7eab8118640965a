// The post-processing effects built from their shader files, applied and drawn for real.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "support/effect_gl.h"
#include "support/test_images.h"
#include "effects/blur.h"
#include "effects/postproceffects.h"
#include "effects/dither.h"
#include "effects/fade.h"
#include "effects/film.h"
#include "effects/k2.h"
#include "effects/kaleidoscope.h"
#include "effects/noise.h"
#include "effects/radblur.h"
#include "effects/subdiv.h"
#include "effects/vhs.h"
#include "util/fbo/fbo.h"
#include "util/gpuresources/gpuresources.h"
#include "util/shaderprogram/shaderconstructor.h"

namespace {

using PostProcGLTest = GLTest;


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
  const auto effects = Effects::MakePostProcEffects();
  ASSERT_EQ(effects.size(), expected.size());
  for (size_t i = 0; i < effects.size(); ++i) {
    EXPECT_EQ(effects[i]->name, expected[i].name);
    EXPECT_EQ(effects[i]->param_names, expected[i].params);
    EXPECT_EQ(effects[i]->param_values, expected[i].defaults) << expected[i].name;
  }
}

TEST_F(PostProcGLTest, EveryUniformTheCodeSetsExistsWithItsTypeAndValue) {
  for (const auto& effect : Effects::MakePostProcEffects()) {
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

TEST_F(PostProcGLTest, LocatedUniformsLookAgainForAnotherProgram) {
  Effects::Noise noise;  // has Alpha, lacks BandOn
  Effects::VHS vhs;      // has both
  LocatedUniforms located;
  const std::vector<UniformValue> list = {UniformFloat("Alpha", 0.25f),
                                          UniformFloat("BandOn", 0.75f)};
  noise.program->Use();
  located.Upload(*noise.program, list);
  vhs.program->Use();
  located.Upload(*vhs.program, list);
  EXPECT_TRUE(UniformsMatchProgram(*vhs.program, list));
  EXPECT_TRUE(NoGLError());
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
  auto effects = Effects::MakePostProcEffects();
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

TEST_F(PostProcGLTest, BlurSoftensAnEdgeEvenlyAndOnlyWithinItsRadius) {
  const auto picture = MakeSplitTexture(64, 16, {0, 0, 0, 255}, {255, 255, 255, 255});
  RenderTarget target(64, 16);
  Effects::Blur blur;
  blur.param_values = {100.0f, 3.0f};  // 3 x 0.1 of the height: a radius of 4.8 pixels
  DrawThrough(blur, target, *picture);
  // The edge lies between pixels 31 and 32: both turn grey, mirror images of each other.
  const int black_side = target.PixelAt(31, 8)[0];
  const int white_side = target.PixelAt(32, 8)[0];
  EXPECT_GT(black_side, 20);
  EXPECT_LT(white_side, 235);
  EXPECT_NEAR(black_side + white_side, 255, 16);
  // Beyond the radius the picture is untouched.
  EXPECT_EQ(target.PixelAt(25, 8)[0], 0);
  EXPECT_EQ(target.PixelAt(38, 8)[0], 255);
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

TEST_F(PostProcGLTest, RadblurStreaksLightAwayFromItsCentre) {
  // A black 128 x 64 picture with a white 4 x 4 dot right of the centre, on the middle rows.
  std::vector<uint8_t> bytes(128 * 64 * 4, 0);
  for (int y = 30; y < 34; ++y) {
    for (int x = 80; x < 84; ++x) {
      for (int c = 0; c < 4; ++c) bytes[(y * 128 + x) * 4 + c] = 255;
    }
  }
  const Texture picture("dot", bytes, 4, 128, 64, false, false, GL_LINEAR, GL_LINEAR);
  RenderTarget target(128, 64);
  Effects::Radblur radblur;
  radblur.param_values = {0.5f, 0.5f, 0.5f, 1.0f};  // streaks half the way to the centre
  DrawThrough(radblur, target, picture);
  // Further out on the dot's ray pixels gather its light; nearer the centre and off the ray
  // they stay black.
  EXPECT_GT(target.PixelAt(100, 32)[0], 10) << PixelText(target.PixelAt(100, 32));
  EXPECT_EQ(target.PixelAt(74, 32)[0], 0);
  EXPECT_EQ(target.PixelAt(100, 10)[0], 0);
  EXPECT_EQ(target.PixelAt(28, 32)[0], 0);
}

// A 64 x 36 picture with a different colour in every pixel.
std::unique_ptr<Texture> MakeDetailedTexture() {
  std::vector<uint8_t> bytes(64 * 36 * 4);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>((i * 37) ^ (i / 7));
  return std::make_unique<Texture>("detail", bytes, 4, 64, 36, false, false, GL_LINEAR,
                                   GL_LINEAR);
}

// The chain skips an effect that says its values leave the picture as it is; drawn anyway, it
// must leave every pixel as it was. The values just beside each such setting must not say so.
TEST_F(PostProcGLTest, OnlyValuesThatLeaveThePictureAsItIsArePassThroughs) {
  struct Case {
    std::string effect;
    std::vector<float> values;
    bool pass_through;
  };
  const std::vector<Case> cases = {
      {"Fade", {0.0f}, true},
      {"Fade", {0.02f}, false},
      {"Fade", {-0.02f}, false},
      {"Radblur", {0.5f, 0.5f, 0.85f, 0.0f}, true},
      {"Radblur", {0.5f, 0.5f, 0.85f, 0.05f}, false},
      {"Noise", {0.0f, 3.0f}, true},
      {"Noise", {0.05f, 3.0f}, false},
      {"VHS", {0.0f, 3.0f, 0.0f}, true},
      {"VHS", {0.0f, 3.3f, 1.0f}, false},
      {"VHS", {0.1f, 3.0f, 0.0f}, false},
      {"Blur", {2.5f, 0.0f}, true},
      {"Blur", {20.0f, 1.0f}, false},
      {"Film", {1, 0, 0, 0, 0, 1, 0, 0, 0}, false},
  };
  const auto picture = MakeDetailedTexture();
  RenderTarget original(64, 36);
  GpuResources::Current().UseCopyProgram();
  DrawPicture(original, *picture);
  const std::vector<uint8_t> before = original.ReadPixels();
  RenderTarget target(64, 36);
  auto effects = Effects::MakePostProcEffects();
  for (const Case& c : cases) {
    for (const auto& effect : effects) {
      if (effect->name != c.effect) continue;
      effect->param_values = c.values;
      EXPECT_EQ(effect->IsPassThrough(), c.pass_through) << c.effect << " " << c.values.back();
      DrawThrough(*effect, target, *picture);
      EXPECT_EQ(target.ReadPixels() == before, c.pass_through) << c.effect << " "
                                                                << c.values.back();
    }
  }
  EXPECT_TRUE(NoGLError());
}

// Soft waves of light and dark whose period doubles from 8 to 64 pixels in four bands from left
// to right: detail at every radius the shows blur with, and little finer than a half-size
// picture holds.
std::unique_ptr<Texture> MakeWavesTexture(int width, int height) {
  std::vector<uint8_t> bytes(static_cast<size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const float period = static_cast<float>(8 << (4 * x / width));
      const float wave = std::sin(6.2831853f * static_cast<float>(x) / period) *
                         std::sin(6.2831853f * static_cast<float>(y) / period);
      uint8_t* pixel = &bytes[(static_cast<size_t>(y) * width + x) * 4];
      pixel[0] = static_cast<uint8_t>(128.0f + 100.0f * wave);
      pixel[1] = static_cast<uint8_t>(128.0f - 60.0f * wave);
      pixel[2] = static_cast<uint8_t>(128.0f + 30.0f * wave);
      pixel[3] = 255;
    }
  }
  return std::make_unique<Texture>("waves", bytes, 4, width, height, false, false, GL_LINEAR,
                                   GL_LINEAR);
}

// A wide blur is worked out at half size: against the blur program run at the full size on
// waves at the blur's own scale, the frame stays close, from the narrowest radius so treated to
// the widest the shows use. Narrower blurs run at the full size, unchanged.
TEST_F(PostProcGLTest, HalfSizeBlurKeepsThePicture) {
  struct Case {
    float scale;
    float iterations;
    bool half_size;
    double least_psnr;  // in dB
  };
  // The picture is 576 lines high: scale x 0.001 x iterations x 576 is the radius in pixels.
  // Measured 39.0, 46.5 and 46.8 dB at half size; with the half-size picture copied unblurred
  // 34.7, 24.5 and 25.1, with the half-size blur at half the scale 40.5, 31.1 and 31.8 (at
  // 4.1 pixels the half size's own softening makes up for the narrower blur).
  const std::vector<Case> cases = {
      {2.0f, 3.0f, false, 1000.0},  // 3.5 pixels
      {2.4f, 3.0f, true, 37.5},     // 4.1
      {5.0f, 4.0f, true, 44.0},     // 11.5, production 6's widest at 720 lines
      {1.25f, 16.0f, true, 44.0},   // 11.5 with the most rings
  };
  constexpr int kW = 1024;
  constexpr int kH = 576;
  const auto picture = MakeWavesTexture(kW, kH);
  FBO source(kW, kH, FBOType::Color, 0);
  source.Bind();
  GpuResources::Current().UseCopyProgram();
  glDisable(GL_DEPTH_TEST);
  glBindTexture(GL_TEXTURE_2D, picture->id);
  GpuResources::Current().DrawUnitQuad();
  source.Unbind();
  RenderTarget full(kW, kH);
  RenderTarget chained(kW, kH);
  Effects::Blur blur;
  for (const Case& c : cases) {
    blur.param_values = {c.scale, c.iterations};
    EXPECT_EQ(Effects::Blur::RadiusPixels(blur.param_values, kH) >=
                  Effects::Blur::kHalfSizeRadius, c.half_size) << c.scale;
    blur.Effects::PostProc::apply(kW, kH, 1.0);
    DrawPicture(full, *source.color_textures.at(0));
    // As the frame's chain runs it.
    blur.render(kW, kH, 1.0, &source);
    blur.apply(kW, kH, 1.0);
    DrawPicture(chained, *blur.DrawnBuffer(source).color_textures.at(0));
    EXPECT_GE(Psnr(full.ReadPixels(), chained.ReadPixels()), c.least_psnr)
        << c.scale << " x " << c.iterations;
  }
  EXPECT_TRUE(NoGLError());
}

}  // namespace
