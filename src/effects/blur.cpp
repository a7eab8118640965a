#include "effects/blur.h"

#include <GL/glew.h>

#include <algorithm>

#include "util/fbo/fbo.h"
#include "util/gpuresources/gpuresources.h"

namespace Effects {

namespace {

constexpr float kMaxIterations = 16.0f;  // the shader's ring limit

}  // namespace

Blur::Blur() : PostProc("Blur", &Blur::uniformsFor) {
  addParam("Scale", 2.5f);
  addParam("Iterations", 3.0f);
  program = makeProgram("blur");
}

Blur::~Blur() = default;

std::vector<UniformValue> Blur::uniformsFor(const std::vector<float>& values, uint32_t /*width*/,
                                            uint32_t /*height*/, double /*beat*/) {
  return {UniformMat4("ProjectionMatrix", GpuResources::UnitSquareProjection()),
          UniformFloat("Scale", values.at(0) * 0.001f), UniformFloat("Iterations", values.at(1))};
}

float Blur::RadiusPixels(const std::vector<float>& values, uint32_t height) {
  const float rings = std::clamp(values.at(1), 0.0f, kMaxIterations);
  return values.at(0) * 0.001f * static_cast<float>(static_cast<int>(rings)) *
         static_cast<float>(height);
}

// Under one iteration only the centre tap is read.
bool Blur::IsPassThrough() const { return param_values.at(1) < 1.0f; }

void Blur::render(uint32_t width, uint32_t height, double beat, FBO* source) {
  half_drawn_ = source != nullptr && RadiusPixels(param_values, height) >= kHalfSizeRadius;
  if (half_drawn_) RenderHalfSize(width, height, beat, *source);
}

void Blur::RenderHalfSize(uint32_t width, uint32_t height, double beat, const FBO& source) {
  const auto half_width = static_cast<int32_t>((width + 1) / 2);
  const auto half_height = static_cast<int32_t>((height + 1) / 2);
  if (!half_) {
    half_ = std::make_unique<FBO>(half_width, half_height, FBOType::Color, 0);
  } else if (half_->width != half_width || half_->height != half_height) {
    half_->Resize(half_width, half_height);
  }
  half_->Bind();
  PostProc::apply(width, height, beat);
  glDisable(GL_DEPTH_TEST);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, source.color_textures.at(0)->id);
  GpuResources::Current().DrawUnitQuad();
  half_->Unbind();
}

void Blur::apply(uint32_t width, uint32_t height, double beat) {
  if (half_drawn_) {
    GpuResources::Current().UseCopyProgram();
  } else {
    PostProc::apply(width, height, beat);
  }
}

const FBO& Blur::DrawnBuffer(const FBO& picture) const {
  return half_drawn_ ? *half_ : picture;
}

}  // namespace Effects
