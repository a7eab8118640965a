// The draw side of Objects3D: the node walk, the plain and the shadowed main pass, the glow and
// depth-of-field passes with their composites, light markers, the debug box and pre-warming.
// A frame with shadows or glow draws its light into the linear-light frame and encodes it once.
// Every pass sets the GL state it needs; Draw puts back what the frame changed.

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include <GL/glew.h>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include "effects/skybox.h"
#include "objects3d/added_light.h"
#include "objects3d/closed_solid_culling.h"
#include "objects3d/context/rendercontext.h"
#include "objects3d/glow_bounds.h"
#include "objects3d/linear_light_frame.h"
#include "objects3d/node_walk.h"
#include "objects3d/objects3d.h"
#include "objects3d/objects3d_draw.h"
#include "objects3d/primitive_buffers.h"
#include "objects3d/shadow_faces.h"
#include "objects3d/shared_resources.h"
#include "system/log.h"
#include "util/camera/camera.h"
#include "util/easydraw/easydraw.h"
#include "util/fbo/fbo.h"
#include "util/glstate/blend_state.h"
#include "util/glstate/depth_state.h"
#include "util/glstate/face_culling.h"
#include "util/glstate/kept_state.h"
#include "util/light/light.h"
#include "util/light/shadowcubemap.h"
#include "util/passtiming/passtiming.h"
#include "util/shaderprogram/shaderconstructor.h"
#include "util/shaderprogram/shaderprogram.h"
#include "util/texture/texture.h"

namespace {

using Mode = RenderContextDrawMode;

constexpr int32_t kUnsizedTargetSide = 512;
// Depth pre-pass offset in depth-buffer steps: the rounding of a float depth written to a 32-bit
// buffer spans a few hundred steps.
constexpr float kPrepassOffsetUnits = 1024.0f;

void Check(bool condition, uint32_t line) {
  if (!condition) ExitMsg(__FILE__, line, "Assert failed");
}

// Makes the caller's program current again. A program deleted while it was current stays
// usable only while it stays current: once a pass has used another, its name is gone, and
// binding it again is an error, so nothing is bound then.
void RestoreProgram(GLint program) {
  const auto name = static_cast<GLuint>(program);
  glUseProgram(name != 0 && glIsProgram(name) ? name : 0);
}

// The GL state a frame of Objects3D changes, taken at the start of Draw and put back at its end.
class FrameStateGuard {
 public:
  FrameStateGuard() {
    glGetBooleanv(GL_CULL_FACE, &cull_face_);
    glGetIntegerv(GL_CULL_FACE_MODE, &cull_face_mode_);
    glGetIntegerv(GL_FRONT_FACE, &front_face_);
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear_color_.data());
    glGetIntegerv(GL_VIEWPORT, viewport_.data());
    glGetIntegerv(GL_CURRENT_PROGRAM, &program_);
    glGetIntegerv(GL_POLYGON_MODE, polygon_mode_.data());
    for (size_t i = 0; i < kCapabilities.size(); ++i) capabilities_[i] = glIsEnabled(kCapabilities[i]);
  }
  ~FrameStateGuard() {
    blend_.Apply();
    depth_.Apply();
    SetEnabled(GL_CULL_FACE, cull_face_);
    glCullFace(static_cast<GLenum>(cull_face_mode_));
    glFrontFace(static_cast<GLenum>(front_face_));
    glClearColor(clear_color_[0], clear_color_[1], clear_color_[2], clear_color_[3]);
    glViewport(viewport_[0], viewport_[1], viewport_[2], viewport_[3]);
    RestoreProgram(program_);
    glPolygonMode(GL_FRONT_AND_BACK, static_cast<GLenum>(polygon_mode_[0]));
    for (size_t i = 0; i < kCapabilities.size(); ++i) SetEnabled(kCapabilities[i], capabilities_[i]);
  }
  FrameStateGuard(const FrameStateGuard&) = delete;
  FrameStateGuard& operator=(const FrameStateGuard&) = delete;

 private:
  // Fixed-function switches the sky box and the debug box set.
  static constexpr std::array<GLenum, 3> kCapabilities = {GL_TEXTURE_CUBE_MAP, GL_TEXTURE_2D,
                                                          GL_LIGHTING};
  BlendState blend_ = BlendState::Current();
  DepthState depth_ = DepthState::Current();
  GLboolean cull_face_ = GL_FALSE;
  GLint cull_face_mode_ = GL_BACK;
  GLint front_face_ = GL_CCW;
  std::array<GLfloat, 4> clear_color_{};
  std::array<GLint, 4> viewport_{};
  GLint program_ = 0;
  std::array<GLint, 2> polygon_mode_{GL_FILL, GL_FILL};
  std::array<GLboolean, kCapabilities.size()> capabilities_{};
};

struct RenderSize {
  int32_t width;
  int32_t height;
  float aspect;
};

// An unsized scene draws at 512 x 512; a missing aspect follows the size.
RenderSize EffectiveSize(const Objects3D& o) {
  const int32_t w = o.render_width > 0 ? o.render_width : kUnsizedTargetSide;
  const int32_t h = o.render_height > 0 ? o.render_height : kUnsizedTargetSide;
  const float aspect = o.aspect > 0.0f ? o.aspect : static_cast<float>(w) / static_cast<float>(h);
  return {w, h, aspect};
}

