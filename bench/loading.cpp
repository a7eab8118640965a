// Costs of the loading screen and the text-mode engine: packing the 4000 cells for upload,
// a full text-mode render (upload plus the picture quad), and a loading-screen redraw of each
// kind (what a file read pays at most every 40 ms). GL times include glFinish.

#include <benchmark/benchmark.h>

#include <memory>

#include <GL/glew.h>

#include "program.h"
#include "system/hidden_gl_context.h"
#include "tolmesystem.h"
#include "util/ascii/asciiengine.h"
#include "util/data/data.h"
#include "util/data/loadingscreen.h"
#include "util/gpuresources/gpuresources.h"

namespace {

bool MakeContext() {
  static std::unique_ptr<HiddenGLContext> context;
  static std::unique_ptr<GpuResources> resources;
  if (context) return true;
  try {
    context = std::make_unique<HiddenGLContext>(640, 360);
  } catch (const std::exception&) {
    return false;
  }
  resources = std::make_unique<GpuResources>();
  system_settings = std::make_unique<SystemSettings>();
  window_width = 640;
  window_height = 360;
  window_aspect = 16.0f / 9.0f;
  data_mode = DataMode::Disk;
  return true;
}

void BM_PackCells(benchmark::State& state) {
  if (!MakeContext()) return state.SkipWithError("no GL display");
  AsciiEngine engine;
  for (int i = 0; i < AsciiEngine::kCells; ++i) engine.characters[i] = static_cast<uint8_t>(i);
  for (auto _ : state) benchmark::DoNotOptimize(engine.PackCells().data());
}
BENCHMARK(BM_PackCells);

void BM_AsciiRender(benchmark::State& state) {
  if (!MakeContext()) return state.SkipWithError("no GL display");
  AsciiEngine engine;
  engine.viewport = {0, 0, 640, 360};
  for (int i = 0; i < AsciiEngine::kCells; ++i) {
    engine.characters[i] = static_cast<uint8_t>(i);
    engine.foreground[i] = static_cast<uint8_t>(i % 16);
  }
  for (auto _ : state) {
    engine.render(true);
    glFinish();
  }
}
BENCHMARK(BM_AsciiRender)->Unit(benchmark::kMillisecond);

void BM_LoadingScreenRedraw(benchmark::State& state) {
  if (!MakeContext()) return state.SkipWithError("no GL display");
  system_settings->loading_screen_kind = static_cast<uint32_t>(state.range(0));
  for (auto _ : state) {
    UpdateLoadingScreen(1.0f, true);
    glFinish();
  }
}
BENCHMARK(BM_LoadingScreenRedraw)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace
