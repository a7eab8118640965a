#pragma once
// Draws a texture over the bound framebuffer with additive blending, streaked away from an
// origin point: the laser glow of a scene. The plain program takes a tap about every two texels
// along each pixel's streak (at most 32) and uses the iterations value only for how slowly the
// streak fades; after setIterations the iterations program takes that many taps (1 to 256), or
// one a texel on streaks shorter than that.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "effects/effect.h"
#include "effects/uniformvalue.h"
#include "util/shaderprogram/shaderprogram.h"

class Texture;

namespace Effects {

class RadialBlur : public Effect {
 public:
  RadialBlur();
  ~RadialBlur() override;
  RadialBlur(const RadialBlur&) = delete;
  RadialBlur& operator=(const RadialBlur&) = delete;

  // An empty pointer clears the texture.
  void setTexture(std::shared_ptr<Texture> texture);
  // Selects the iterations program with this loop count.
  void setIterations(uint32_t count);
  void setStepSize(float step);
  void setColor(float r, float g, float b, float a);
  // Throws std::runtime_error without a texture. Leaves blending on (one, one) and the
  // program bound.
  void render(double time) override;

  // The uniforms render sets, in upload order.
  std::vector<UniformValue> uniforms() const;
  // The program render binds.
  ShaderProgram& activeProgram() const;

 private:
  std::unique_ptr<ShaderProgram> origin_program_;
  std::unique_ptr<ShaderProgram> iterations_program_;
  bool use_iterations_ = false;
  std::shared_ptr<Texture> texture_;
  // Origin x and y in texture coordinates, step, iterations.
  std::array<float, 4> params_ = {0.5f, 0.5f, 0.9f, 100.0f};
  std::array<float, 4> color_ = {1.0f, 1.0f, 1.0f, 1.0f};
  LocatedUniforms located_;
};

}  // namespace Effects
