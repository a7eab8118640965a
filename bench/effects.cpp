// Post-processing pass timings on the machine's GL driver (llvmpipe under Xvfb in CI): each
// effect applied and drawn once over a 1280 x 720 picture into a 1280 x 720 target, as the
// frame's chain does; the chains production 5 and 6 switch on over their shows; plus the
// radial blur at its default and at 256 taps. Run from the repository root (the shaders are
// read from data/) under a display.
//
// On a shared machine a millisecond means little, so each iteration also times one bare
// full-screen copy, and the counter "copies" gives the pass's cost as a multiple of it.

#include <benchmark/benchmark.h>

#include <chrono>
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
#include "effects/postproceffects.h"
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

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Times `draw` (finished) and one bare full-screen copy after it in every iteration; the
// iteration time is the draw's, and "copies" its total over the copies' total.
template <typename Draw>
void TimeInCopies(benchmark::State& state, Draw&& draw) {
  const auto picture = SourcePicture();
  FBO copy_target(kWidth, kHeight, FBOType::Color, 0);
  double drawn = 0.0;
  double copied = 0.0;
  for (auto _ : state) {
    glFinish();
    const auto start = std::chrono::steady_clock::now();
    draw(*picture);
    glFinish();
    const double seconds = Seconds(start);
    state.SetIterationTime(seconds);
    drawn += seconds;
    const auto copy_start = std::chrono::steady_clock::now();
    glDisable(GL_BLEND);
    copy_target.Bind();
    GpuResources::Current().UseCopyProgram();
    glDisable(GL_DEPTH_TEST);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, picture->id);
    GpuResources::Current().DrawUnitQuad();
    copy_target.Unbind();
    glFinish();
    copied += Seconds(copy_start);
  }
  state.counters["copies"] = copied > 0.0 ? drawn / copied : 0.0;
}

void DrawTexture(GLuint texture) {
  glDisable(GL_DEPTH_TEST);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, texture);
  GpuResources::Current().DrawUnitQuad();
}

// A buffer holding the picture, as the composer's resolved scene buffer holds the frame.
std::unique_ptr<FBO> PictureBuffer(const Texture& picture) {
  auto buffer = std::make_unique<FBO>(kWidth, kHeight, FBOType::Color, 0);
  buffer->Bind();
  GpuResources::Current().UseCopyProgram();
  DrawTexture(picture.id);
  buffer->Unbind();
  return buffer;
}

// One step of the chain as the composer runs it: the effect's own preparation, then the
// picture (or the buffer the effect made of it) drawn through its program into `into`.
void DrawStep(Effects::PostProc& effect, FBO& from, FBO& into) {
  effect.render(kWidth, kHeight, 10.0, &from);
  into.Bind();
  effect.apply(kWidth, kHeight, 10.0);
  DrawTexture(effect.DrawnBuffer(from).color_textures.at(0)->id);
  into.Unbind();
}

// Draws the picture through the effect into a single-sampled target.
void RunPass(benchmark::State& state, Effects::PostProc& effect) {
  const auto source = PictureBuffer(*SourcePicture());
  FBO target(kWidth, kHeight, FBOType::Color, 0);
  TimeInCopies(state, [&](const Texture&) { DrawStep(effect, *source, target); });
}

template <typename EffectType>
void BM_Pass(benchmark::State& state) {
  EnsureContext();
  EffectType effect;
  RunPass(state, effect);
}
#define PASS_BENCHMARK(type) \
  BENCHMARK_TEMPLATE(BM_Pass, type)->UseManualTime()->Unit(benchmark::kMillisecond)
PASS_BENCHMARK(Effects::Dither);
PASS_BENCHMARK(Effects::Fade);
PASS_BENCHMARK(Effects::Blur);
PASS_BENCHMARK(Effects::Radblur);
PASS_BENCHMARK(Effects::Film);
PASS_BENCHMARK(Effects::Kaleidoscope);
PASS_BENCHMARK(Effects::Subdiv);
PASS_BENCHMARK(Effects::Noise);
PASS_BENCHMARK(Effects::VHS);

// A chain as a production's tracks set it at one moment: effect names in running order, each
// with its parameter values in parameter order.
struct ChainStep {
  const char* effect;
  std::vector<float> values;
};
struct ChainCase {
  const char* label;
  std::vector<ChainStep> steps;
};

