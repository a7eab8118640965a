#include "util/helpers.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace {

constexpr float kOneThird = 1.0f / 3.0f;
constexpr float kTwoThirds = 2.0f / 3.0f;
constexpr float kOneSixth = 1.0f / 6.0f;

float HueToChannel(float p, float q, float t) {
  if (t < 0.0f) t += 1.0f;
  if (t > 1.0f) t -= 1.0f;
  if (t < kOneSixth) return p + (q - p) * 6.0f * t;
  if (t < 0.5f) return q;
  if (t < kTwoThirds) return p + (q - p) * (kTwoThirds - t) * 6.0f;
  return p;
}

}  // namespace

float LargestAxisScale(const glm::mat4& m) {
  return std::max({glm::length(glm::vec3(m[0])), glm::length(glm::vec3(m[1])),
                   glm::length(glm::vec3(m[2]))});
}

glm::vec3 HSLToRGB(const glm::vec3& hsl) {
  const float h = hsl.x;
  const float s = hsl.y;
  const float l = hsl.z;
  if (s == 0.0f) return glm::vec3(l);
  const float q = l < 0.5f ? l * (1.0f + s) : l + s - l * s;
  const float p = 2.0f * l - q;
  return {HueToChannel(p, q, h + kOneThird), HueToChannel(p, q, h),
          HueToChannel(p, q, h - kOneThird)};
}

std::string ToLower(const std::string& text) {
  std::string lower = text;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

void transform_vec3(const glm::mat4& M, std::vector<float>& v, size_t i) {
  if (v.size() < 3 || i > v.size() - 3) {
    throw std::runtime_error("transform_vec3 passed a vector that is too small");
  }
  const glm::vec4 result = M * glm::vec4(v[i], v[i + 1], v[i + 2], 1.0f);
  v[i] = result.x;
  v[i + 1] = result.y;
  v[i + 2] = result.z;
}

int32_t ClampedInt(float value, int32_t low, int32_t high) {
  // Compared as floats before the conversion: converting an out-of-range float is undefined.
  if (!(value > static_cast<float>(low))) return low;
  if (value >= static_cast<float>(high)) return high;
  return static_cast<int32_t>(value);
}
