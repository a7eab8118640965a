// Production 3 at 1280 x 720 from its own packed data file (PLAYER_P3_DATAVTL, default
// "build/p3/data.vtl", made by tools/make-datavtl.sh build/p3): the frame time over the whole
// song (counters "median_ms" and "worst_ms", one frame every half second of the music), and
// each scene's own draw at a moment where the show uses it, as a multiple of one bare
// full-screen textured copy measured in the same run (counter "vs_bare_copy").

#include <benchmark/benchmark.h>

#include <GL/glew.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <vector>

#include "support/bench_context.h"
#include "effects/uniformvalue.h"
#include "scenes/scenemanager.h"
#include "system/hidden_gl_context.h"
#include "tolmesystem.h"
#include "util/data/data.h"
#include "util/easydraw/easydraw.h"
#include "util/fbo/fbo.h"
#include "util/gpuresources/gpuresources.h"
#include "util/music/music.h"
#include "util/shaderprogram/shaderprogram.h"

namespace {

constexpr uint32_t kWidth = 1280;
constexpr uint32_t kHeight = 720;
constexpr double kSongSeconds = 60.0;

HiddenGLContext* Context() { return BenchGLContext(kWidth, kHeight); }

// The production's scene manager on its packed data, with the clock moved by hand.
SceneManager* Production3() {
  static std::unique_ptr<SceneManager> manager;
  if (manager) return manager.get();
  const char* path = std::getenv("PLAYER_P3_DATAVTL");
  CreateSystemSettings(3, DataMode::Read);
  data_mode = DataMode::Read;
  ReadDataFile(path ? path : "build/p3/data.vtl");
  system_settings->width = kWidth;
  system_settings->height = kHeight;
  system_settings->loading_hold_ms = 0;
  system_settings->fullscreen = 0;
  system_settings->music_file.clear();
  manager = std::make_unique<SceneManager>();
  return manager.get();
}

double Seconds(std::chrono::steady_clock::duration duration) {
  return std::chrono::duration<double>(duration).count();
}

// Times one call followed by glFinish.
template <typename Work>
double TimeOf(Work&& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  glFinish();
  return Seconds(std::chrono::steady_clock::now() - start);
}

void BM_Production3FrameTime(benchmark::State& state) {
  if (!Context()) return state.SkipWithError("no GL display");
  SceneManager& manager = *Production3();
  std::vector<double> frames;
  for (auto _ : state) {
    frames.clear();
    for (double at = 0.0; at < kSongSeconds; at += 0.5) {
      manager.music->SetPositionSeconds(at);
      frames.push_back(TimeOf([&] { manager.RenderFrame(); }));
    }
  }
  std::sort(frames.begin(), frames.end());
  state.counters["median_ms"] = frames[frames.size() / 2] * 1000.0;
  state.counters["worst_ms"] = frames.back() * 1000.0;
}
BENCHMARK(BM_Production3FrameTime)->Unit(benchmark::kMillisecond)->Iterations(2);

// One scene drawn alone into a 1280 x 720 buffer at a moment of the song, against one bare
// textured copy of a 1280 x 720 picture into a buffer of the same size.
void BM_Production3SceneDraw(benchmark::State& state) {
  if (!Context()) return state.SkipWithError("no GL display");
  SceneManager& manager = *Production3();
  const size_t scene = static_cast<size_t>(state.range(0));
  // The shapes throwing their protrusions, the wall pulsing, the title fading in.
  const double moments[] = {33.0, 27.0, 4.0};
  manager.music->SetPositionSeconds(moments[scene]);
  ShaderProgram copy_program(MakeTextured2DShader("bench"));
  FBO picture(kWidth, kHeight, FBOType::Color, 0);
  FBO target(kWidth, kHeight, FBOType::Color, 0);
  double scene_total = 0.0;
  double copy_total = 0.0;
  for (auto _ : state) {
    target.Bind();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    ResetGLState();
    manager.scenes[scene]->Resize(kWidth, kHeight);
    const double draw = TimeOf([&] { manager.scenes[scene]->Render(); });
    target.Unbind();
    ResetGLState();
    copy_total += TimeOf([&] {
      target.Bind();
      copy_program.Use();
      glUniformMatrix4fv(copy_program.GetUniformLocation("ProjectionMatrix"), 1, GL_FALSE,
                         GpuResources::UnitSquareProjection().data());
      glDisable(GL_DEPTH_TEST);
      glBindTexture(GL_TEXTURE_2D, picture.color_textures[0]->id);
      EasyDraw::DrawQuad(0, 0, 1, 1);
      target.Unbind();
    });
    scene_total += draw;
    state.SetIterationTime(draw);
  }
  state.counters["vs_bare_copy"] = scene_total / copy_total;
}
// 0 TwGlowShapes, 1 TwBoxes, 2 MorvelText.
BENCHMARK(BM_Production3SceneDraw)->Arg(0)->Arg(1)->Arg(2)->UseManualTime()
    ->Unit(benchmark::kMillisecond)->Iterations(30);

}  // namespace
