#pragma once
// The linear-light frame of one Objects3D draw. Light that adds up (the shadowed pass's ambient
// and per-light passes, the glow) must add in linear space: the passes draw exposed linear light
// into a floating-point target of the caller's size and sample count, and Resolve clamps and
// display-encodes the sum once onto the caller's target, depth included.
//
// The frame is laid onto the caller's target the way the caller composites: a caller that adds
// (blending with GL_ONE as destination factor) gets the frame added; any other gets it laid
// over by its coverage (premultiplied). Where the frame is empty the target is left alone.

#include <cstdint>

#include <GL/glew.h>

class Objects3D;

class LinearLightFrame {
 public:
  // Makes the scene's frame when it is missing, of another size or of another sample count
  // than the bound target, and binds it cleared to transparent black and far depth. The
  // viewport in force is kept.
  LinearLightFrame(Objects3D& scene, int32_t width, int32_t height);
  LinearLightFrame(const LinearLightFrame&) = delete;
  LinearLightFrame& operator=(const LinearLightFrame&) = delete;

  // Unbinds the frame and lays it, display-encoded, onto the target that was bound before.
  // Blending, depth function and viewport are put back as they were.
  void Resolve();

 private:
  Objects3D& scene_;
  int32_t width_;
  int32_t height_;
  GLboolean caller_blend_ = GL_FALSE;
  // Source and destination factors, colour then alpha.
  GLint caller_factors_[4] = {GL_ONE, GL_ZERO, GL_ONE, GL_ZERO};
  GLint caller_depth_func_ = GL_LESS;
  GLint caller_viewport_[4] = {0, 0, 0, 0};
};
