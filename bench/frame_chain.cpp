// The cost of a frame's post-processing chain at 1280 x 720: one frame through the scene
// manager with all ten effects active, against ten bare full-screen textured copies between
// two buffers of the same size, measured in the same run (counter "vs_bare_copies"); the frame
// time of production 6 at points through the song (argument: seconds) and of a frame whose
// fourth slot is empty, each against one bare copy.

#include <benchmark/benchmark.h>

#include <GL/glew.h>

#include <chrono>
#include <memory>

#include "support/bench_context.h"
#include "scenes/productionscenes.h"
#include "scenes/scenemanager.h"
#include "effects/postproc.h"
#include "effects/uniformvalue.h"
#include "system/hidden_gl_context.h"
#include "tolmesystem.h"
#include "util/data/data.h"
#include "util/easydraw/easydraw.h"
#include "util/fbo/fbo.h"
#include "util/music/music.h"
#include "util/music/sync_device.h"
#include "util/shaderprogram/shaderprogram.h"
#include "util/gpuresources/gpuresources.h"

namespace {

constexpr uint32_t kWidth = 1280;
constexpr uint32_t kHeight = 720;

HiddenGLContext* Context() { return BenchGLContext(kWidth, kHeight); }

void UseSettings(bool with_music) {
  CreateSystemSettings(6, DataMode::Disk);
  data_mode = DataMode::Disk;
  system_settings->width = kWidth;
  system_settings->height = kHeight;
  system_settings->loading_hold_ms = 0;
  system_settings->fullscreen = 0;
  // The clock without sound output: the song's timeline, moved by hand.
  if (!with_music) system_settings->music_file.clear();
}

void SetTrack(SceneManager& manager, const std::string& name, float value) {
  if (SyncTrack* track = SyncFindTrack(*manager.music->device, name)) {
    track->keys = {SyncKey{0, value, SyncKeyType::Step}};
  }
}

class GreyScene : public Scene {
 public:
  void Init() override {}
  void Render() override {
    glClearColor(0.5f, 0.4f, 0.3f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
  }
};

// Ten textured copies of a 1280 x 720 picture, ping-ponging between two buffers.
class BareCopies {
 public:
  BareCopies()
      : program_(MakeTextured2DShader("bench")),
        a_(kWidth, kHeight, FBOType::Color, 0),
        b_(kWidth, kHeight, FBOType::Color, 0) {}

  void Run(int copies) {
    program_.Use();
    glUniformMatrix4fv(program_.GetUniformLocation("ProjectionMatrix"), 1, GL_FALSE,
                       GpuResources::UnitSquareProjection().data());
    glDisable(GL_DEPTH_TEST);
    FBO* source = &a_;
    FBO* target = &b_;
    for (int i = 0; i < copies; ++i) {
      target->Bind();
      glBindTexture(GL_TEXTURE_2D, source->color_textures[0]->id);
      EasyDraw::DrawQuad(0, 0, 1, 1);
      target->Unbind();
      std::swap(source, target);
    }
  }

 private:
  ShaderProgram program_;
  FBO a_;
  FBO b_;
};

double Seconds(std::chrono::steady_clock::duration duration) {
  return std::chrono::duration<double>(duration).count();
}

void BM_TenEffectsAgainstBareCopies(benchmark::State& state) {
  if (!Context()) return state.SkipWithError("no GL display");
  UseSettings(false);
  SceneManager manager(ProductionSceneTable{
      {6, {{"Grey", [] { return std::make_unique<GreyScene>(); }}}}});
  for (MusicTrackEntry& entry : manager.music->tracks) {
    entry.track->keys = {SyncKey{0, entry.default_value, SyncKeyType::Step}};
  }
  for (size_t i = 0; i < manager.composer().effects.size(); ++i) {
    SetTrack(manager, "pp" + manager.composer().effects[i]->name, static_cast<float>(i));
  }
  BareCopies copies;
  double frame_total = 0.0;
  double copies_total = 0.0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    manager.RenderFrame();
    glFinish();
    const double frame = Seconds(std::chrono::steady_clock::now() - start);
    start = std::chrono::steady_clock::now();
    copies.Run(static_cast<int>(manager.composer().effects.size()));
    glFinish();
    copies_total += Seconds(std::chrono::steady_clock::now() - start);
    frame_total += frame;
    state.SetIterationTime(frame);
  }
  state.counters["vs_bare_copies"] = frame_total / copies_total;
  state.counters["frames_per_second"] = static_cast<double>(state.iterations()) / frame_total;
}
BENCHMARK(BM_TenEffectsAgainstBareCopies)->UseManualTime()->Unit(benchmark::kMillisecond)
    ->Iterations(30);

// One frame of production 6 at a point of the song (argument: seconds), as a multiple of one
// bare full-screen copy timed in the same iteration (counter "vs_bare_copy").
void BM_Production6(benchmark::State& state) {
  if (!Context()) return state.SkipWithError("no GL display");
  UseSettings(false);
  static std::unique_ptr<SceneManager> manager;
  if (!manager) manager = std::make_unique<SceneManager>();
  BareCopies copies;
  const double at = static_cast<double>(state.range(0));
  double frame_total = 0.0;
  double copy_total = 0.0;
  for (auto _ : state) {
    manager->music->SetPositionSeconds(at);
    auto start = std::chrono::steady_clock::now();
    manager->RenderFrame();
    glFinish();
    const double frame = Seconds(std::chrono::steady_clock::now() - start);
    start = std::chrono::steady_clock::now();
    copies.Run(1);
    glFinish();
    copy_total += Seconds(std::chrono::steady_clock::now() - start);
    frame_total += frame;
    state.SetIterationTime(frame);
  }
  state.counters["vs_bare_copy"] = frame_total / copy_total;
  state.counters["frames_per_second"] = static_cast<double>(state.iterations()) / frame_total;
}
// Intro picture, tunnel build, main with tiles, main with kaleidoscope, break, finale.
BENCHMARK(BM_Production6)->Arg(8)->Arg(30)->Arg(60)->Arg(80)->Arg(100)->Arg(150)
    ->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(0.5);

// A frame with one scene in the first slot, no effect and nothing in the fourth slot, as a
// multiple of one bare full-screen copy: what the frame costs beyond the scene itself.
void BM_EmptyFourthSlot(benchmark::State& state) {
  if (!Context()) return state.SkipWithError("no GL display");
  UseSettings(false);
  SceneManager manager(ProductionSceneTable{
      {6, {{"Grey", [] { return std::make_unique<GreyScene>(); }}}}});
  for (MusicTrackEntry& entry : manager.music->tracks) {
    entry.track->keys = {SyncKey{0, entry.default_value, SyncKeyType::Step}};
  }
  BareCopies copies;
  double frame_total = 0.0;
  double copy_total = 0.0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    manager.RenderFrame();
    glFinish();
    const double frame = Seconds(std::chrono::steady_clock::now() - start);
    start = std::chrono::steady_clock::now();
    copies.Run(1);
    glFinish();
    copy_total += Seconds(std::chrono::steady_clock::now() - start);
    frame_total += frame;
    state.SetIterationTime(frame);
  }
  state.counters["vs_bare_copy"] = frame_total / copy_total;
}
BENCHMARK(BM_EmptyFourthSlot)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(60);

}  // namespace
