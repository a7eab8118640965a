// Post-processing pass timings on the machine's GL driver (llvmpipe under Xvfb in CI): each
// effect applied and drawn once over a 1280 x 720 picture into a 1280 x 720 target, as the
// frame's chain does, plus the radial blur at its default and at 256 taps. Run from the
// repository root (the shaders are read from data/) under a display.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include <GL/glew.h>

#include "effects/blur.h"
#include "effects/dither.h"
#include "effects/fade.h"
#include "effects/film.h"
#include "effects/k2.h"
#include "effects/kaleidoscope.h"
#include "effects/noise.h"
#include "effects/radblur.h"
#include "effects/radialblur.h"
#include "effects/subdiv.h"
#include "effects/vhs.h"
#include "system/hidden_gl_context.h"
#include "util/data/data.h"
#include "util/easydraw/easydraw.h"
#include "util/fbo/fbo.h"
#include "util/texture/texture.h"
#include "util/gpuresources/gpuresources.h"

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 720;

void EnsureContext() {
  static const auto context = [] {
    if (const char* source = std::getenv("PLAYER_SOURCE_DIR")) std::filesystem::current_path(source);
    data_mode = DataMode::Disk;
    return std::make_unique<HiddenGLContext>(64, 64);
  }();
  static const auto resources = std::make_unique<GpuResources>();
}

// A 1280 x 720 picture with detail everywhere, so no pass gets away with cached texels.
std::shared_ptr<Texture> SourcePicture() {
  std::vector<uint8_t> bytes(static_cast<size_t>(kWidth) * kHeight * 4);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      uint8_t* p = &bytes[(static_cast<size_t>(y) * kWidth + x) * 4];
      p[0] = static_cast<uint8_t>(x * 255 / kWidth);
      p[1] = static_cast<uint8_t>(y * 255 / kHeight);
      p[2] = static_cast<uint8_t>((x ^ y) & 255);
      p[3] = 255;
    }
  }
  return std::make_shared<Texture>("bench picture", bytes, 4, kWidth, kHeight, false, false,
                                   GL_LINEAR, GL_LINEAR);
}

// Draws the picture through the effect into a single-sampled target, waiting for the GPU.
void RunPass(benchmark::State& state, Effects::PostProc& effect) {
  const auto picture = SourcePicture();
  FBO target(kWidth, kHeight, FBOType::Color, 0);
  for (auto _ : state) {
    target.Bind();
    effect.apply(kWidth, kHeight, 10.0);
    glDisable(GL_DEPTH_TEST);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, picture->id);
    EasyDraw::DrawQuad(0.0f, 0.0f, 1.0f, 1.0f);
    target.Unbind();
    glFinish();
  }
}

template <typename EffectType>
void BM_Pass(benchmark::State& state) {
  EnsureContext();
  EffectType effect;
  RunPass(state, effect);
}
BENCHMARK_TEMPLATE(BM_Pass, Effects::Dither)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Pass, Effects::Fade)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Pass, Effects::Blur)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Pass, Effects::Radblur)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Pass, Effects::Film)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Pass, Effects::Kaleidoscope)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Pass, Effects::Subdiv)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Pass, Effects::Noise)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Pass, Effects::VHS)->Unit(benchmark::kMillisecond);

// The uniform upload alone: one bind and a handful of look-ups and uploads.
void BM_ApplyOnly(benchmark::State& state) {
  EnsureContext();
  Effects::Film film;
  for (auto _ : state) film.apply(kWidth, kHeight, 10.0);
  glFinish();
}
BENCHMARK(BM_ApplyOnly)->Unit(benchmark::kMicrosecond);

// Radial blur over a 1280 x 720 target: the fixed-tap program, or state.range(0) taps.
void BM_RadialBlur(benchmark::State& state) {
  EnsureContext();
  Effects::RadialBlur blur;
  blur.setTexture(SourcePicture());
  if (state.range(0) > 0) blur.setIterations(static_cast<uint32_t>(state.range(0)));
  FBO target(kWidth, kHeight, FBOType::Color, 0);
  for (auto _ : state) {
    target.Bind();
    blur.render(0.0);
    target.Unbind();
    glFinish();
  }
  glDisable(GL_BLEND);
}
BENCHMARK(BM_RadialBlur)->Arg(0)->Arg(100)->Arg(256)->Unit(benchmark::kMillisecond);

}  // namespace