void SetViewport(const RenderSize& size) {
  const CameraViewport v = LetterboxViewport(size.width, size.height, size.aspect);
  glViewport(v.x, v.y, v.width, v.height);
}

RenderContext& Context(Objects3D& o) {
  if (!o.render_context->brdf_lut) {
    const Objects3DSharedResources& shared = RequireObjects3DSharedResources();
    o.render_context->brdf_lut = shared.brdf_lut;
    o.render_context->env_diffuse = shared.env_diffuse;
    o.render_context->env_specular = shared.env_specular;
  }
  return *o.render_context;
}

// What closed solids of the camera's passes may leave out, primitive by primitive; kept by the
// model across frames.
ClosedSolidCulling& CameraClosedSolids(Objects3D& o) {
  if (!o.closed_solid_culling) o.closed_solid_culling = std::make_shared<ClosedSolidCulling>();
  return *o.closed_solid_culling;
}

// Hands every primitive of the walk to the draw of one pass. Where the pass culls no side
// itself and its depth test hides a solid's back faces behind its front faces, a closed solid
// seen from outside goes without its back faces.
class DrawVisitor : public NodeWalkVisitor {
 public:
  DrawVisitor(RenderContext& context, Mode mode, const Camera& camera, const glm::mat4& root,
              ClosedSolidCulling& closed_solids, bool cull_closed)
      : context_(context), mode_(mode), camera_(camera), root_(root), closed_solids_(closed_solids) {
    if (cull_closed && !glIsEnabled(GL_CULL_FACE) && DepthTestHidesBackFaces()) {
      near_reach_ = NearPlaneReach(camera.projection);
    }
  }
  void OnPrimitive(Primitive& primitive, const std::vector<glm::mat4>& world,
                   const std::vector<float>& weights) override {
    const bool cull = near_reach_ >= 0.0f &&
        closed_solids_.MayCullBackFaces(primitive, world, root_, near_reach_);
    if (cull) {
      glEnable(GL_CULL_FACE);
      glCullFace(GL_BACK);
    }
    DrawPrimitive(primitive, context_, mode_, world, camera_, weights);
    if (cull) glDisable(GL_CULL_FACE);
  }

 private:
  RenderContext& context_;
  Mode mode_;
  const Camera& camera_;
  glm::mat4 root_;
  ClosedSolidCulling& closed_solids_;
  // Negative: no primitive is culled by the visitor.
  float near_reach_ = -1.0f;
};

// The walk of every pass; its matrix lists are plain memory reused across frames.
NodeWalk& DrawWalk() {
  static NodeWalk walk;
  return walk;
}

void DrawTree(Objects3D& o, Mode mode, const glm::mat4& root, const Camera& camera) {
  // Primitives are wound counter-clockwise; a tree whose master node has no instances draws
  // nothing and leaves the winding as it was.
  if (!o.GetMasterNode().instances.empty()) glFrontFace(GL_CCW);
  GLint cull_mode = GL_BACK;
  glGetIntegerv(GL_CULL_FACE_MODE, &cull_mode);
  DrawVisitor visitor(Context(o), mode, camera, root, CameraClosedSolids(o),
                      o.closed_primitive_culling != 0);
  DrawWalk().Run(o, root, visitor);
  glCullFace(static_cast<GLenum>(cull_mode));
}

Camera& CurrentCamera(Objects3D& o) {
  const auto count = static_cast<int32_t>(o.data.cameras.size());
  if (o.cur_cam < 0 || o.cur_cam >= count) {
    ExitMsgFmt(__FILE__, __LINE__, "cur_cam {} out of range for {} cameras!", o.cur_cam, count);
  }
  return *o.data.cameras[static_cast<size_t>(o.cur_cam)];
}

std::unique_ptr<FBO> MakeTarget(const Objects3D& o, FBOType type) {
  const RenderSize size = EffectiveSize(o);
  return std::make_unique<FBO>(size.width, size.height, type, 0);
}

void SetUniform(ShaderProgram& program, const char* name, const glm::mat4& m) {
  const int32_t at = program.GetUniformLocation(name);
  if (at >= 0) glUniformMatrix4fv(at, 1, GL_FALSE, glm::value_ptr(m));
}
void SetUniform(ShaderProgram& program, const char* name, int32_t i) {
  const int32_t at = program.GetUniformLocation(name);
  if (at >= 0) glUniform1i(at, i);
}
void SetUniform(ShaderProgram& program, const char* name, float f) {
  const int32_t at = program.GetUniformLocation(name);
  if (at >= 0) glUniform1f(at, f);
}
void SetUniform(ShaderProgram& program, const char* name, const glm::vec4& v) {
  const int32_t at = program.GetUniformLocation(name);
  if (at >= 0) glUniform4fv(at, 1, glm::value_ptr(v));
}

// The marker model is drawn with this scene's camera and without its own extra passes.
void PrepareLightMarker(Objects3D& marker, const std::shared_ptr<Camera>& camera) {
  marker.glow_enabled = 0;
  marker.lights_enabled = 0;
  marker.shadows_enabled = 0;
  for (const auto& light : marker.data.lights) light->shadows = marker.shadows_enabled;
  if (marker.data.cameras.empty()) {
    marker.data.cameras.push_back(camera);
  } else if (marker.data.cameras[0] != camera) {
    marker.data.cameras[0] = camera;
  }
  marker.cur_cam = marker.data.cameras.empty() ? -1 : 0;
}

