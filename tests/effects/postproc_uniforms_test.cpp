// The uniform values of the post-processing effects, worked out without GL.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include "effects/blur.h"
#include "effects/dither.h"
#include "support/effect_values.h"
#include "effects/fade.h"
#include "effects/film.h"
#include "effects/kaleidoscope.h"

namespace {

using ::testing::ElementsAre;
using ::testing::FloatEq;
using ::testing::FloatNear;

TEST(PostProcUniformsTest, FadeSignChoosesTargetAndMagnitudeTheAmount) {
  EXPECT_THAT(FindUniform(Effects::Fade::uniformsFor({-0.25f}, 1280, 720, 0.0), "color").values,
              ElementsAre(0.0f, 0.25f));
  EXPECT_THAT(FindUniform(Effects::Fade::uniformsFor({0.0f}, 1280, 720, 0.0), "color").values,
              ElementsAre(0.0f, 0.0f));
  EXPECT_THAT(FindUniform(Effects::Fade::uniformsFor({0.7f}, 1280, 720, 0.0), "color").values,
              ElementsAre(1.0f, FloatEq(0.7f)));
}

TEST(PostProcUniformsTest, DitherBlocksShrinkWithTheCubeOfTheFactor) {
  const UniformValue half = FindUniform(Effects::Dither::uniformsFor({0.5f}, 1280, 720, 0.0),
                                        "blocks");
  EXPECT_EQ(half.type, UniformType::Vec2);
  EXPECT_THAT(half.values, ElementsAre(FloatNear(243.34f, 0.01f), FloatNear(136.88f, 0.01f)));
  // Factor 0 gives one block per pixel.
  EXPECT_THAT(FindUniform(Effects::Dither::uniformsFor({0.0f}, 1280, 720, 0.0), "blocks").values,
              ElementsAre(1280.0f, 720.0f));
}

TEST(PostProcUniformsTest, BlurScaleIsInThousandthsAndIterationsStayAFloat) {
  const auto uniforms = Effects::Blur::uniformsFor({2.5f, 3.0f}, 640, 480, 0.0);
  EXPECT_FLOAT_EQ(FloatUniform(uniforms, "Scale"), 0.0025f);
  EXPECT_FLOAT_EQ(FloatUniform(uniforms, "Iterations"), 3.0f);
}

TEST(PostProcUniformsTest, FilmContrastIsAnOffsetFromOneAndTimeFollowsTheBeat) {
  const std::vector<float> defaults = {1, 0, 0, 0, 0, 0, 0, 0, 0};
  const auto uniforms = Effects::Film::uniformsFor(defaults, 1280, 720, 12.5);
  EXPECT_FLOAT_EQ(FloatUniform(uniforms, "Contrast"), 1.0f);
  EXPECT_FLOAT_EQ(FloatUniform(uniforms, "time"), 12.5f + 999.9953f);
  EXPECT_FLOAT_EQ(FloatUniform(uniforms, "Color"), 1.0f);
  const std::vector<float> graded = {0.2f, 0.3f, 0.4f, 0.5f, 0.6f, -0.5f, 0.1f, 0.25f, 0.75f};
  const auto changed = Effects::Film::uniformsFor(graded, 1280, 720, -4.0);
  EXPECT_FLOAT_EQ(FloatUniform(changed, "Contrast"), 0.5f);
  EXPECT_FLOAT_EQ(FloatUniform(changed, "time"), -4.0f + 999.9953f);
  EXPECT_FLOAT_EQ(FloatUniform(changed, "BlueSepia"), 0.6f);
  EXPECT_FLOAT_EQ(FloatUniform(changed, "ScanlineAmount"), 0.75f);
}

TEST(PostProcUniformsTest, ProjectionIsTheOrthographicUnitSquare) {
  const glm::mat4 expected = glm::ortho(0.0f, 1.0f, 0.0f, 1.0f, -1.0f, 1.0f);
  const UniformValue matrix =
      FindUniform(Effects::Kaleidoscope::uniformsFor({0.0f, 7.0f}, 1, 1, 0.0), "ProjectionMatrix");
  ASSERT_EQ(matrix.type, UniformType::Mat4);
  ASSERT_EQ(matrix.values.size(), 16u);
  for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(matrix.values[i], glm::value_ptr(expected)[i]);
}

TEST(PostProcUniformsTest, TooFewParameterValuesAreRefusedNotReadPastTheEnd) {
  EXPECT_THROW(Effects::Blur::uniformsFor({2.5f}, 1, 1, 0.0), std::out_of_range);
  EXPECT_THROW(Effects::Film::uniformsFor({}, 1, 1, 0.0), std::out_of_range);
}

}  // namespace
