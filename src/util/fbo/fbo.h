#pragma once
// An off-screen render target: a GL framebuffer in one of five attachment layouts, optionally
// multisampled. Bind saves the framebuffer binding, draw and read buffers and viewport and
// clears the target; Unbind restores what Bind saved, so targets nest. The FBO owns its
// framebuffer and depth renderbuffer; its textures are shared and may outlive it.

#include <array>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include <GL/glew.h>

#include "util/texture/texture.h"

// Attachment layouts. The depth part is attached first, then the colour textures in order.
enum class FBOType : int32_t {
  MipmappedColor = 1,     // one RGBA8 with mipmaps, depth renderbuffer
  ThreeFloatColors = 2,   // three RGBA32F with mipmaps, depth renderbuffer
  FloatColor = 3,         // one RGBA32F with mipmaps, depth renderbuffer
  ColorDepthTexture = 4,  // one RGBA8, depth texture (GL_DEPTH_COMPONENT32)
  Color = 5,              // one RGBA8, depth renderbuffer
  LinearLight = 6,        // one RGBA16F (light summed before display encoding), depth texture
};

class FBO {
 public:
  // samples of 2 or more make every attachment multisampled; counts above what the driver
  // offers are lowered to its maximum.
  FBO(int32_t width, int32_t height, FBOType type, int32_t samples);
  // A depth-only target: nothing attached of its own and no colour buffer drawn or read. A
  // depth texture is attached per pass (AttachDepthCubeFace); complete only once one is.
  FBO(int32_t width, int32_t height);
  ~FBO();
  FBO(const FBO&) = delete;
  FBO& operator=(const FBO&) = delete;

  void Bind();
  // Like Bind, but the target keeps its contents (a pass that clears only what it needs).
  void BindWithoutClear();
  void Unbind();
  // Attaches one face (0-5, +X -X +Y -Y +Z -Z) of a depth cube map as the depth buffer. The
  // framebuffer bindings are left as they were.
  void AttachDepthCubeFace(GLuint cube_texture, uint32_t face);
  // Sizes below 2 in either direction are ignored; unchanged sizes cost nothing.
  void Resize(int32_t new_width, int32_t new_height);
  // Whether the currently bound framebuffer is complete.
  bool CheckStatus() const;

  void AddDepthBuffer();
  void AddDepthTexture();
  void AddColorAttachment(GLint internal_format, bool mipmaps);

  bool IsMultisampled() const { return samples >= 2; }
  bool IsBound() const { return saved_framebuffer >= 0; }

  int32_t width;
  int32_t height;
  int32_t samples;
  int32_t max_draw_buffers = 0;
  GLuint framebuffer = 0;
  GLuint depth_renderbuffer = 0;
  std::shared_ptr<Texture> depth_texture;
  std::vector<std::shared_ptr<Texture>> color_textures;
  GLint saved_framebuffer = -1;
  GLint saved_draw_buffer = 0;
  GLint saved_read_buffer = 0;
  std::array<GLint, 4> saved_viewport = {0, 0, 0, 0};

 private:
  void BuildLayout(FBOType type);
  void Enter();
  void AttachDepthTexture() const;
  void AttachColorTexture(size_t index) const;
  void RestoreDrawAndReadBuffer() const;

  // Whether Bind has ever filled the saved fields.
  bool has_saved_state_ = false;
};

// Without non-power-of-two textures a target becomes a square of half the smallest power of
// two not below the width (the height is not used).
std::pair<int32_t, int32_t> PowerOfTwoTargetSize(int32_t width);