// Runs `draw` with the marker model's master node moved to each light in turn.
template <typename DrawAt>
void ForEachMarkerPosition(Objects3D& o, bool enabled_only, DrawAt draw) {
  Objects3D& marker = *o.light_marker;
  if (marker.data.nodes.empty()) return;
  Node& master = marker.GetMasterNode();
  if (master.instances.empty()) return;
  const glm::mat4 saved = master.instances[0];
  for (const auto& light : o.data.lights) {
    if (enabled_only && !light->enabled) continue;
    master.instances[0] = glm::translate(saved, glm::vec3(light->position));
    draw(marker);
  }
  master.instances[0] = saved;
}

// The size the glow is blurred at: the frame's, or half of it rounded up.
RenderSize GlowBlurSize(const Objects3D& o) {
  const RenderSize size = EffectiveSize(o);
  if (!o.glow_half_size) return size;
  return {(size.width + 1) / 2, (size.height + 1) / 2, size.aspect};
}

// The glow picture's size: the blur's, or the frame's when a caller reads the picture itself.
RenderSize GlowSize(const Objects3D& o) {
  return o.glow_picture_full_size ? EffectiveSize(o) : GlowBlurSize(o);
}

// A glow target (the picture, its blur, the light added on resolve) at `size`, made on first use.
FBO& GlowTarget(std::unique_ptr<FBO>& target, const RenderSize& size) {
  if (!target) target = std::make_unique<FBO>(size.width, size.height, FBOType::Color, 0);
  target->Resize(size.width, size.height);
  return *target;
}

// Binds `target` cleared to transparent black (within the scissor box, if any), keeping the
// caller's clear colour.
void BindClearedToBlack(FBO& target) {
  std::array<GLfloat, 4> clear{};
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear.data());
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  target.Bind();
  glClearColor(clear[0], clear[1], clear[2], clear[3]);
}

PixelRect Intersection(const PixelRect& a, const PixelRect& b) {
  return {std::max(a.x0, b.x0), std::max(a.y0, b.y0), std::min(a.x1, b.x1), std::min(a.y1, b.y1)};
}

// The smallest rectangle holding both; either may be empty.
PixelRect Bounding(const PixelRect& a, const PixelRect& b) {
  if (a.Empty()) return b;
  if (b.Empty()) return a;
  return {std::min(a.x0, b.x0), std::min(a.y0, b.y0), std::max(a.x1, b.x1), std::max(a.y1, b.y1)};
}

void Scissor(const PixelRect& r) { glScissor(r.x0, r.y0, r.x1 - r.x0, r.y1 - r.y0); }

void GlowPass(Objects3D& o, const std::shared_ptr<Camera>& camera) {
  TimedPass timed("glow");
  const RenderSize size = GlowSize(o);
  FBO& target = GlowTarget(o.glow_fbo, size);
  BindClearedToBlack(target);
  // The glow picture must line up with the main pass, which draws into the letterboxed part.
  SetViewport(size);
  RenderContext& context = Context(o);
  context.lights.clear();
  const glm::mat4 root = CameraRootMatrix(*camera);
  DrawTree(o, Mode::Glow, root, *camera);
  if (o.draw_light_markers && o.light_marker) {
    PrepareLightMarker(*o.light_marker, camera);
    ForEachMarkerPosition(o, false, [&](Objects3D& marker) {
      DrawTree(marker, Mode::Glow, root, *camera);
    });
  }
  context.UnbindTextures();
  target.Unbind();
}

// The part of the target the blurred glow can light: the emitters' rectangle grown by the
// blur's reach and the filtering's; empty when nothing emits.
PixelRect GlowArea(Objects3D& o, const Camera& camera, const RenderSize& size) {
  const PixelRect whole{0, 0, size.width, size.height};
  o.glow_picture_area = whole;
  if (!o.glow_bounded) return whole;
  const CameraViewport v = LetterboxViewport(size.width, size.height, size.aspect);
  const std::optional<PixelRect> emitters =
      EmitterScreenBounds(o, camera, {v.x, v.y, v.width, v.height});
  if (!emitters) return whole;
  // A texel of a half-size picture spans two pixels, and the filtering reaches one texel on.
  const int32_t filtering = o.glow_half_size ? 4 : 2;
  o.glow_picture_area = GrowWithin(*emitters, filtering, filtering, size.width, size.height);
  const std::array<float, 2> reach = Blur2DReach();
  // At half size the blurred picture is filtered once more as it is stretched.
  const int32_t stretch = o.glow_half_size ? filtering : 0;
  const auto margin = [&](float fraction, int32_t side) {
    return static_cast<int32_t>(std::ceil(fraction * static_cast<float>(side))) + filtering + stretch;
  };
  return GrowWithin(*emitters, margin(reach[0], size.width), margin(reach[1], size.height),
                    size.width, size.height);
}

