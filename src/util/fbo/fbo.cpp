#include "util/fbo/fbo.h"

#include <algorithm>
#include <limits>

#include "system/log.h"

namespace {

constexpr int32_t kRequiredDrawBuffers = 3;

// Puts back the draw and read framebuffer bindings found at construction, so that building or
// resizing a target inside another target's Bind/Unbind leaves the outer one bound. Making the
// attachments binds textures on the active unit and a renderbuffer; those bindings are put back
// too, so a caller's bound texture is not swapped for this target's own (which it would then
// sample while drawing into it).
class BuildStateGuard {
 public:
  BuildStateGuard() {
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &draw_);
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &read_);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture_2d_);
    glGetIntegerv(GL_TEXTURE_BINDING_2D_MULTISAMPLE, &texture_multisample_);
    glGetIntegerv(GL_RENDERBUFFER_BINDING, &renderbuffer_);
  }
  ~BuildStateGuard() {
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(draw_));
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(read_));
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture_2d_));
    glBindTexture(GL_TEXTURE_2D_MULTISAMPLE, static_cast<GLuint>(texture_multisample_));
    glBindRenderbuffer(GL_RENDERBUFFER, static_cast<GLuint>(renderbuffer_));
  }
  BuildStateGuard(const BuildStateGuard&) = delete;
  BuildStateGuard& operator=(const BuildStateGuard&) = delete;

 private:
  GLint draw_ = 0;
  GLint read_ = 0;
  GLint texture_2d_ = 0;
  GLint texture_multisample_ = 0;
  GLint renderbuffer_ = 0;
};

const char* StatusName(GLenum status) {
  switch (status) {
    case GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT: return "GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT";
    case GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT:
      return "GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT";
    case GL_FRAMEBUFFER_INCOMPLETE_DIMENSIONS_EXT: return "GL_FRAMEBUFFER_INCOMPLETE_DIMENSIONS";
    case GL_FRAMEBUFFER_INCOMPLETE_FORMATS_EXT: return "GL_FRAMEBUFFER_INCOMPLETE_FORMATS";
    case GL_FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER: return "GL_FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER";
    case GL_FRAMEBUFFER_INCOMPLETE_READ_BUFFER: return "GL_FRAMEBUFFER_INCOMPLETE_READ_BUFFER";
    case GL_FRAMEBUFFER_UNSUPPORTED: return "GL_FRAMEBUFFER_UNSUPPORTED";
    case GL_FRAMEBUFFER_INCOMPLETE_MULTISAMPLE: return "GL_FRAMEBUFFER_INCOMPLETE_MULTISAMPLE";
    default: return "Unknown error ";
  }
}

// The most samples every attachment kind takes: multisampled renderbuffers (GL_MAX_SAMPLES)
// and multisampled colour and depth textures, whose limits a driver may set lower.
int32_t MaxAttachmentSamples() {
  GLint limit = 0;
  int32_t lowest = std::numeric_limits<int32_t>::max();
  for (const GLenum name :
       {GL_MAX_SAMPLES, GL_MAX_COLOR_TEXTURE_SAMPLES, GL_MAX_DEPTH_TEXTURE_SAMPLES}) {
    glGetIntegerv(name, &limit);
    lowest = std::min(lowest, static_cast<int32_t>(limit));
  }
  return lowest;
}

int32_t ClampSamples(int32_t samples) {
  if (samples < 2) return samples;
  const int32_t max_samples = MaxAttachmentSamples();
  if (samples > max_samples) {
    LogInfo("Lowering FBO samples from {} to the driver's maximum {}", samples, max_samples);
    return max_samples;
  }
  return samples;
}

}  // namespace

std::pair<int32_t, int32_t> PowerOfTwoTargetSize(int32_t width) {
  // Doubling stops at 2^30: one more step would overflow, and no target is that wide.
  int32_t p = 2;
  while (p < width && p < (1 << 30)) p *= 2;
  return {p / 2, p / 2};
}

