#include "support/effect_values.h"

#include <gtest/gtest.h>

#include <limits>

UniformValue FindUniform(const std::vector<UniformValue>& uniforms, const std::string& name) {
  for (const UniformValue& uniform : uniforms) {
    if (uniform.name == name) return uniform;
  }
  ADD_FAILURE() << "no uniform " << name;
  return {};
}

float FloatUniform(const std::vector<UniformValue>& uniforms, const std::string& name) {
  const UniformValue uniform = FindUniform(uniforms, name);
  if (uniform.type != UniformType::Float || uniform.values.size() != 1) {
    ADD_FAILURE() << name << " is not a float";
    return std::numeric_limits<float>::quiet_NaN();
  }
  return uniform.values[0];
}