// Scissors to `area` within the caller's scissor box; puts the caller's box back when it goes.
class ScissorWithin {
 public:
  explicit ScissorWithin(const PixelRect& area) {
    glGetBooleanv(GL_SCISSOR_TEST, &enabled_);
    glGetIntegerv(GL_SCISSOR_BOX, box_.data());
    clip_ = area;
    if (enabled_) clip_ = Intersection(area, {box_[0], box_[1], box_[0] + box_[2], box_[1] + box_[3]});
    glEnable(GL_SCISSOR_TEST);
    if (!clip_.Empty()) Scissor(clip_);
  }
  ~ScissorWithin() {
    glScissor(box_[0], box_[1], box_[2], box_[3]);
    SetEnabled(GL_SCISSOR_TEST, enabled_);
  }
  ScissorWithin(const ScissorWithin&) = delete;
  ScissorWithin& operator=(const ScissorWithin&) = delete;
  const PixelRect& clip() const { return clip_; }

 private:
  GLboolean enabled_ = GL_FALSE;
  std::array<GLint, 4> box_{};
  PixelRect clip_;
};

// Draws `texture` over the whole of the bound target through `program` (the blur or the copy).
void DrawTextureOver(Objects3D& o, ShaderProgram& program, const Texture& texture) {
  program.Use();
  SetUniform(program, "ProjectionMatrix", o.screen_matrix);
  SetUniform(program, "Texture", 0);
  texture.BindToUnit(0);
  EasyDraw::DrawQuad(0.0f, 0.0f, 1.0f, 1.0f);
  texture.UnbindFromUnit(0);
}

// Blurs the glow picture into the blur target over the blur's pixels under `clip` (frame
// pixels) and one more on each side for the stretch's filtering; the scissor box is left at
// `clip`.
const Texture& BlurGlow(Objects3D& o, const PixelRect& clip) {
  const RenderSize size = GlowBlurSize(o);
  FBO& target = GlowTarget(o.glow_blur_fbo, size);
  target.BindWithoutClear();
  const PixelRect under = o.glow_half_size
      ? PixelRect{clip.x0 / 2, clip.y0 / 2, (clip.x1 + 1) / 2, (clip.y1 + 1) / 2}
      : clip;
  Scissor(GrowWithin(under, 1, 1, size.width, size.height));
  glDisable(GL_BLEND);
  DrawTextureOver(o, *RequireObjects3DSharedResources().blur_shader, *o.glow_fbo->color_textures[0]);
  target.Unbind();
  Scissor(clip);
  return *target.color_textures[0];
}

// The blurred glow stretched over a picture of the frame's size, with the light the caller adds
// drawn onto it, for the resolve to add within `clip` (the glow's area and the caller's light's).
const Texture& WithCallersLight(Objects3D& o, const PixelRect& glow, const PixelRect& callers,
                                const PixelRect& clip) {
  const Texture* blurred = glow.Empty() ? nullptr : &BlurGlow(o, glow);
  FBO& target = GlowTarget(o.added_light_fbo, EffectiveSize(o));
  Scissor(clip);
  BindClearedToBlack(target);
  if (blurred) {
    Scissor(glow);
    DrawTextureOver(o, *RequireObjects3DSharedResources().copy_shader, *blurred);
  }
  if (!callers.Empty()) {
    Scissor(callers);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    o.added_light->Draw(o);
  }
  target.Unbind();
  return *target.color_textures[0];
}

// Blurs the glow picture (linear light) and hands it, with any light the caller adds, to the
// frame's resolve, which adds it to the frame's light once per sample as it reads; only where
// the glow or the caller's light can light anything.
void GlowComposite(Objects3D& o, const Camera& camera, const RenderSize& size, LinearLightFrame& frame) {
  TimedPass timed("glow composite");
  const PixelRect glow = GlowArea(o, camera, size);
  const PixelRect callers = o.added_light ? o.added_light->Area(o) : PixelRect{};
  const PixelRect both = Bounding(glow, callers);
  if (both.Empty()) return;
  const ScissorWithin scissor(both);
  const PixelRect& clip = scissor.clip();
  if (clip.Empty()) return;
  const KeptState<DepthState> depth;
  const KeptState<BlendState> blend;
  glDisable(GL_DEPTH_TEST);
  const PixelRect glow_clip = Intersection(glow, clip);
  if (callers.Empty()) {
    frame.AddOnResolve(BlurGlow(o, glow_clip), glow_clip);
  } else {
    frame.AddOnResolve(WithCallersLight(o, glow_clip, Intersection(callers, clip), clip), clip);
  }
}

// The sky box behind everything else. It leaves culling off: the caller's is put back. It also
// leaves the depth test on, and the passes after it draw with that (the train scene's stage
// relies on it after its monitor pictures).
void DrawSky(Objects3D& o, const std::shared_ptr<Camera>& camera, const RenderSize& size) {
  TimedPass timed("sky");
  GLint side = GL_BACK;
  glGetIntegerv(GL_CULL_FACE_MODE, &side);
  const FaceCullingScope culling(glIsEnabled(GL_CULL_FACE) ? static_cast<GLenum>(side) : GL_NONE);
  o.skybox->setCamera(camera, static_cast<uint32_t>(size.width), static_cast<uint32_t>(size.height),
                      size.aspect);
  o.skybox->render(0.0);
}

