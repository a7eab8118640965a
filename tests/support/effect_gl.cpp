#include "support/effect_gl.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include <fmt/format.h>

#include "util/easydraw/easydraw.h"

namespace {

std::unique_ptr<Texture> MakeTexture(uint32_t width, uint32_t height,
                                     const std::vector<uint8_t>& bytes) {
  return std::make_unique<Texture>("test picture", bytes, 4, width, height, false, false,
                                   GL_LINEAR, GL_LINEAR);
}

GLenum GLTypeOf(UniformType type) {
  switch (type) {
    case UniformType::Int: return GL_INT;
    case UniformType::Float: return GL_FLOAT;
    case UniformType::Vec2: return GL_FLOAT_VEC2;
    case UniformType::Vec3: return GL_FLOAT_VEC3;
    case UniformType::Vec4: return GL_FLOAT_VEC4;
    case UniformType::Mat4: return GL_FLOAT_MAT4;
  }
  return GL_NONE;
}

bool IsSampler(GLenum type) {
  return type == GL_SAMPLER_2D || type == GL_SAMPLER_2D_MULTISAMPLE;
}

}  // namespace

std::unique_ptr<Texture> MakeFlatTexture(uint32_t width, uint32_t height,
                                         const std::array<uint8_t, 4>& rgba) {
  return MakeSplitTexture(width, height, rgba, rgba);
}

std::unique_ptr<Texture> MakeSplitTexture(uint32_t width, uint32_t height,
                                          const std::array<uint8_t, 4>& left,
                                          const std::array<uint8_t, 4>& right) {
  std::vector<uint8_t> bytes;
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      const auto& colour = x < width / 2 ? left : right;
      bytes.insert(bytes.end(), colour.begin(), colour.end());
    }
  }
  return MakeTexture(width, height, bytes);
}

void DrawPicture(const RenderTarget& target, const Texture& picture,
                 const std::array<float, 4>& clear) {
  target.Bind();
  glClearColor(clear[0], clear[1], clear[2], clear[3]);
  glClear(GL_COLOR_BUFFER_BIT);
  glClearColor(0, 0, 0, 0);
  glDisable(GL_DEPTH_TEST);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, picture.id);
  EasyDraw::DrawQuad(0.0f, 0.0f, 1.0f, 1.0f);
  glBindTexture(GL_TEXTURE_2D, 0);
}

::testing::AssertionResult UniformsMatchProgram(ShaderProgram& program,
                                                const std::vector<UniformValue>& uniforms) {
  for (const UniformValue& uniform : uniforms) {
    const GLenum type = ActiveUniformType(program.program(), uniform.name);
    const bool int_ok = uniform.type == UniformType::Int && IsSampler(type);
    if (type != GLTypeOf(uniform.type) && !int_ok) {
      return ::testing::AssertionFailure()
             << program.name() << ": uniform " << uniform.name << " has GL type 0x" << std::hex
             << type << ", the code sets 0x" << GLTypeOf(uniform.type);
    }
    const GLint location = program.GetUniformLocation(uniform.name);
    if (uniform.type == UniformType::Int) {
      GLint value = -1;
      glGetUniformiv(program.program(), location, &value);
      if (value != static_cast<GLint>(uniform.values[0])) {
        return ::testing::AssertionFailure() << uniform.name << " reads back " << value;
      }
      continue;
    }
    float values[16] = {};
    glGetUniformfv(program.program(), location, values);
    for (size_t i = 0; i < uniform.values.size(); ++i) {
      if (values[i] != uniform.values[i]) {
        return ::testing::AssertionFailure() << uniform.name << "[" << i << "] reads back "
                                             << values[i] << ", set " << uniform.values[i];
      }
    }
  }
  return ::testing::AssertionSuccess();
}

int LargestDifference(const RenderTarget& target, const std::array<uint8_t, 4>& expected) {
  const std::vector<uint8_t> pixels = target.ReadPixels();
  int largest = 0;
  for (size_t i = 0; i < pixels.size(); ++i) {
    largest = std::max(largest, std::abs(int(pixels[i]) - int(expected[i % 4])));
  }
  return largest;
}
