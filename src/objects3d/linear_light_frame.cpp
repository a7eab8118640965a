#include "objects3d/linear_light_frame.h"

#include <memory>

#include <glm/gtc/type_ptr.hpp>

#include "objects3d/objects3d.h"
#include "objects3d/shared_resources.h"
#include "util/easydraw/easydraw.h"
#include "util/fbo/fbo.h"
#include "util/shaderprogram/shaderprogram.h"
#include "util/texture/texture.h"

namespace {

// Texture units of the resolve program: single-sampled colour and depth, then multisampled.
constexpr GLuint kLightUnit = 0;
constexpr GLuint kDepthUnit = 1;
constexpr GLuint kLightSamplesUnit = 2;
constexpr GLuint kDepthSamplesUnit = 3;

int32_t BoundTargetSamples() {
  GLint samples = 0;
  glGetIntegerv(GL_SAMPLES, &samples);
  return samples >= 2 ? samples : 0;
}

void SetInt(ShaderProgram& program, const char* name, int32_t value) {
  const int32_t at = program.GetUniformLocation(name);
  if (at >= 0) glUniform1i(at, value);
}

}  // namespace

LinearLightFrame::LinearLightFrame(Objects3D& scene, int32_t width, int32_t height)
    : scene_(scene), width_(width), height_(height) {
  glGetBooleanv(GL_BLEND, &caller_blend_);
  glGetIntegerv(GL_BLEND_SRC_RGB, &caller_factors_[0]);
  glGetIntegerv(GL_BLEND_DST_RGB, &caller_factors_[1]);
  glGetIntegerv(GL_BLEND_SRC_ALPHA, &caller_factors_[2]);
  glGetIntegerv(GL_BLEND_DST_ALPHA, &caller_factors_[3]);
  glGetIntegerv(GL_DEPTH_FUNC, &caller_depth_func_);
  glGetIntegerv(GL_VIEWPORT, caller_viewport_);
  glGetBooleanv(GL_STENCIL_TEST, &caller_stencil_test_);
  glDisable(GL_STENCIL_TEST);
  const int32_t samples = BoundTargetSamples();
  std::unique_ptr<FBO>& frame = scene.linear_fbo;
  if (!frame || frame->samples != samples) {
    frame = std::make_unique<FBO>(width, height, FBOType::LinearLight, samples);
  }
  frame->Resize(width, height);
  // The clear must reach every channel and the depth whatever masks the caller left.
  GLboolean depth_mask = GL_TRUE;
  glGetBooleanv(GL_DEPTH_WRITEMASK, &depth_mask);
  GLfloat clear[4] = {0, 0, 0, 0};
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  glDepthMask(GL_TRUE);
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  frame->Bind();
  glClearColor(clear[0], clear[1], clear[2], clear[3]);
  glDepthMask(depth_mask);
  glViewport(caller_viewport_[0], caller_viewport_[1], caller_viewport_[2], caller_viewport_[3]);
}

void LinearLightFrame::Resolve() {
  FBO& frame = *scene_.linear_fbo;
  frame.Unbind();
  if (caller_stencil_test_) glEnable(GL_STENCIL_TEST);
  ShaderProgram& resolve = *RequireObjects3DSharedResources().resolve_shader;
  resolve.Use();
  const int32_t at = resolve.GetUniformLocation("ProjectionMatrix");
  if (at >= 0) glUniformMatrix4fv(at, 1, GL_FALSE, glm::value_ptr(scene_.screen_matrix));
  const bool multisampled = frame.IsMultisampled();
  SetInt(resolve, "u_Light", static_cast<int32_t>(kLightUnit));
  SetInt(resolve, "u_Depth", static_cast<int32_t>(kDepthUnit));
  SetInt(resolve, "u_LightSamples", static_cast<int32_t>(kLightSamplesUnit));
  SetInt(resolve, "u_DepthSamples", static_cast<int32_t>(kDepthSamplesUnit));
  SetInt(resolve, "u_Samples", multisampled ? frame.samples : 0);
  const Texture& light = *frame.color_textures[0];
  const Texture& depth = *frame.depth_texture;
  const GLuint light_unit = multisampled ? kLightSamplesUnit : kLightUnit;
  const GLuint depth_unit = multisampled ? kDepthSamplesUnit : kDepthUnit;
  light.BindToUnit(light_unit);
  depth.BindToUnit(depth_unit);

  const bool additive = caller_blend_ && caller_factors_[1] == GL_ONE;
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, additive ? GL_ONE : GL_ONE_MINUS_SRC_ALPHA);
  glDepthFunc(GL_LEQUAL);
  glViewport(0, 0, width_, height_);
  EasyDraw::DrawQuad(0.0f, 0.0f, 1.0f, 1.0f);

  depth.UnbindFromUnit(depth_unit);
  light.UnbindFromUnit(light_unit);
  glActiveTexture(GL_TEXTURE0);
  if (!caller_blend_) glDisable(GL_BLEND);
  glBlendFuncSeparate(static_cast<GLenum>(caller_factors_[0]), static_cast<GLenum>(caller_factors_[1]),
                      static_cast<GLenum>(caller_factors_[2]), static_cast<GLenum>(caller_factors_[3]));
  glDepthFunc(static_cast<GLenum>(caller_depth_func_));
  glViewport(caller_viewport_[0], caller_viewport_[1], caller_viewport_[2], caller_viewport_[3]);
}