// Lays the depth of field's picture over the caller's target. The frame was drawn into it as
// into a layer (BlendState::IntoLayer), so its colour is premultiplied by its coverage; light
// over nothing (the glow around an emitter) has colour without coverage and adds.
void DepthOfFieldComposite(Objects3D& o, const Camera& camera) {
  TimedPass timed("depth of field");
  const Objects3DSharedResources& shared = RequireObjects3DSharedResources();
  o.dof_fbo->Unbind();
  const KeptState<DepthState> depth_test;
  const KeptState<BlendState> blending;
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  ShaderProgram& dof = *shared.dof_shader;
  dof.Use();
  const float n = camera.znear;
  const float f = camera.zfar;
  SetUniform(dof, "ProjectionMatrix", o.screen_matrix);
  SetUniform(dof, "tex_sharp", 0);
  SetUniform(dof, "tex_depth", 1);
  SetUniform(dof, "focus_point", n + (f - n) * camera.focusPoint);
  SetUniform(dof, "focus_range", (f - n) * camera.focusRange);
  SetUniform(dof, "focus_falloff", (f - n) * camera.focusFalloff);
  SetUniform(dof, "zNear", n);
  SetUniform(dof, "zFar", f);
  if (!o.dof_fbo->depth_texture) ExitMsg(__FILE__, __LINE__, "No depth texture is created!");
  const Texture& depth = *o.dof_fbo->depth_texture;
  const Texture& sharp = *o.dof_fbo->color_textures[0];
  depth.BindToUnit(1);
  sharp.BindToUnit(0);
  EasyDraw::DrawQuad(0.0f, 0.0f, 1.0f, 1.0f);
  depth.UnbindFromUnit(1);
  sharp.UnbindFromUnit(0);
}

// Lays down the depth of every opaque surface with colour writes off, through the cheap glow
// programs. The depths sit a little behind the main pass's own: two programs may round one
// position differently, by more than one step of a 32-bit depth buffer. So the main pass still
// passes the depth test exactly where its surface is the nearest and shades nothing that a
// clearly nearer surface covers; a surface just behind the nearest one may be shaded too and is
// then overwritten, as without the pre-pass.
// With the first shadowed light shaded in the ambient draw, production 6's stage costs about as
// much with the pre-pass as without (main pass and pre-pass 24 to 27 bare copies against 26);
// it stays on because the one draw is the dearest program of the frame, and a scene whose
// surfaces overlap more than the stage's saves that much more of it.
void DepthPrepass(Objects3D& o, const Camera& camera) {
  TimedPass timed("depth pre-pass");
  RenderContext& context = Context(o);
  context.lights.clear();
  context.depth_only = 1;
  std::array<GLboolean, 4> colour_writes{};
  glGetBooleanv(GL_COLOR_WRITEMASK, colour_writes.data());
  const GLboolean offset = glIsEnabled(GL_POLYGON_OFFSET_FILL);
  std::array<GLfloat, 2> offset_by{};
  glGetFloatv(GL_POLYGON_OFFSET_FACTOR, &offset_by[0]);
  glGetFloatv(GL_POLYGON_OFFSET_UNITS, &offset_by[1]);
  glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
  glEnable(GL_POLYGON_OFFSET_FILL);
  glPolygonOffset(1.0f, kPrepassOffsetUnits);
  DrawTree(o, Mode::Glow, CameraRootMatrix(camera), camera);
  glPolygonOffset(offset_by[0], offset_by[1]);
  SetEnabled(GL_POLYGON_OFFSET_FILL, offset);
  glColorMask(colour_writes[0], colour_writes[1], colour_writes[2], colour_writes[3]);
  context.depth_only = 0;
  context.UnbindTextures();
}

void CollectEnabledLights(Objects3D& o, RenderContext& context) {
  context.lights.clear();
  if (!o.lights_enabled) return;
  for (const auto& light : o.data.lights) {
    if (!light->enabled) continue;
    if (context.lights.size() == kMaxShaderLights) {
      LogInfo("More than {} lights enabled; the rest are not drawn", kMaxShaderLights);
      break;
    }
    context.lights.push_back(light);
  }
}

// The culling of the passes that shade what the camera sees: back faces are left out where the
// shadow faces cull front faces (they take no light); closed solids lose theirs primitive by
// primitive.
GLenum SeenSideCulling(const Objects3D& o, bool shadow_light) {
  return shadow_light && o.shadow_cull_front ? GL_BACK : GL_NONE;
}

// `seen_only`: the faces no surface in the camera's view reads may be left as they are.
void ShadowFaces(Objects3D& o, const std::shared_ptr<Light>& light, const Camera& camera,
                 bool seen_only = true) {
  TimedPass timed("shadow faces");
  // Where the faces take no front face, closed solids still lose their back faces primitive by
  // primitive: the nearest surface a closed solid shows the light is one of its front faces.
  const FaceCullingScope culling(o.shadow_cull_front ? GL_FRONT : GL_NONE);
  light->UpdateMatrix();
  if (!o.shadow_faces) o.shadow_faces = std::make_shared<ShadowFaceRenderer>();
  const ShadowFaceOptions options{o.shadow_face_culling != 0, o.shadow_face_cache != 0,
                                  seen_only && o.shadow_face_skip_unseen != 0,
                                  o.shadow_face_scissor != 0};
  o.shadow_faces->Render(o, Context(o), *light, camera, options);
}

// Compares depths by `func` for the length of a pass; the caller's function is put back.
class KeptDepthFunc {
 public:
  explicit KeptDepthFunc(GLenum func) {
    glGetIntegerv(GL_DEPTH_FUNC, &saved_);
    glDepthFunc(func);
  }
  ~KeptDepthFunc() { glDepthFunc(static_cast<GLenum>(saved_)); }
  KeptDepthFunc(const KeptDepthFunc&) = delete;
  KeptDepthFunc& operator=(const KeptDepthFunc&) = delete;

