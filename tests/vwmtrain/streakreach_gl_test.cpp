// The laser's streaks drawn only over the pixels that can reach the glow picture's lit part give
// the frame of the streaks drawn over all of it, wherever the lit part lies and however long the
// streaks are.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "effects/radialblur.h"
#include "scenes/scene_vwmtrain/streakreach.h"
#include "support/gl_fixture.h"
#include "util/texture/texture.h"

namespace {

using StreakReachTest = GLTest;

constexpr int kWidth = 160;
constexpr int kHeight = 90;

// A black picture `scale` times smaller than the frame, white over the texels of `lit` (frame
// pixels, given in whole texels).
std::shared_ptr<Texture> Picture(const PixelRect& lit, int scale) {
  const int w = kWidth / scale, h = kHeight / scale;
  std::vector<uint8_t> bytes(static_cast<size_t>(w) * h * 4, 0);
  for (int y = lit.y0 / scale; y < lit.y1 / scale; ++y) {
    for (int x = lit.x0 / scale; x < lit.x1 / scale; ++x) {
      for (int c = 0; c < 4; ++c) bytes[(static_cast<size_t>(y) * w + x) * 4 + c] = 255;
    }
  }
  return std::make_shared<Texture>("lit", bytes, 4, w, h, false, false, GL_LINEAR, GL_LINEAR);
}

std::vector<uint8_t> Streaks(Effects::RadialBlur& blur, const PixelRect* scissor) {
  RenderTarget target(kWidth, kHeight);
  target.Bind();
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  if (scissor) {
    glEnable(GL_SCISSOR_TEST);
    glScissor(scissor->x0, scissor->y0, scissor->x1 - scissor->x0, scissor->y1 - scissor->y0);
  }
  blur.render(0.0);
  glDisable(GL_SCISSOR_TEST);
  glDisable(GL_BLEND);
  return target.ReadPixels();
}

TEST_F(StreakReachTest, StreaksOverTheReachAloneGiveTheWholeFrame) {
  struct Case {
    const char* name;
    PixelRect lit;
    float step;
    int scale;
  };
  const Case cases[] = {
      {"short streaks, right of the centre", {100, 40, 110, 50}, 0.96f, 1},
      {"short streaks, half-size picture", {100, 40, 110, 50}, 0.96f, 2},
      {"half-way streaks, lower left corner", {0, 0, 20, 12}, 0.5f, 1},
      {"half-way streaks, top edge, half-size picture", {60, 80, 90, 90}, 0.5f, 2},
      {"streaks away from the centre", {20, 30, 40, 50}, 1.3f, 1},
      {"streaks all the way", {120, 10, 130, 20}, 0.02f, 1},
  };
  for (const Case& c : cases) {
    Effects::RadialBlur blur;
    blur.setTexture(Picture(c.lit, c.scale));
    blur.setIterations(24);
    blur.setStepSize(c.step);
    const std::vector<uint8_t> whole = Streaks(blur, nullptr);
    // The lit part as the glow pass reports it: grown by the picture's filtering.
    const PixelRect lit = GrowWithin(c.lit, 2 * c.scale, 2 * c.scale, kWidth, kHeight);
    const PixelRect reach = StreakReach(lit, c.step, kWidth, kHeight);
    EXPECT_EQ(Streaks(blur, &reach), whole) << c.name;
    EXPECT_NE(whole, std::vector<uint8_t>(whole.size(), 0)) << c.name;
  }
  EXPECT_TRUE(NoGLError());
}

}  // namespace
