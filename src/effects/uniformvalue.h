#pragma once
// A uniform value as plain data: what an effect or a shader scene uploads, worked out apart
// from GL so that the values can be checked without a context. Names are string literals and
// values are held in place, so a list built every frame allocates nothing per value.
// UploadUniforms skips a uniform the program lacks.

#include <algorithm>
#include <array>
#include <initializer_list>
#include <cstdint>
#include <string>
#include <vector>

class ShaderProgram;

enum class UniformType { Int, Float, Vec2, Vec3, Vec4, Mat4 };

// Up to 16 floats held in place, read like a container.
class UniformFloats {
 public:
  using value_type = float;
  using const_iterator = const float*;
  using iterator = const float*;
  using size_type = size_t;

  UniformFloats() = default;
  UniformFloats(std::initializer_list<float> values);
  explicit UniformFloats(const std::array<float, 16>& values);

  const float* begin() const { return values_.data(); }
  const float* end() const { return values_.data() + size_; }
  const float* data() const { return values_.data(); }
  size_t size() const { return size_; }
  float operator[](size_t index) const { return values_[index]; }
  bool operator==(const UniformFloats& other) const;

 private:
  std::array<float, 16> values_{};
  size_t size_ = 0;
};

struct UniformValue {
  const char* name = "";  // a string literal: it must outlive every list holding it
  UniformType type = UniformType::Float;
  UniformFloats values;  // 1, 2, 3, 4 or 16 floats by type; Int holds one whole number
};

UniformValue UniformInt(const char* name, int value);
UniformValue UniformFloat(const char* name, float value);
UniformValue UniformVec2(const char* name, float x, float y);
UniformValue UniformVec3(const char* name, float x, float y, float z);
UniformValue UniformVec4(const char* name, float x, float y, float z, float w);
UniformValue UniformMat4(const char* name, const std::array<float, 16>& matrix);

// Uploads the values in order to the bound program.
void UploadUniforms(ShaderProgram& program, const std::vector<UniformValue>& uniforms);

// The location of each uniform's name in the program (-1 for one it lacks), in list order.
std::vector<int32_t> UniformLocations(ShaderProgram& program,
                                      const std::vector<UniformValue>& uniforms);
// Uploads each value to the bound program at the location of the same index; -1 is skipped.
void UploadUniforms(const std::vector<UniformValue>& uniforms,
                    const std::vector<int32_t>& locations);

// Uploads a list that has the same names in the same order every frame, to locations looked up
// once per program (again when the program or the list's length changes).
class LocatedUniforms {
 public:
  void Upload(ShaderProgram& program, const std::vector<UniformValue>& uniforms);

 private:
  const ShaderProgram* program_ = nullptr;
  std::vector<int32_t> locations_;
};