 private:
  GLint saved_ = GL_LESS;
};

// Lets the first fragment of each sample through and no other until the stencil is cleared.
// Restores the stencil state it changed when it goes.
class FirstFragmentOnly {
 public:
  FirstFragmentOnly() {
    glGetBooleanv(GL_STENCIL_TEST, &test_);
    glGetIntegerv(GL_STENCIL_FUNC, &func_);
    glGetIntegerv(GL_STENCIL_REF, &ref_);
    glGetIntegerv(GL_STENCIL_VALUE_MASK, &value_mask_);
    glGetIntegerv(GL_STENCIL_WRITEMASK, &write_mask_);
    glGetIntegerv(GL_STENCIL_FAIL, &ops_[0]);
    glGetIntegerv(GL_STENCIL_PASS_DEPTH_FAIL, &ops_[1]);
    glGetIntegerv(GL_STENCIL_PASS_DEPTH_PASS, &ops_[2]);
    glGetIntegerv(GL_STENCIL_CLEAR_VALUE, &clear_);
    glEnable(GL_STENCIL_TEST);
    glStencilMask(0xFF);
    glClearStencil(0);
    glClear(GL_STENCIL_BUFFER_BIT);
    glStencilFunc(GL_EQUAL, 0, 0xFF);
    glStencilOp(GL_KEEP, GL_KEEP, GL_INCR);
  }
  ~FirstFragmentOnly() {
    SetEnabled(GL_STENCIL_TEST, test_);
    glStencilFunc(static_cast<GLenum>(func_), ref_, static_cast<GLuint>(value_mask_));
    glStencilMask(static_cast<GLuint>(write_mask_));
    glStencilOp(static_cast<GLenum>(ops_[0]), static_cast<GLenum>(ops_[1]),
                static_cast<GLenum>(ops_[2]));
    glClearStencil(clear_);
  }
  FirstFragmentOnly(const FirstFragmentOnly&) = delete;
  FirstFragmentOnly& operator=(const FirstFragmentOnly&) = delete;

 private:
  GLboolean test_ = GL_FALSE;
  GLint func_ = GL_ALWAYS, ref_ = 0, value_mask_ = 0xFF, write_mask_ = 0xFF, clear_ = 0;
  std::array<GLint, 3> ops_{GL_KEEP, GL_KEEP, GL_KEEP};
};

// Puts the cube map of the pass's light i on unit i, where the shadowed programs read it.
void BindShadowMaps(RenderContext& context) {
  for (uint32_t i = 0; i < context.LightCount(); ++i) {
    glActiveTexture(GL_TEXTURE0 + i);
    glBindTexture(GL_TEXTURE_CUBE_MAP, context.lights[i]->shadow_map->texture());
  }
  glActiveTexture(GL_TEXTURE0);
  context.shadow_map_bound = 1;
}

void UnbindShadowMaps(RenderContext& context) {
  context.UnbindTextures();
  for (uint32_t i = 0; i < context.LightCount(); ++i) {
    glActiveTexture(GL_TEXTURE0 + i);
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
  }
  glActiveTexture(GL_TEXTURE0);
  context.shadow_map_bound = 0;
}

void ShadowLightingPass(Objects3D& o, const Camera& camera) {
  RenderContext& context = Context(o);
  const KeptState<BlendState> blend;
  // Each light adds its linear light into the linear-light frame; coverage stays the ambient
  // pass's.
  glEnable(GL_BLEND);
  glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE, GL_ZERO, GL_ONE);
  BindShadowMaps(context);
  const FaceCullingScope culling(SeenSideCulling(o, true));
  // The additive pass lights exactly the surfaces the ambient pass left in front: the vertex
  // stage's position is invariant, so the same surface meets the same depth. A looser test would
  // let a second surface at a silhouette add its light too.
  const KeptDepthFunc depth_func(GL_EQUAL);
  {
    // Coplanar surfaces (a mesh's overlapping triangles, a face drawn twice) meet that depth
    // alike, and each would add the light again: each sample takes the light once.
    const FirstFragmentOnly once;
    DrawTree(o, Mode::ShadowLighting, CameraRootMatrix(camera), camera);
  }
  UnbindShadowMaps(context);
}

// The image-based light and the emission of every surface; `with_lights`, the pass's lights
// times their shadows as well, in the same draw. Blends as the caller set it up, like any plain
// draw.
void AmbientPass(Objects3D& o, const Camera& camera, bool with_lights) {
  RenderContext& context = Context(o);
  const KeptDepthFunc depth_func(GL_LEQUAL);
  const FaceCullingScope culling(SeenSideCulling(o, false));
  if (!with_lights) {
    context.lights.clear();
    DrawTree(o, Mode::ShadowAmbient, CameraRootMatrix(camera), camera);
    context.UnbindTextures();
    return;
  }
  BindShadowMaps(context);
  DrawTree(o, Mode::ShadowCombined, CameraRootMatrix(camera), camera);
  UnbindShadowMaps(context);
}

bool HasShadowPass(const Light& light) {
  return light.enabled && light.type != kLightTypeUnshadowed;
}

