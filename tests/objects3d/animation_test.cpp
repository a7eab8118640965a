// Animation channels evaluated at a time, and Objects3D::Animate over a scene's nodes.

#include "objects3d/animation.h"

#include <gtest/gtest.h>

#include <cmath>

#include <glm/gtc/matrix_transform.hpp>

#include "objects3d/objects3d.h"
#include "support/messagebox_recorder.h"

namespace {

AnimationChannel Channel(AnimationPath path, std::vector<float> times, std::vector<float> values,
                         uint32_t stride,
                         AnimationInterpolation interpolation = AnimationInterpolation::Linear) {
  AnimationChannel channel;
  channel.path = path;
  channel.times = std::move(times);
  channel.values = std::move(values);
  channel.stride = stride;
  channel.interpolation = interpolation;
  channel.node = 1;
  return channel;
}

float TranslationX(const AnimationChannel& channel, float t) {
  AnimationResult result;
  Animate(channel, t, result);
  return result.translation.x;
}

TEST(Animate, KeySearchAndInterpolationBranches) {
  const AnimationChannel linear =
      Channel(AnimationPathTranslation, {0.5f, 1.5f, 2.5f}, {0, 0, 0, 10, 0, 0, 30, 0, 0}, 3);
  AnimationChannel step = linear;
  step.interpolation = AnimationInterpolation::Step;
  const struct {
    const char* name;
    const AnimationChannel& channel;
    float t;
    float x;
  } cases[] = {
      {"before the first key", linear, 0.2f, 0},
      {"on a key", linear, 1.5f, 10},
      {"between keys", linear, 1.0f, 5},
      {"between later keys", linear, 2.0f, 20},
      {"after the last key", linear, 2.7f, 30},
      {"not a number", linear, NAN, 0},
      {"step holds the earlier key", step, 2.4f, 10},
      {"step on a key", step, 2.5f, 30},
  };
  for (const auto& c : cases) EXPECT_FLOAT_EQ(TranslationX(c.channel, c.t), c.x) << c.name;
}

TEST(Animate, CubicSplineFollowsTheHermiteCurve) {
  AnimationChannel channel = Channel(AnimationPathTranslation, {0, 2}, {0, 0, 0, 1, 0, 0}, 3,
                                     AnimationInterpolation::CubicSpline);
  channel.in_tangents = {0, 0, 0, 0, 0, 0};
  channel.out_tangents = {0, 0, 0, 0, 0, 0};
  // Flat tangents: the smoothstep 3s^2 - 2s^3.
  EXPECT_FLOAT_EQ(TranslationX(channel, 0.5f), 3 * 0.0625f - 2 * 0.015625f);
  EXPECT_FLOAT_EQ(TranslationX(channel, 1.0f), 0.5f);
  // An out-tangent of 1 unit per second at key 0 adds span x (s^3 - 2s^2 + s) = 2 x 0.140625.
  channel.out_tangents = {1, 0, 0, 0, 0, 0};
  EXPECT_FLOAT_EQ(TranslationX(channel, 0.5f), 0.15625f + 0.28125f);
  EXPECT_FLOAT_EQ(TranslationX(channel, 2.0f), 1.0f);
}

TEST(Animate, RotationsSlerpAlongTheShorterArc) {
  // 0 and 180+90 degrees about y, the second written with a negative w (the same rotation as
  // -90): halfway is -45 degrees, not 135.
  const float s = std::sqrt(0.5f);
  const AnimationChannel channel =
      Channel(AnimationPathRotation, {0, 1}, {0, 0, 0, 1, 0, -s, 0, -s}, 4);
  AnimationResult result;
  Animate(channel, 0.5f, result);
  const glm::quat expected = glm::angleAxis(glm::radians(45.0f), glm::vec3(0, 1, 0));
  EXPECT_NEAR(std::abs(glm::dot(result.rotation, expected)), 1.0f, 1e-5);
  EXPECT_NEAR(glm::length(result.rotation), 1.0f, 1e-6);
}

TEST(Animate, WeightsTakeOneValuePerTargetPerKey) {
  const AnimationChannel channel = Channel(AnimationPathWeights, {0, 1}, {0, 1, 1, 0}, 2);
  AnimationResult result;
  Animate(channel, 0.25f, result);
  EXPECT_EQ(result.weights, (std::vector<float>{0.25f, 0.75f}));
  EXPECT_TRUE(result.weights_animated);
}

TEST(AnimateDeathTest, IncompleteChannelsAreFatal) {
  EXPECT_EXIT(
      {
        EchoMessageBoxesToStderr();
        AnimationResult result;
        Animate(Channel(AnimationPathRotation, {0, 1}, {0, 0, 0, 1, 0, 0}, 3), 0.5f, result);
      },
      ::testing::ExitedWithCode(1), "Animate got invalid time point data");
  EXPECT_EXIT(
      {
        EchoMessageBoxesToStderr();
        AnimationResult result;
        Animate(Channel(AnimationPathScale, {}, {}, 3), 0.5f, result);
      },
      ::testing::ExitedWithCode(1), "Animate got invalid time point data");
}

// Master node plus node 1 at rest translation (5, 0, 0) and scale 2, animated by `channels`.
struct AnimatedScene {
  Objects3D scene;
  Node* node;
  explicit AnimatedScene(std::vector<AnimationChannel> channels) {
    scene.AddMasterNode();
    node = &scene.AddNode("n", 0);
    node->rest_translation = {5, 0, 0};
    node->rest_scale = {2, 2, 2};
    node->weights = {0.5f};
    node->SetMatrix(glm::scale(glm::translate(glm::mat4(1), {5, 0, 0}), {2, 2, 2}));
    auto animation = std::make_unique<Animation>();
    for (auto& channel : channels) {
      animation->channels.push_back(std::make_unique<AnimationChannel>(std::move(channel)));
    }
    scene.data.animations.push_back(std::move(animation));
  }
};

TEST(Objects3DAnimate, AChannelReplacesOnlyItsComponent) {
  const float s = std::sqrt(0.5f);
  AnimatedScene a({Channel(AnimationPathRotation, {0, 2}, {0, s, 0, s, 0, s, 0, s}, 4)});
  a.scene.Animate(1.0f);
  const glm::mat4 expected = glm::translate(glm::mat4(1), {5, 0, 0}) *
                             glm::rotate(glm::mat4(1), glm::radians(90.0f), {0, 1, 0}) *
                             glm::scale(glm::mat4(1), {2, 2, 2});
  const glm::mat4& m = a.node->instances[0];
  for (int c = 0; c < 4; ++c) {
    for (int r = 0; r < 4; ++r) EXPECT_NEAR(m[c][r], expected[c][r], 1e-5);
  }
  // Weights stay: no weights channel.
  EXPECT_EQ(a.node->weights, std::vector<float>{0.5f});
}

TEST(Objects3DAnimate, RotationListedBeforeTranslationStillSpinsInPlace) {
  const float s = std::sqrt(0.5f);
  AnimatedScene a({Channel(AnimationPathRotation, {0, 1}, {0, s, 0, s, 0, s, 0, s}, 4),
                   Channel(AnimationPathTranslation, {0, 1}, {1, 2, 3, 1, 2, 3}, 3)});
  a.scene.Animate(0.5f);
  EXPECT_EQ(glm::vec3(a.node->instances[0][3]), glm::vec3(1, 2, 3));
}

TEST(Objects3DAnimate, TimeWrapsOverTheLength) {
  const struct {
    const char* name;
    std::vector<float> times;
    float time;
    float x;
  } cases[] = {
      {"wraps", {0, 2}, 5.5f, 15},     // t = 1.5 of 0..2 moving 0..20
      {"negative", {0, 2}, -0.5f, 15},
      {"zero length", {0, 0}, 3.0f, 0},
      {"not a number", {0, 2}, NAN, 0},
  };
  for (const auto& c : cases) {
    AnimatedScene a({Channel(AnimationPathTranslation, c.times, {0, 0, 0, 20, 0, 0}, 3)});
    a.scene.Animate(c.time);
    EXPECT_FLOAT_EQ(a.node->instances[0][3].x, c.x) << c.name;
  }
}

TEST(Objects3DAnimate, WeightsChannelReplacesTheWeights) {
  AnimatedScene a({Channel(AnimationPathWeights, {0, 1}, {0, 1}, 1)});
  a.scene.Animate(0.25f);
  EXPECT_EQ(a.node->weights, std::vector<float>{0.25f});
}

}  // namespace
