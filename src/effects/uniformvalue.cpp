#include "effects/uniformvalue.h"

#include <GL/glew.h>

#include "util/shaderprogram/shaderprogram.h"

UniformFloats::UniformFloats(std::initializer_list<float> values)
    : size_(std::min(values.size(), values_.size())) {
  std::copy_n(values.begin(), size_, values_.begin());
}

UniformFloats::UniformFloats(const std::array<float, 16>& values)
    : values_(values), size_(values.size()) {}

bool UniformFloats::operator==(const UniformFloats& other) const {
  return std::equal(begin(), end(), other.begin(), other.end());
}

UniformValue UniformInt(const char* name, int value) {
  return {name, UniformType::Int, {static_cast<float>(value)}};
}

UniformValue UniformFloat(const char* name, float value) {
  return {name, UniformType::Float, {value}};
}

UniformValue UniformVec2(const char* name, float x, float y) {
  return {name, UniformType::Vec2, {x, y}};
}

UniformValue UniformVec3(const char* name, float x, float y, float z) {
  return {name, UniformType::Vec3, {x, y, z}};
}

UniformValue UniformVec4(const char* name, float x, float y, float z, float w) {
  return {name, UniformType::Vec4, {x, y, z, w}};
}

UniformValue UniformMat4(const char* name, const std::array<float, 16>& matrix) {
  return {name, UniformType::Mat4, UniformFloats(matrix)};
}

namespace {

void Upload(GLint location, const UniformValue& uniform) {
  const float* v = uniform.values.data();
  switch (uniform.type) {
    case UniformType::Int:
      glUniform1i(location, static_cast<GLint>(v[0]));
      break;
    case UniformType::Float:
      glUniform1f(location, v[0]);
      break;
    case UniformType::Vec2:
      glUniform2f(location, v[0], v[1]);
      break;
    case UniformType::Vec3:
      glUniform3f(location, v[0], v[1], v[2]);
      break;
    case UniformType::Vec4:
      glUniform4f(location, v[0], v[1], v[2], v[3]);
      break;
    case UniformType::Mat4:
      glUniformMatrix4fv(location, 1, GL_FALSE, v);
      break;
  }
}

}  // namespace

void UploadUniforms(ShaderProgram& program, const std::vector<UniformValue>& uniforms) {
  for (const UniformValue& uniform : uniforms) {
    const GLint location = program.GetUniformLocation(uniform.name);
    if (location >= 0) Upload(location, uniform);
  }
}

std::vector<int32_t> UniformLocations(ShaderProgram& program,
                                      const std::vector<UniformValue>& uniforms) {
  std::vector<int32_t> locations;
  locations.reserve(uniforms.size());
  for (const UniformValue& uniform : uniforms) {
    locations.push_back(program.GetUniformLocation(uniform.name));
  }
  return locations;
}

void UploadUniforms(const std::vector<UniformValue>& uniforms,
                    const std::vector<int32_t>& locations) {
  for (size_t i = 0; i < uniforms.size() && i < locations.size(); ++i) {
    if (locations[i] >= 0) Upload(locations[i], uniforms[i]);
  }
}

void LocatedUniforms::Upload(ShaderProgram& program, const std::vector<UniformValue>& uniforms) {
  if (program_ != &program || locations_.size() != uniforms.size()) {
    locations_ = UniformLocations(program, uniforms);
    program_ = &program;
  }
  UploadUniforms(uniforms, locations_);
}