std::vector<std::shared_ptr<Light>> ShadowedLights(const Objects3D& o) {
  std::vector<std::shared_ptr<Light>> shadowed;
  if (!o.lights_enabled) return shadowed;
  for (const auto& light : o.data.lights) {
    if (HasShadowPass(*light)) shadowed.push_back(light);
  }
  return shadowed;
}

// Makes each light's cube map and draws its six faces; the lights become the pass's lights.
// Lights read in one draw need a map each: each takes the map of its place in the draw.
void PrepareShadowedLights(Objects3D& o, std::span<const std::shared_ptr<Light>> lights,
                           const Camera& camera) {
  RenderContext& context = Context(o);
  for (size_t i = 0; i < lights.size(); ++i) {
    const std::shared_ptr<Light>& light = lights[i];
    light->shadows = 1;
    light->CreateShadowTexturesAt(static_cast<uint32_t>(i));
    context.lights.assign(1, light);
    ShadowFaces(o, light, camera);
  }
  context.lights.assign(lights.begin(), lights.end());
}

}  // namespace

void RenderShadowFaces(Objects3D& scene, const std::shared_ptr<Light>& light) {
  RenderContext& context = Context(scene);
  light->shadows = 1;
  light->CreateShadowTextures();
  context.lights.assign(1, light);
  ShadowFaces(scene, light, CurrentCamera(scene), false);
  context.lights.clear();
}

std::shared_ptr<Light>& Objects3D::AddLight() {
  data.lights.push_back(std::make_shared<Light>());
  return data.lights.back();
}

void Objects3D::SetLightShadowPlanes(const ShadowPlanes& planes) {
  for (const auto& light : data.lights) {
    light->shadow_near = planes.near_plane;
    light->shadow_far = planes.far_plane;
    light->projection = planes.projection;
  }
}

void Objects3D::ResizeLights(uint32_t width, uint32_t height) {
  for (const auto& light : data.lights) {
    light->last_width = width;
    light->last_height = height;
  }
  if (!CurrentShadowCubeMap()) return;
  GLint max_cube = 0;
  glGetIntegerv(GL_MAX_CUBE_MAP_TEXTURE_SIZE, &max_cube);
  RequestShadowCubeMapSize(ShadowMapSize(width, max_cube));
}

void Objects3D::DrawNormal() {
  Camera& camera = CurrentCamera(*this);
  RenderContext& context = Context(*this);
  CollectEnabledLights(*this, context);
  DrawTree(*this, Mode::Normal, CameraRootMatrix(camera), camera);
  context.UnbindTextures();
}

void Objects3D::DrawShadowed() {
  Camera& camera = CurrentCamera(*this);
  RenderContext& context = Context(*this);
  const std::vector<std::shared_ptr<Light>> shadowed = ShadowedLights(*this);
  const std::span<const std::shared_ptr<Light>> lights(shadowed);
  // A light this frame leaves out keeps no map but the shared one (a show that lit it beside
  // others once, or the warm-up, would keep its map for nothing).
  for (const auto& light : data.lights) {
    if (std::find(shadowed.begin(), shadowed.end(), light) == shadowed.end()) {
      light->ReleasePlacedShadowTextures();
    }
  }
  size_t first_added = 0;
  // A back face takes no light where the shadow faces cull front faces (the additive pass culls
  // back faces then); the one draw cannot, as the image-based light lights back faces too.
  if (!lights.empty() && one_pass_light && !shadow_cull_front) {
    first_added = shadowed_lights_in_one_draw ? std::min<size_t>(lights.size(), kMaxShaderLights)
                                              : 1;
    PrepareShadowedLights(*this, lights.first(first_added), camera);
    AmbientPass(*this, camera, true);
  } else {
    AmbientPass(*this, camera, false);
  }
  for (size_t i = first_added; i < lights.size(); ++i) {
    PrepareShadowedLights(*this, lights.subspan(i, 1), camera);
    ShadowLightingPass(*this, camera);
  }
  const bool additive = first_added < lights.size();
  context.lights.clear();
  // What a frame draws after its shadowed passes (the light markers) draws with the culling
  // they end with: none, or back faces culled after additive passes where the shadow faces cull
  // front faces. A marker's look depends on it (the ball's mirror shows its inside without).
  SetEnabled(GL_CULL_FACE, additive && shadow_cull_front);
  glCullFace(GL_BACK);
}

void Objects3D::DrawLightMarkers(float size) {
  Check(!data.cameras.empty() && render_width > 0 && render_height > 0, __LINE__);
  const std::shared_ptr<Camera>& camera = data.cameras[static_cast<size_t>(cur_cam)];
  if (light_marker) {
    PrepareLightMarker(*light_marker, camera);
    ForEachMarkerPosition(*this, true, [](Objects3D& marker) { marker.Draw(); });
    return;
  }
  const glm::mat4 projection = camera->SetUpMatrices(render_width, render_height, aspect);
  ShaderProgram& flat = *RequireObjects3DSharedResources().flat_shader;
  flat.Use();
  SetUniform(flat, "ProjectionMatrix", projection);
  const glm::mat4 root = CameraRootMatrix(*camera);
  for (const auto& light : data.lights) {
    if (!light->enabled || light->type == kLightTypeUnshadowed) continue;
    SetUniform(flat, "ModelViewMatrix", glm::translate(root, glm::vec3(light->position)));
    SetUniform(flat, "Color", glm::vec4(light->color, 1.0f));
    EasyDraw::DrawIcosphere(size);
  }
}

