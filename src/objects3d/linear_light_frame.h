#pragma once
// The linear-light frame of one Objects3D draw. Light that adds up (the shadowed pass's ambient
// and per-light passes, the glow) must add in linear space: the passes draw exposed linear light
// into a floating-point target of the caller's size and sample count, and Resolve clamps and
// display-encodes the sum once onto the caller's target, depth included.
//
// The passes blend into the frame with the caller's colour factors and sum coverage in alpha,
// so a caller that blends gets its surfaces' colour premultiplied by their coverage; Resolve
// encodes the colour by itself and lays it on by its coverage, as the caller's blending would
// have laid the surface on: added for a caller that adds (GL_ONE as colour destination factor),
// over for any other. Where the frame is empty the target is left alone.

#include <cstdint>

#include <GL/glew.h>

#include "objects3d/glow_bounds.h"
#include "util/glstate/blend_state.h"

class Objects3D;
class Texture;

class LinearLightFrame {
 public:
  // Makes the scene's frame when it is missing, of another size or of another sample count
  // than the bound target, and binds it cleared to transparent black and far depth. The
  // viewport in force is kept. The caller's stencil test, meant for its own target, is off
  // while the frame is bound, and its blending takes coverage in alpha (BlendState::IntoLayer).
  LinearLightFrame(Objects3D& scene, int32_t width, int32_t height);
  LinearLightFrame(const LinearLightFrame&) = delete;
  LinearLightFrame& operator=(const LinearLightFrame&) = delete;

  // Unbinds the frame and lays it, display-encoded, onto the target that was bound before.
  // Blending, depth function and viewport are put back as they were.
  void Resolve();

  // Has Resolve add `picture` (linear light, stretched over the frame with linear filtering) to
  // the frame's light within `area` (frame pixels). Light that is the same for every sample of
  // a pixel costs one fetch per sample this way, rather than a blended pass over every sample of
  // the floating-point frame before the resolve reads it.
  void AddOnResolve(const Texture& picture, const PixelRect& area);

 private:
  void BindResolveInputs();
  void UnbindResolveInputs();

  Objects3D& scene_;
  int32_t width_;
  int32_t height_;
  BlendState caller_blend_;
  GLboolean caller_stencil_test_ = GL_FALSE;
  GLint caller_depth_func_ = GL_LESS;
  GLint caller_viewport_[4] = {0, 0, 0, 0};
  const Texture* added_ = nullptr;
  PixelRect added_area_;
};
