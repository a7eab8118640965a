// The radial blur drawn for real: programs, uniforms, and additive drawing.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>
#include <stdexcept>

#include "support/effect_gl.h"
#include "support/effect_values.h"
#include "effects/radialblur.h"

namespace {

using ::testing::ElementsAre;
using ::testing::FloatEq;
using RadialBlurTest = GLTest;

GLuint CurrentProgram() {
  GLint current = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &current);
  return static_cast<GLuint>(current);
}

// Ends the test with blending off again, as the effect leaves it on.
struct BlendOff {
  ~BlendOff() { glDisable(GL_BLEND); }
};

TEST_F(RadialBlurTest, NewEffectUsesTheOriginProgramThenIterationsAfterSetIterations) {
  BlendOff blend_off;
  Effects::RadialBlur blur;
  blur.setTexture(MakeFlatTexture(8, 8, {255, 255, 255, 255}));
  RenderTarget target(16, 16);
  target.Bind();
  blur.render(0.0);
  const GLuint origin = CurrentProgram();
  EXPECT_EQ(origin, blur.activeProgram().program());
  EXPECT_THAT(FindUniform(blur.uniforms(), "RadialBlurParams").values,
              ElementsAre(0.5f, 0.5f, FloatEq(0.9f), 100.0f));
  EXPECT_TRUE(UniformsMatchProgram(blur.activeProgram(), blur.uniforms()));

  blur.setIterations(12);
  blur.setStepSize(0.75f);
  blur.setColor(0.5f, 0.25f, 1.0f, 0.5f);
  blur.render(0.0);
  EXPECT_NE(CurrentProgram(), origin);
  EXPECT_EQ(CurrentProgram(), blur.activeProgram().program());
  EXPECT_THAT(FindUniform(blur.uniforms(), "RadialBlurParams").values,
              ElementsAre(0.5f, 0.5f, 0.75f, 12.0f));
  EXPECT_TRUE(UniformsMatchProgram(blur.activeProgram(), blur.uniforms()));
  EXPECT_TRUE(NoGLError());
}

TEST_F(RadialBlurTest, OnAClearedTargetAFlatTextureComesOutAsItself) {
  BlendOff blend_off;
  Effects::RadialBlur blur;
  blur.setTexture(MakeFlatTexture(8, 8, {100, 150, 200, 255}));
  RenderTarget target(32, 32);
  for (bool iterations : {false, true}) {
    if (iterations) blur.setIterations(7);
    target.Bind();
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    blur.render(0.0);
    EXPECT_LE(LargestDifference(target, {100, 150, 200, 255}), 1) << iterations;
  }
}

TEST_F(RadialBlurTest, DrawsAdditivelyTintedByTheColour) {
  BlendOff blend_off;
  Effects::RadialBlur blur;
  blur.setTexture(MakeFlatTexture(8, 8, {100, 100, 100, 255}));
  blur.setColor(1.0f, 0.5f, 0.0f, 1.0f);
  RenderTarget target(16, 16);
  target.Bind();
  glClearColor(40.0f / 255, 40.0f / 255, 40.0f / 255, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glClearColor(0, 0, 0, 0);
  glEnable(GL_DEPTH_TEST);  // switched off by the effect
  blur.render(0.0);
  EXPECT_LE(LargestDifference(target, {140, 90, 40, 255}), 1)
      << PixelText(target.PixelAt(8, 8));
}

TEST_F(RadialBlurTest, StreaksRunAwayFromTheOrigin) {
  BlendOff blend_off;
  // A black 64 x 64 texture with a white 4 x 4 dot right of the centre, on the middle row.
  std::vector<uint8_t> bytes(64 * 64 * 4, 0);
  for (int y = 30; y < 34; ++y) {
    for (int x = 40; x < 44; ++x) {
      for (int c = 0; c < 4; ++c) bytes[(y * 64 + x) * 4 + c] = 255;
    }
  }
  Effects::RadialBlur blur;
  blur.setTexture(std::make_shared<Texture>("dot", bytes, 4, 64, 64, false, false, GL_NEAREST,
                                            GL_NEAREST));
  blur.setIterations(64);
  blur.setStepSize(0.5f);
  RenderTarget target(64, 64);
  target.Bind();
  glClear(GL_COLOR_BUFFER_BIT);
  blur.render(0.0);
  // Beyond the dot, seen from the centre, pixels gather its light; between the centre and
  // the dot, and off its ray, they stay black.
  EXPECT_GT(target.PixelAt(50, 32)[0], 20) << PixelText(target.PixelAt(50, 32));
  EXPECT_EQ(target.PixelAt(36, 32)[0], 0);
  EXPECT_EQ(target.PixelAt(50, 12)[0], 0);
  EXPECT_EQ(target.PixelAt(14, 32)[0], 0);
}

TEST_F(RadialBlurTest, RenderWithoutATextureThrows) {
  Effects::RadialBlur blur;
  EXPECT_THROW(
      {
        try {
          blur.render(0.0);
        } catch (const std::runtime_error& error) {
          EXPECT_STREQ(error.what(), "Trying to radialblur without setting texture");
          throw;
        }
      },
      std::runtime_error);
  blur.setTexture(MakeFlatTexture(4, 4, {1, 2, 3, 4}));
  blur.setTexture(nullptr);  // an empty pointer clears it again
  EXPECT_THROW(blur.render(0.0), std::runtime_error);
}

}  // namespace