const std::vector<ChainCase>& ShowChains() {
  static const std::vector<ChainCase> chains = {
      {"p5 and p6 plain: fade at 0", {{"Fade", {0.0f}}}},
      {"p5 radial blur", {{"Radblur", {0.5f, 0.5f, 0.9f, 0.25f}}, {"Fade", {0.0f}}}},
      {"p6 opening: film, noise, fade in",
       {{"Film", {0.5f, 0, 0.5f, 0, 0, 0.2f, 0, 0.3f, 0.3f}}, {"Noise", {0.4f, 10.0f}},
        {"Fade", {-0.5f}}}},
      {"p6 radial blur", {{"Radblur", {0.5f, 0.5f, 0.9f, 0.8f}}, {"Fade", {0.0f}}}},
      {"p6 dither", {{"Radblur", {0.5f, 0.5f, 0.85f, 1.4f}}, {"Dither", {0.9f}},
                     {"Fade", {0.0f}}}},
      {"p6 subdiv", {{"Subdiv", {3, 3, 1, 0, 1.5f, 0.5f, 0.5f}},
                     {"Radblur", {0.5f, 0.5f, 0.85f, 1.4f}}, {"Fade", {0.0f}}}},
      {"p6 kaleidoscope", {{"Kaleidoscope", {3.0f, 8.0f}}, {"Fade", {0.0f}}}},
      {"p6 blur", {{"Blur", {2.0f, 4.0f}}, {"Film", {0.2f, 0.8f, 0, 0, 0.2f, 0.2f, 0, 0.35f, 0.3f}},
                   {"Fade", {0.0f}}}},
      {"p6 tape", {{"Film", {0.2f, 0.8f, 0, 0, 0.2f, 0.2f, 0, 0.35f, 0.3f}},
                   {"VHS", {0.6f, 100.0f, 1.0f}}, {"Fade", {0.0f}}}},
      {"p6 finale", {{"Radblur", {0.5f, 0.5f, 0.85f, 1.2f}}, {"K2", {-4.0f, 5.0f}},
                     {"Fade", {0.0f}}}},
      {"p6 closing", {{"Dither", {0.5f}}, {"Noise", {0.8f, 170.0f}}, {"Fade", {-0.5f}}}},
  };
  return chains;
}

Effects::PostProc& EffectNamed(const std::vector<std::unique_ptr<Effects::PostProc>>& effects,
                               const std::string& name) {
  for (const auto& effect : effects) {
    if (effect->name == name) return *effect;
  }
  std::abort();
}

// The chain of state.range(0) run as the frame composer runs it: each step from one buffer into
// the next, the last into the target. With state.range(1) 1 the steps whose values make them
// pass-throughs are dropped, as the composer drops them; with 0 every step runs.
void BM_Chain(benchmark::State& state) {
  EnsureContext();
  const ChainCase& chain = ShowChains().at(static_cast<size_t>(state.range(0)));
  state.SetLabel(chain.label);
  const auto effects = Effects::MakePostProcEffects();
  std::vector<Effects::PostProc*> steps;
  for (const ChainStep& step : chain.steps) {
    Effects::PostProc& effect = EffectNamed(effects, step.effect);
    effect.param_values = step.values;
    if (state.range(1) == 0 || !effect.IsPassThrough()) steps.push_back(&effect);
  }
  const auto resolved = PictureBuffer(*SourcePicture());
  FBO first(kWidth, kHeight, FBOType::Color, 0);
  FBO second(kWidth, kHeight, FBOType::Color, 0);
  FBO target(kWidth, kHeight, FBOType::Color, 0);
  TimeInCopies(state, [&](const Texture&) {
    if (steps.empty()) {  // the composer's plain copy to the screen
      target.Bind();
      GpuResources::Current().UseCopyProgram();
      DrawTexture(resolved->color_textures[0]->id);
      target.Unbind();
      return;
    }
    FBO* from = resolved.get();
    for (size_t k = 0; k < steps.size(); ++k) {
      FBO& into = k + 1 == steps.size() ? target : (from == &first ? second : first);
      DrawStep(*steps[k], *from, into);
      from = &into;
    }
  });
}
BENCHMARK(BM_Chain)
    ->ArgsProduct({benchmark::CreateDenseRange(0, 10, 1), {0, 1}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The uniform upload alone: one bind and a handful of look-ups and uploads.
void BM_ApplyOnly(benchmark::State& state) {
  EnsureContext();
  Effects::Film film;
  for (auto _ : state) film.apply(kWidth, kHeight, 10.0);
  glFinish();
}
BENCHMARK(BM_ApplyOnly)->Unit(benchmark::kMicrosecond);

// A frame with no effect on: the 4-sample scene buffer resolved into the picture buffer and
// that copied to the screen (state.range(0) 0), or resolved straight onto the screen (1).
void BM_PlainFrame(benchmark::State& state) {
  EnsureContext();
  FBO scene(kWidth, kHeight, FBOType::Color, 4);
  FBO resolved(kWidth, kHeight, FBOType::Color, 0);
  FBO screen(kWidth, kHeight, FBOType::Color, 0);
  const auto resolve = [](const FBO& from, const FBO& into) {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, from.framebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, into.framebuffer);
    glBlitFramebuffer(0, 0, kWidth, kHeight, 0, 0, kWidth, kHeight, GL_COLOR_BUFFER_BIT,
                      GL_NEAREST);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
  };
  TimeInCopies(state, [&](const Texture&) {
    if (state.range(0) == 1) {
      resolve(scene, screen);
      return;
    }
    resolve(scene, resolved);
    screen.Bind();
    GpuResources::Current().UseCopyProgram();
    DrawTexture(resolved.color_textures[0]->id);
    screen.Unbind();
  });
}
BENCHMARK(BM_PlainFrame)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond);

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

// The train scene's laser as production 6 sets it (24 taps, step 0.96, alpha 0.6), added into
// the 4-sample scene buffer.
void BM_Laser(benchmark::State& state) {
  EnsureContext();
  Effects::RadialBlur blur;
  blur.setTexture(SourcePicture());
  blur.setIterations(24);
  blur.setStepSize(0.96f);
  blur.setColor(1.0f, 1.0f, 1.0f, 0.6f);
  FBO scene(kWidth, kHeight, FBOType::Color, 4);
  TimeInCopies(state, [&](const Texture&) {
    scene.Bind();
    blur.render(0.0);
    scene.Unbind();
  });
  glDisable(GL_BLEND);
}
BENCHMARK(BM_Laser)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
