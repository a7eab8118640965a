#include "objects3d/animation.h"

#include <algorithm>
#include <cmath>

#include <glm/gtc/matrix_transform.hpp>

#include "system/log.h"

float Animation::Length() const {
  float length = 0.0f;
  for (const auto& channel : channels) {
    if (!channel->times.empty()) length = std::max(length, channel->times.back());
  }
  return length;
}

void AnimationResult::ComposeMatrix() {
  matrix = glm::translate(glm::mat4(1.0f), translation) * glm::mat4_cast(rotation) *
           glm::scale(glm::mat4(1.0f), scale);
}

namespace {

// The two keys around t and the factor between them: before the first key (or for a t that is
// not a number) key 0 alone, from the last key on the last alone.
struct KeyPair {
  size_t i0 = 0;
  size_t i1 = 0;
  float factor = 0.0f;
};

KeyPair FindKeys(const std::vector<float>& times, float t) {
  KeyPair keys;
  if (!(t > times.front())) return keys;
  const size_t after = static_cast<size_t>(std::upper_bound(times.begin(), times.end(), t) -
                                           times.begin());
  if (after == times.size()) {
    keys.i0 = keys.i1 = times.size() - 1;
    return keys;
  }
  keys.i0 = after - 1;
  keys.i1 = after;
  const float span = times[keys.i1] - times[keys.i0];
  keys.factor = span > 0.0f ? (t - times[keys.i0]) / span : 0.0f;
  return keys;
}

// Cubic Hermite of one component: values v0, v1, out-tangent b0 of key 0, in-tangent a1 of
// key 1, over a key span of `span` time.
float Hermite(float v0, float b0, float v1, float a1, float span, float s) {
  const float s2 = s * s, s3 = s2 * s;
  return (2 * s3 - 3 * s2 + 1) * v0 + span * (s3 - 2 * s2 + s) * b0 + (-2 * s3 + 3 * s2) * v1 +
         span * (s3 - s2) * a1;
}

// The channel's value at t, `stride` floats.
std::vector<float> Sample(const AnimationChannel& channel, float t) {
  const KeyPair keys = FindKeys(channel.times, t);
  const size_t s = channel.stride;
  const float* v0 = &channel.values[keys.i0 * s];
  const float* v1 = &channel.values[keys.i1 * s];
  std::vector<float> out(v0, v0 + s);
  if (keys.i0 == keys.i1 || channel.interpolation == AnimationInterpolation::Step) return out;
  const float f = keys.factor;
  if (channel.interpolation == AnimationInterpolation::CubicSpline) {
    const float span = channel.times[keys.i1] - channel.times[keys.i0];
    const float* b0 = &channel.out_tangents[keys.i0 * s];
    const float* a1 = &channel.in_tangents[keys.i1 * s];
    for (size_t c = 0; c < s; ++c) out[c] = Hermite(v0[c], b0[c], v1[c], a1[c], span, f);
    return out;
  }
  if (channel.path == AnimationPathRotation) {
    const glm::quat q0(v0[3], v0[0], v0[1], v0[2]);
    glm::quat q1(v1[3], v1[0], v1[1], v1[2]);
    if (glm::dot(q0, q1) < 0.0f) q1 = -q1;  // the shorter arc
    const glm::quat q = glm::slerp(q0, q1, f);
    return {q.x, q.y, q.z, q.w};
  }
  for (size_t c = 0; c < s; ++c) out[c] = (1.0f - f) * v0[c] + f * v1[c];
  return out;
}

// Floats a key needs for the path: the last keys would be read past the values otherwise.
uint32_t NeededStride(AnimationPath path) {
  switch (path) {
    case AnimationPathRotation: return 4;
    case AnimationPathWeights: return 1;
    default: return 3;
  }
}

bool IsComplete(const AnimationChannel& channel) {
  const size_t floats = channel.times.size() * channel.stride;
  const bool cubic = channel.interpolation == AnimationInterpolation::CubicSpline;
  return !channel.times.empty() && channel.stride >= NeededStride(channel.path) &&
         channel.values.size() >= floats &&
         (!cubic || (channel.in_tangents.size() >= floats && channel.out_tangents.size() >= floats));
}

}  // namespace

void Animate(const AnimationChannel& channel, float t, AnimationResult& result) {
  if (!IsComplete(channel)) {
    ExitMsg(__FILE__, __LINE__, "Animate got invalid time point data");
  }
  const std::vector<float> v = Sample(channel, t);
  switch (channel.path) {
    case AnimationPathTranslation:
      result.translation = glm::vec3(v[0], v[1], v[2]);
      break;
    case AnimationPathRotation: {
      const glm::quat q(v[3], v[0], v[1], v[2]);
      const float length = glm::length(q);
      // A quaternion of length 0 leaves the rotation as it was.
      if (length > 0.0f && std::isfinite(length)) result.rotation = q / length;
      break;
    }
    case AnimationPathScale:
      result.scale = glm::vec3(v[0], v[1], v[2]);
      break;
    case AnimationPathWeights:
      if (result.weights_animated) {
        ExitMsg(__FILE__, __LINE__,
                "AnimationResult.weights are not empty going into Animate call, what gives?");
      }
      result.weights = v;
      result.weights_animated = true;
      break;
    default:
      ExitMsg(__FILE__, __LINE__, "Unexpected animation path");
  }
}
