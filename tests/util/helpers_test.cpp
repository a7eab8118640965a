#include "util/helpers.h"

#include <gtest/gtest.h>

#include <glm/gtc/matrix_transform.hpp>

namespace {

void ExpectColor(const glm::vec3& actual, const glm::vec3& expected) {
  EXPECT_NEAR(actual.r, expected.r, 1e-6f);
  EXPECT_NEAR(actual.g, expected.g, 1e-6f);
  EXPECT_NEAR(actual.b, expected.b, 1e-6f);
}

}  // namespace

TEST(HSLToRGB, PrimaryHues) {
  ExpectColor(HSLToRGB({0.0f, 1.0f, 0.5f}), {1, 0, 0});
  ExpectColor(HSLToRGB({1.0f / 3.0f, 1.0f, 0.5f}), {0, 1, 0});
  ExpectColor(HSLToRGB({2.0f / 3.0f, 1.0f, 0.5f}), {0, 0, 1});
  ExpectColor(HSLToRGB({1.0f, 1.0f, 0.5f}), {1, 0, 0});
}

TEST(HSLToRGB, BlendsBetweenPrimaries) {
  ExpectColor(HSLToRGB({1.0f / 6.0f, 1.0f, 0.5f}), {1, 1, 0});  // yellow
  ExpectColor(HSLToRGB({0.5f, 1.0f, 0.5f}), {0, 1, 1});         // cyan
  ExpectColor(HSLToRGB({0.0f, 0.5f, 0.75f}), {0.875f, 0.625f, 0.625f});
  ExpectColor(HSLToRGB({0.0f, 1.0f, 0.25f}), {0.5f, 0, 0});
}

TEST(HSLToRGB, GreyWithoutSaturationAndExtremesOfLightness) {
  for (const float hue : {0.0f, 0.3f, 0.9f}) {
    ExpectColor(HSLToRGB({hue, 0.0f, 0.25f}), glm::vec3(0.25f));
    for (const float saturation : {0.2f, 1.0f}) {
      ExpectColor(HSLToRGB({hue, saturation, 1.0f}), glm::vec3(1.0f));
      ExpectColor(HSLToRGB({hue, saturation, 0.0f}), glm::vec3(0.0f));
    }
  }
}

TEST(ToLower, LowersLettersOnlyAndKeepsLength) {
  const std::string name = "Data/Textures/Sky_01.PNG";
  EXPECT_EQ(ToLower(name), "data/textures/sky_01.png");
  EXPECT_EQ(ToLower(name).size(), name.size());
  EXPECT_EQ(ToLower(std::string("A\xC4\x00Z", 4)), std::string("a\xC4\x00z", 4));
}

TEST(TransformVec3, AppliesTheMatrixWithUnitW) {
  std::vector<float> v = {9, 1, 2, 3, 7, 8};
  transform_vec3(glm::mat4(1.0f), v, 1);
  EXPECT_EQ(v, (std::vector<float>{9, 1, 2, 3, 7, 8}));
  transform_vec3(glm::translate(glm::mat4(1.0f), {1, 2, 3}), v, 1);
  EXPECT_EQ(v, (std::vector<float>{9, 2, 4, 6, 7, 8}));
  transform_vec3(glm::scale(glm::mat4(1.0f), {2, 2, 2}), v, 3);
  EXPECT_EQ(v, (std::vector<float>{9, 2, 4, 12, 14, 16}));
}

TEST(TransformVec3, NoDivisionByTheResultingW) {
  glm::mat4 m(1.0f);
  m[3][3] = 4.0f;  // w becomes 4, which must be ignored
  std::vector<float> v = {1, 2, 3};
  transform_vec3(m, v, 0);
  EXPECT_EQ(v, (std::vector<float>{1, 2, 3}));
}

TEST(TransformVec3, TooShortArraysThrow) {
  std::vector<float> v(6, 0.0f);
  EXPECT_NO_THROW(transform_vec3(glm::mat4(1.0f), v, 3));
  EXPECT_THROW(transform_vec3(glm::mat4(1.0f), v, 4), std::runtime_error);
  std::vector<float> tiny(2, 0.0f);
  EXPECT_THROW(transform_vec3(glm::mat4(1.0f), tiny, 0), std::runtime_error);
}
