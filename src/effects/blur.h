#pragma once
// A soft round blur: its radius is Iterations times Scale thousandths of the picture height,
// sampled with four taps per iteration on a golden-angle spiral, Gaussian-weighted over the
// radius; at most 16 iterations.
//
// A blur wide enough has no detail finer than two pixels left, so it is worked out at half the
// width and height (a quarter of the pixels, each reading the full picture with the same taps)
// and drawn back up with linear filtering. Narrow blurs run at the full size.

#include <memory>

#include "effects/postproc.h"

namespace Effects {

class Blur : public PostProc {
 public:
  // The narrowest radius, in pixels of the full picture, worked out at half size.
  static constexpr float kHalfSizeRadius = 4.0f;

  Blur();
  ~Blur() override;
  bool IsPassThrough() const override;
  void render(uint32_t width, uint32_t height, double beat, FBO* source) override;
  void apply(uint32_t width, uint32_t height, double beat) override;
  const FBO& DrawnBuffer(const FBO& picture) const override;

  // The blur radius in pixels for these values at this height.
  static float RadiusPixels(const std::vector<float>& values, uint32_t height);
  // The uniforms for these parameter values, render size and beat.
  static std::vector<UniformValue> uniformsFor(const std::vector<float>& values, uint32_t width,
                                               uint32_t height, double beat);

 private:
  void RenderHalfSize(uint32_t width, uint32_t height, double beat, const FBO& source);

  std::unique_ptr<FBO> half_;
  bool half_drawn_ = false;  // this frame's blur is in half_
};

}  // namespace Effects
