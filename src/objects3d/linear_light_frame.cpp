#include "objects3d/linear_light_frame.h"

#include <memory>
#include <optional>

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
// The light Resolve adds (AddOnResolve).
constexpr GLuint kAddedUnit = 4;

int32_t BoundTargetSamples() {
  GLint samples = 0;
  glGetIntegerv(GL_SAMPLES, &samples);
  return samples >= 2 ? samples : 0;
}

// The samples a pixel of the frame needs: the target's, or one while multisampling is off and
// the scene lets the frame follow that (every sample of a pixel then gets the same fragment).
int32_t FrameSamples(const Objects3D& scene) {
  const bool single = scene.linear_frame_single_sampled_without_multisampling != 0 &&
                      glIsEnabled(GL_MULTISAMPLE) == GL_FALSE;
  return single ? 0 : BoundTargetSamples();
}

void SetInt(ShaderProgram& program, const char* name, int32_t value) {
  const int32_t at = program.GetUniformLocation(name);
  if (at >= 0) glUniform1i(at, value);
}

// Whether a fragment's depth reaches the bound target: only with the depth test on and depth
// writes allowed.
bool DepthIsWritten() {
  GLboolean mask = GL_TRUE;
  glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
  return glIsEnabled(GL_DEPTH_TEST) == GL_TRUE && mask == GL_TRUE;
}

}  // namespace

LinearLightFrame::LinearLightFrame(Objects3D& scene, int32_t width, int32_t height)
    : scene_(scene), width_(width), height_(height) {
  caller_blend_ = BlendState::Current();
  caller_blend_.IntoLayer().Apply();
  glGetIntegerv(GL_DEPTH_FUNC, &caller_depth_func_);
  glGetIntegerv(GL_VIEWPORT, caller_viewport_);
  glGetBooleanv(GL_STENCIL_TEST, &caller_stencil_test_);
  glDisable(GL_STENCIL_TEST);
  const int32_t samples = FrameSamples(scene);
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

void LinearLightFrame::AddOnResolve(const Texture& picture, const PixelRect& area) {
  added_ = &picture;
  added_area_ = area;
}

void LinearLightFrame::BindResolveInputs() {
  FBO& frame = *scene_.linear_fbo;
  const bool multisampled = frame.IsMultisampled();
  // Where the target takes no depth, the frame's depth is not read at all.
  const bool reads_depth = !scene_.resolve_reads_depth_only_when_written || DepthIsWritten();
  const ResolveVariant variant{multisampled, reads_depth, added_ != nullptr};
  ShaderProgram& resolve = RequireLinearResolveProgram(
      scene_.resolve_variant_programs ? std::optional<ResolveVariant>(variant) : std::nullopt);
  resolve.Use();
  const int32_t at = resolve.GetUniformLocation("ProjectionMatrix");
  if (at >= 0) glUniformMatrix4fv(at, 1, GL_FALSE, glm::value_ptr(scene_.screen_matrix));
  SetInt(resolve, "u_Light", static_cast<int32_t>(kLightUnit));
  SetInt(resolve, "u_Depth", static_cast<int32_t>(kDepthUnit));
  SetInt(resolve, "u_LightSamples", static_cast<int32_t>(kLightSamplesUnit));
  SetInt(resolve, "u_DepthSamples", static_cast<int32_t>(kDepthSamplesUnit));
  SetInt(resolve, "u_Added", static_cast<int32_t>(kAddedUnit));
  SetInt(resolve, "u_Samples", multisampled ? frame.samples : 0);
  SetInt(resolve, "u_ReadDepth", reads_depth);
  SetInt(resolve, "u_Premultiplied", caller_blend_.enabled);
  const PixelRect area = added_ ? added_area_ : PixelRect{};
  const int32_t area_at = resolve.GetUniformLocation("u_AddedArea");
  if (area_at >= 0) glUniform4i(area_at, area.x0, area.y0, area.x1, area.y1);
  const int32_t scale_at = resolve.GetUniformLocation("u_AddedScale");
  if (scale_at >= 0) {
    glUniform2f(scale_at, 1.0f / static_cast<float>(width_), 1.0f / static_cast<float>(height_));
  }
  frame.color_textures[0]->BindToUnit(multisampled ? kLightSamplesUnit : kLightUnit);
  frame.depth_texture->BindToUnit(multisampled ? kDepthSamplesUnit : kDepthUnit);
  if (added_) added_->BindToUnit(kAddedUnit);
}

void LinearLightFrame::UnbindResolveInputs() {
  FBO& frame = *scene_.linear_fbo;
  const bool multisampled = frame.IsMultisampled();
  if (added_) added_->UnbindFromUnit(kAddedUnit);
  frame.depth_texture->UnbindFromUnit(multisampled ? kDepthSamplesUnit : kDepthUnit);
  frame.color_textures[0]->UnbindFromUnit(multisampled ? kLightSamplesUnit : kLightUnit);
  glActiveTexture(GL_TEXTURE0);
}

void LinearLightFrame::Resolve() {
  scene_.linear_fbo->Unbind();
  if (caller_stencil_test_) glEnable(GL_STENCIL_TEST);
  BindResolveInputs();
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, caller_blend_.Adds() ? GL_ONE : GL_ONE_MINUS_SRC_ALPHA);
  glDepthFunc(GL_LEQUAL);
  glViewport(0, 0, width_, height_);
  EasyDraw::DrawQuad(0.0f, 0.0f, 1.0f, 1.0f);
  UnbindResolveInputs();
  caller_blend_.Apply();
  glDepthFunc(static_cast<GLenum>(caller_depth_func_));
  glViewport(caller_viewport_[0], caller_viewport_[1], caller_viewport_[2], caller_viewport_[3]);
}