FBO::FBO(int32_t new_width, int32_t new_height, FBOType type, int32_t new_samples)
    : width(new_width), height(new_height), samples(ClampSamples(new_samples)) {
  glGetIntegerv(GL_MAX_DRAW_BUFFERS, &max_draw_buffers);
  if (max_draw_buffers < kRequiredDrawBuffers) {
    ExitMsgFmt(__FILE__, __LINE__,
               "GL_MAX_DRAW_BUFFERS is {}, which just ain't gonna cut it. You must have {} for "
               "this ride.",
               max_draw_buffers, kRequiredDrawBuffers);
  }
  BuildStateGuard restore_state;
  glGenFramebuffers(1, &framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  BuildLayout(type);
  if (!CheckStatus()) {
    ExitMsgFmt(__FILE__, __LINE__, "Failed to create FBO of size {}x{}!", width, height);
  }
}

FBO::FBO(int32_t new_width, int32_t new_height)
    : width(new_width), height(new_height), samples(0) {
  BuildStateGuard restore_state;
  glGenFramebuffers(1, &framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glDrawBuffer(GL_NONE);
  glReadBuffer(GL_NONE);
}

void FBO::BuildLayout(FBOType type) {
  switch (type) {
    case FBOType::MipmappedColor:
      AddDepthBuffer();
      AddColorAttachment(GL_RGBA8, true);
      break;
    case FBOType::ThreeFloatColors:
      AddDepthBuffer();
      for (int i = 0; i < 3; ++i) AddColorAttachment(GL_RGBA32F, true);
      break;
    case FBOType::FloatColor:
      AddDepthBuffer();
      AddColorAttachment(GL_RGBA32F, true);
      break;
    case FBOType::ColorDepthTexture:
      AddDepthTexture();
      AddColorAttachment(GL_RGBA8, false);
      break;
    case FBOType::Color:
      AddDepthBuffer();
      AddColorAttachment(GL_RGBA8, false);
      break;
    case FBOType::LinearLight:
      AddDepthTexture();
      AddColorAttachment(GL_RGBA16F, false);
      break;
    default:
      ExitMsg(__FILE__, __LINE__, "Unrecognized FBO type");
  }
}

// Deleting attached objects needs no binding: GL detaches them, and a deleted framebuffer that
// was bound falls back to the default one. The bindings the caller has stay as they are.
FBO::~FBO() {
  if (depth_renderbuffer != 0) glDeleteRenderbuffers(1, &depth_renderbuffer);
  color_textures.clear();
  if (framebuffer != 0) glDeleteFramebuffers(1, &framebuffer);
  depth_texture.reset();
}

void FBO::AddDepthBuffer() {
  if (depth_renderbuffer != 0) ExitMsg(__FILE__, __LINE__, "Depth buffer already present!");
  glGenRenderbuffers(1, &depth_renderbuffer);
  glBindRenderbuffer(GL_RENDERBUFFER, depth_renderbuffer);
  if (IsMultisampled()) {
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_DEPTH_COMPONENT, width, height);
  } else {
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT, width, height);
  }
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
                            depth_renderbuffer);
}

void FBO::AddDepthTexture() {
  if (depth_texture) {
    ExitMsg(__FILE__, __LINE__, "Trying to add depth texture to an FBO that already has one!");
  }
  depth_texture = std::make_shared<Texture>();
  bool created = false;
  if (IsMultisampled()) {
    created = depth_texture->create_multisampled(static_cast<uint32_t>(width),
                                                 static_cast<uint32_t>(height),
                                                 static_cast<uint32_t>(samples), false,
                                                 GL_DEPTH_COMPONENT32);
  } else {
    Texture& texture = *depth_texture;
    texture.name = "FBO::depth_texture";
    texture.width = static_cast<uint32_t>(width);
    texture.height = static_cast<uint32_t>(height);
    texture.mipmaps = false;
    texture.wrap = GL_CLAMP_TO_EDGE;
    texture.format = GL_RGBA;
    texture.bpp = 32;
    texture.internal_format = GL_DEPTH_COMPONENT32;
    created = texture.Create();
  }
  if (!created) {
    ExitMsgFmt(__FILE__, __LINE__, "Failed to create {}x{} texture for FBO {} depth attachment",
               width, height, framebuffer);
  }
  AttachDepthTexture();
}

void FBO::AddColorAttachment(GLint internal_format, bool mipmaps) {
  const size_t n = color_textures.size();
  if (static_cast<int32_t>(n) >= max_draw_buffers) {
    ExitMsgFmt(__FILE__, __LINE__,
               "Tried to add more than {} color attachments, and GL_MAX_DRAW_BUFFERS is {}", n,
               max_draw_buffers);
  }
  auto texture = std::make_shared<Texture>();
  bool created = false;
  if (IsMultisampled()) {
    created = texture->create_multisampled(static_cast<uint32_t>(width),
                                           static_cast<uint32_t>(height),
                                           static_cast<uint32_t>(samples), mipmaps,
                                           static_cast<GLenum>(internal_format));
  } else {
    texture->name = "FBO::texture";
    texture->width = static_cast<uint32_t>(width);
    texture->height = static_cast<uint32_t>(height);
    texture->mipmaps = mipmaps;
    texture->wrap = GL_CLAMP_TO_EDGE;
    texture->format = GL_RGBA;
    texture->internal_format = internal_format;
    texture->bpp = 32;
    created = texture->Create();
  }
  if (!created) {
    ExitMsgFmt(__FILE__, __LINE__, "Failed to create {}x{} texture for FBO {} color attachment {}",
               width, height, framebuffer, n);
  }
  color_textures.push_back(std::move(texture));
  AttachColorTexture(n);
}

void FBO::AttachDepthTexture() const {
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, depth_texture->Target(),
                         depth_texture->id, 0);
}