void Objects3D::DrawDebugBBox(const std::string& node_name) {
  glm::vec3 min(0.0f);
  glm::vec3 max(0.0f);
  GetNodeBBox(node_name, min, max);
  Check(!data.cameras.empty() && render_width > 0 && render_height > 0, __LINE__);
  Camera& camera = CurrentCamera(*this);
  const glm::mat4 projection = camera.SetUpMatrices(render_width, render_height, aspect);
  glDisable(GL_TEXTURE_CUBE_MAP);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_LIGHTING);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glDisable(GL_CULL_FACE);
  const glm::vec3 size = glm::abs(max - min);
  const glm::vec3 centre = (min + max) * 0.5f;
  ShaderProgram& flat = *RequireObjects3DSharedResources().flat_shader;
  flat.Use();
  SetUniform(flat, "Color", glm::vec4(0.0f, 0.5f, 1.0f, 0.3f));
  SetUniform(flat, "ProjectionMatrix", projection);
  SetUniform(flat, "ModelViewMatrix", glm::translate(CameraRootMatrix(camera), centre));
  glDisable(GL_DEPTH_TEST);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  EasyDraw::DrawBox(size.x, size.y, size.z);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
  EasyDraw::DrawBox(size.x, size.y, size.z);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

void Objects3D::Draw() {
  if (data.nodes.empty()) return;
  RenderContext& context = Context(*this);
  context.shadow_map_bound = 0;
  context.lights.clear();
  CurrentCamera(*this);
  const std::shared_ptr<Camera> camera = data.cameras[static_cast<size_t>(cur_cam)];
  const RenderSize size = EffectiveSize(*this);
  FrameStateGuard restore_state;

  if (dof_enabled) {
    TimedPass timed("depth of field clear");
    if (!dof_fbo) dof_fbo = MakeTarget(*this, FBOType::ColorDepthTexture);
    dof_fbo->Bind();
    // Its picture is laid over the target as a layer, premultiplied by its coverage.
    BlendState::Current().IntoLayer().Apply();
  }
  if (skybox_enabled && skybox) DrawSky(*this, camera, size);
  camera->SetUpMatrices(size.width, size.height, size.aspect);
  if (glow_enabled) GlowPass(*this, camera);
  const bool shadowed = shadows_enabled && !data.lights.empty();
  // Shadowed light and glow add up: they go through the linear-light frame, encoded once.
  std::optional<LinearLightFrame> frame;
  if (shadowed || glow_enabled) {
    TimedPass timed("linear frame clear");
    frame.emplace(*this, size.width, size.height);
  }
  context.linear_target = frame.has_value() ? 1 : 0;
  {
    TimedPass timed("main");
    if (depth_prepass) DepthPrepass(*this, *camera);
    if (shadowed) {
      DrawShadowed();
    } else {
      DrawNormal();
    }
  }
  if (glow_enabled && glow_fbo && frame) GlowComposite(*this, *camera, size, *frame);
  context.linear_target = 0;
  if (frame) {
    TimedPass timed("linear resolve");
    frame->Resolve();
  }
  if (draw_light_markers) {
    TimedPass timed("markers");
    DrawLightMarkers(light_marker_size);
  }
  if (draw_bbox) DrawDebugBBox("");
  if (dof_enabled) DepthOfFieldComposite(*this, *camera);
  glActiveTexture(GL_TEXTURE0);
  glBindVertexArray(0);
}

void Objects3D::Prewarm() {
  if (glow_enabled) GlowTarget(glow_fbo, GlowSize(*this));
  if (glow_enabled) GlowTarget(glow_blur_fbo, GlowBlurSize(*this));
  if (dof_enabled && !dof_fbo) dof_fbo = MakeTarget(*this, FBOType::ColorDepthTexture);
  if (data.nodes.empty()) throw std::runtime_error("Tried GetMasterNode() with no nodes");
  // The one draw per primitive hands every buffer to the driver before the first frame; with
  // rasterizer discard nothing reaches any framebuffer, whichever is bound.
  // No program of ours is current: a caller's program may not be drawable with these arrays (its
  // samplers, say), so the draws go through the fixed pipeline, which takes any array.
  GLboolean discard = GL_FALSE;
  GLint program = 0;
  glGetBooleanv(GL_RASTERIZER_DISCARD, &discard);
  glGetIntegerv(GL_CURRENT_PROGRAM, &program);
  glEnable(GL_RASTERIZER_DISCARD);
  glUseProgram(0);
  UpdateBuffers(GetMasterNode());
  SetEnabled(GL_RASTERIZER_DISCARD, discard);
  RestoreProgram(program);
  glBindVertexArray(0);
}

void Objects3D::UpdateBuffers(const Node& node, size_t depth) {
  RequireNodeWalkDepth(data.nodes.size(), node, depth);
  if (node.enabled) {
    for (const uint32_t child : node.children) UpdateBuffers(GetNode(child), depth + 1);
  }
  glFrontFace(GL_CCW);
  if (!node.visible || !node.enabled) return;
  for (const uint32_t mesh_index : node.meshes) {
    const Mesh& mesh = GetMesh(mesh_index);
    if (!mesh.visible) continue;
    for (const auto& primitive : mesh.primitives) {
      UpdatePrimitiveBuffers(*primitive);
      primitive->buffers->Draw(primitive->draw_mode);
    }
  }
}
