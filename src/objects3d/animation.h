#pragma once
// Node animations: channels of key times and values aimed at one component of one node, and
// their evaluation at a time point. Step, linear (spherical for rotations, along the shorter
// arc) and cubic-spline samplers are played as the format defines them.

#include <cstdint>
#include <memory>
#include <vector>

#include <glm/glm.hpp>
#include <glm/gtc/quaternion.hpp>

enum AnimationPath : uint32_t {
  AnimationPathTranslation = 0,
  AnimationPathRotation = 1,
  AnimationPathScale = 2,
  AnimationPathWeights = 3,
};

enum class AnimationInterpolation : uint32_t { Linear = 0, Step = 1, CubicSpline = 2 };

struct AnimationChannel {
  std::vector<float> times;   // ascending key times
  std::vector<float> values;  // `stride` floats per key (the value of each cubic triplet)
  int32_t node = -1;
  uint32_t stride = 0;
  AnimationPath path = AnimationPathTranslation;
  AnimationInterpolation interpolation = AnimationInterpolation::Linear;
  // Cubic splines only: the in- and out-tangents, `stride` floats per key.
  std::vector<float> in_tangents;
  std::vector<float> out_tangents;
};

struct Animation {
  std::vector<std::unique_ptr<AnimationChannel>> channels;
  // Largest last key time of the channels; 0 without channels.
  float Length() const;
};

// One animated node while an animation is evaluated: it starts from the node's rest pose and
// each channel replaces its own component; `matrix` is translate x rotate x scale of them.
struct AnimationResult {
  glm::mat4 matrix{1.0f};
  std::vector<float> weights;
  glm::vec3 translation{0.0f};
  glm::quat rotation{1.0f, 0.0f, 0.0f, 0.0f};
  glm::vec3 scale{1.0f};
  bool weights_animated = false;

  void ComposeMatrix();
};

// Applies the channel at time t to the result's component. Fatal for a channel without keys.
void Animate(const AnimationChannel& channel, float t, AnimationResult& result);