void FBO::AttachColorTexture(size_t index) const {
  const Texture& texture = *color_textures[index];
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0 + static_cast<GLenum>(index),
                         texture.Target(), texture.id, 0);
}

void FBO::Bind() {
  Enter();
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT | GL_ACCUM_BUFFER_BIT);
}

void FBO::BindWithoutClear() { Enter(); }

void FBO::AttachDepthCubeFace(GLuint cube_texture, uint32_t face) {
  if (face > 5) ExitMsg(__FILE__, __LINE__, "Assert failed");
  GLint draw = 0;
  GLint read = 0;
  glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &draw);
  glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &read);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_CUBE_MAP_POSITIVE_X + face,
                         cube_texture, 0);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(draw));
  glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(read));
}

void FBO::Enter() {
  if (IsBound()) ExitMsg(__FILE__, __LINE__, "Assert failed");
  glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &saved_framebuffer);
  glGetIntegerv(GL_DRAW_BUFFER, &saved_draw_buffer);
  glGetIntegerv(GL_READ_BUFFER, &saved_read_buffer);
  glGetIntegerv(GL_VIEWPORT, saved_viewport.data());
  has_saved_state_ = true;
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  if (color_textures.size() > static_cast<size_t>(kRequiredDrawBuffers)) {
    ExitMsgFmt(__FILE__, __LINE__, "Can only draw to {} buffers at a time here",
               kRequiredDrawBuffers);
  }
  static const GLenum kAttachments[] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1,
                                        GL_COLOR_ATTACHMENT2};
  if (color_textures.empty()) {
    glDrawBuffer(GL_NONE);
  } else {
    glDrawBuffers(static_cast<GLsizei>(color_textures.size()), kAttachments);
  }
  glViewport(0, 0, width, height);
}

void FBO::Unbind() {
  glBindFramebuffer(GL_FRAMEBUFFER,
                    static_cast<GLuint>(saved_framebuffer < 0 ? 0 : saved_framebuffer));
  // Unbinding again restores what the last Bind saved. Before any Bind nothing was saved, and
  // "restoring" the empty fields would turn off the window's draw buffer and zero the viewport.
  if (has_saved_state_) {
    RestoreDrawAndReadBuffer();
    glViewport(saved_viewport[0], saved_viewport[1], saved_viewport[2], saved_viewport[3]);
  }
  saved_framebuffer = -1;
  // Only textures that have mip levels get them rebuilt from what was drawn.
  glActiveTexture(GL_TEXTURE0);
  for (const auto& texture : color_textures) {
    if (!texture->mipmaps || texture->IsMultisampled()) continue;
    glBindTexture(texture->Target(), texture->id);
    glGenerateMipmap(texture->Target());
  }
}

// Draw and read buffers are state of each framebuffer, so the one returned to normally still
// has its own. Setting the single saved draw buffer unconditionally would cut an enclosing
// target that draws to several colour attachments down to its first one; so only a buffer that
// differs from the saved one is set.
void FBO::RestoreDrawAndReadBuffer() const {
  GLint draw_buffer = 0;
  GLint read_buffer = 0;
  glGetIntegerv(GL_DRAW_BUFFER, &draw_buffer);
  glGetIntegerv(GL_READ_BUFFER, &read_buffer);
  if (draw_buffer != saved_draw_buffer) glDrawBuffer(static_cast<GLenum>(saved_draw_buffer));
  if (read_buffer != saved_read_buffer) glReadBuffer(static_cast<GLenum>(saved_read_buffer));
}

void FBO::Resize(int32_t new_width, int32_t new_height) {
  if (new_width < 2 || new_height < 2) return;
  if (!GLEW_ARB_texture_non_power_of_two) {
    std::tie(new_width, new_height) = PowerOfTwoTargetSize(new_width);
  }
  if (new_width == width && new_height == height) return;

  BuildStateGuard restore_state;
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  width = new_width;
  height = new_height;
  if (depth_renderbuffer != 0) {
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, 0);
    glDeleteRenderbuffers(1, &depth_renderbuffer);
    depth_renderbuffer = 0;
    AddDepthBuffer();
  }
  if (depth_texture) {
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, depth_texture->Target(), 0, 0);
    depth_texture->Resize(static_cast<uint32_t>(width), static_cast<uint32_t>(height));
    AttachDepthTexture();
  }
  for (size_t i = 0; i < color_textures.size(); ++i) {
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0 + static_cast<GLenum>(i),
                           color_textures[i]->Target(), 0, 0);
    color_textures[i]->Resize(static_cast<uint32_t>(width), static_cast<uint32_t>(height));
    AttachColorTexture(i);
  }
  if (!CheckStatus()) LogInfo("Failed to resize FBO to {}x{}", width, height);
}

bool FBO::CheckStatus() const {
  const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
  if (status == GL_FRAMEBUFFER_COMPLETE) return true;
  LogInfo("FBO error: {}", StatusName(status));
  return false;
}
