#include "effects/radialblur.h"

#include <GL/glew.h>

#include <stdexcept>
#include <utility>

#include "util/easydraw/easydraw.h"
#include "util/texture/texture.h"
#include "util/gpuresources/gpuresources.h"

namespace Effects {

namespace {
constexpr const char* kVertexFile = "data/effects/radialblur/radialblur.vert";
}  // namespace

RadialBlur::RadialBlur()
    : origin_program_(std::make_unique<ShaderProgram>(
          kVertexFile, "data/effects/radialblur/radialblur_origin.frag")),
      iterations_program_(std::make_unique<ShaderProgram>(
          kVertexFile, "data/effects/radialblur/radialblur_origin_iterations.frag")) {}

RadialBlur::~RadialBlur() = default;

void RadialBlur::setTexture(std::shared_ptr<Texture> texture) { texture_ = std::move(texture); }

void RadialBlur::setIterations(uint32_t count) {
  use_iterations_ = true;
  params_[3] = static_cast<float>(count);
}

void RadialBlur::setStepSize(float step) { params_[2] = step; }

void RadialBlur::setColor(float r, float g, float b, float a) { color_ = {r, g, b, a}; }

std::vector<UniformValue> RadialBlur::uniforms() const {
  return {UniformMat4("ProjectionMatrix", GpuResources::UnitSquareProjection()),
          UniformVec4("RadialBlurParams", params_[0], params_[1], params_[2], params_[3]),
          UniformInt("Texture", 0),
          UniformVec4("color", color_[0], color_[1], color_[2], color_[3])};
}

ShaderProgram& RadialBlur::activeProgram() const {
  return use_iterations_ ? *iterations_program_ : *origin_program_;
}

void RadialBlur::render(double /*time*/) {
  if (!texture_) throw std::runtime_error("Trying to radialblur without setting texture");
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ONE);
  ShaderProgram& program = activeProgram();
  program.Use();
  located_.Upload(program, uniforms());
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(texture_->Target(), texture_->id);
  EasyDraw::DrawQuad(0.0f, 0.0f, 1.0f, 1.0f);
}

}  // namespace Effects
