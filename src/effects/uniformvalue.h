#pragma once
// A uniform value as plain data: what an effect or a shader scene uploads, worked out apart
// from GL so that the values can be checked without a context. UploadUniforms looks every
// location up by name on each call and skips a uniform the program lacks.

#include <array>
#include <string>
#include <vector>

class ShaderProgram;

enum class UniformType { Int, Float, Vec2, Vec3, Vec4, Mat4 };

struct UniformValue {
  std::string name;
  UniformType type = UniformType::Float;
  std::vector<float> values;  // 1, 2, 3, 4 or 16 floats by type; Int holds one whole number
};

UniformValue UniformInt(const std::string& name, int value);
UniformValue UniformFloat(const std::string& name, float value);
UniformValue UniformVec2(const std::string& name, float x, float y);
UniformValue UniformVec3(const std::string& name, float x, float y, float z);
UniformValue UniformVec4(const std::string& name, float x, float y, float z, float w);
UniformValue UniformMat4(const std::string& name, const std::array<float, 16>& matrix);

// Uploads the values in order to the bound program.
void UploadUniforms(ShaderProgram& program, const std::vector<UniformValue>& uniforms);
