// The 3D scenes of productions 0, 4 and 5 at 1280 x 720: production 5's whole show as the player
// plays it (frames weighted by their time on screen: median, 95th percentile, worst after the
// first, and the split per arrangement and pass, in bare copies); the model viewer, every model
// in turn (default toggles: shadows from three lights, sky box, floor); frame time of TwBalls (the
// default 5 x 5 x 5 grid, twisted) and of CubeFormers (a third of the frames in each
// arrangement), each drawn alone into a 1280 x 720 buffer on the loose data tree with the
// dummy clock; counters "median_vs_bare_copy" and "worst_vs_bare_copy" (the median and the worst
// frame after the first as multiples of one bare full-screen textured copy measured in the same
// run), with the split of the frames into passes printed. And the load time
// of production 0's packed data file (PLAYER_P0_DATAVTL, default "build/p0/data.vtl"): reading
// and unpacking it, then setting up the viewer from it.

#include <benchmark/benchmark.h>

#include <GL/glew.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "support/bench_context.h"
#include "support/show_run.h"
#include "support/whole_show.h"
#include "effects/uniformvalue.h"
#include "scenes/scene_cubeformers/scene_cubeformers.h"
#include "scenes/scene_gltf/scene_gltf.h"
#include "scenes/scene_gltf/viewerkeys.h"
#include "scenes/scene_twballs/twballs.h"
#include "system/hidden_gl_context.h"
#include "tolmesystem.h"
#include "util/data/data.h"
#include "util/fbo/fbo.h"
#include "util/music/music.h"
#include "util/music/notedata.h"
#include "util/music/sync_device.h"

namespace {

constexpr uint32_t kWidth = 1280;
constexpr uint32_t kHeight = 720;
constexpr int kFrames = 15;

HiddenGLContext* Context() { return BenchGLContext(kWidth, kHeight); }

double TimeOf(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  glFinish();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Every track file reads as a key count of 0, so each track plays its default unless a frame
// sets it.
struct EmptyTrack {
  size_t offset = 0;
};
void* OpenEmpty(const char*, const char*) { return new EmptyTrack; }
size_t ReadEmpty(void* destination, size_t size, size_t count, void* handle) {
  auto* track = static_cast<EmptyTrack*>(handle);
  const size_t bytes = std::min(size * count, track->offset < 4 ? 4 - track->offset : 0);
  std::memset(destination, 0, bytes);
  track->offset += bytes;
  return size == 0 ? 0 : bytes / size;
}
int CloseEmpty(void* handle) {
  delete static_cast<EmptyTrack*>(handle);
  return 0;
}

// A scene with the records, music and camera tracks the scene manager would give it.
struct SceneRun {
  SceneRun(uint32_t production, std::unique_ptr<Scene> made) : scene(std::move(made)) {
    ResetDataFileState();
    CreateSystemSettings(production, DataMode::Disk);
    system_settings->music_file.clear();
    music = std::make_unique<Music>();
    music->device->open = OpenEmpty;
    music->device->read = ReadEmpty;
    music->device->close = CloseEmpty;
    const std::pair<const char*, float> camera[] = {
        {"cameraEyeX", 18}, {"cameraEyeY", 14}, {"cameraEyeZ", -26}, {"cameraDstX", 0},
        {"cameraDstY", 0},  {"cameraDstZ", 0},  {"cameraUpX", 0},    {"cameraUpY", 1},
        {"cameraUpZ", 0},   {"cameraFoV", 50},  {"cameraShake", 0}};
    for (const auto& [name, value] : camera) music->OpenTrack(name, value);
    auto notes = std::make_shared<NoteData>();
    notes->tracks.resize(2);
    FindOrAddLane(notes->tracks[1], 36);
    FindOrAddLane(notes->tracks[1], 38);
    music->noteData = notes;
    scene->keys = &keys;
    scene->mouse = &mouse;
    scene->music = music.get();
    scene->aspect = 16.0f / 9.0f;
    scene->Init();
  }
  void Set(const char* name, float value) {
    SyncFindTrack(*music->device, name)->keys = {SyncKey{0, value, SyncKeyType::Step}};
  }

  KeyState keys;
  MouseState mouse;
  std::unique_ptr<Music> music;
  std::unique_ptr<Scene> scene;
};

// Frames of the scene (each after `before`, given the frame number) into a 1280 x 720 buffer,
// each with a bare copy; then as many frames again with their passes timed apart, printed as the
// split of `label`.
void MeasureFrames(benchmark::State& state, SceneRun& run, const std::function<void(int)>& before,
                   const std::string& label) {
  BareCopy copy;
  FBO target(kWidth, kHeight, FBOType::Color, 0);
  std::vector<ShowSample> figures;
  std::vector<ShowSample> split;
  for (auto _ : state) {
    for (const bool timed_apart : {false, true}) {
      PassSplit passes;
      if (!timed_apart) SetPassTimer(nullptr);
      for (int frame = 0; frame < kFrames; ++frame) {
        before(frame);
        target.Bind();
        ResetGLState();
        run.scene->Resize(kWidth, kHeight);
        passes.BeginFrame();
        const double seconds = TimeOf([&] { run.scene->Render(); });
        passes.EndFrame();
        target.Unbind();
        ResetGLState();
        ShowSample sample;
        sample.section = label;
        sample.copies = seconds / copy.Seconds();
        for (const auto& [name, pass] : passes.frame()) sample.passes[name] = pass / copy.Seconds();
        (timed_apart ? split : figures).push_back(std::move(sample));
      }
    }
  }
  PrintShowReport((label + " split (passes timed apart)").c_str(), split);
  const ShowStats stats = StatsOf(figures);
  state.counters["median_vs_bare_copy"] = stats.median;
  state.counters["worst_vs_bare_copy"] = stats.worst_after_first;
}

// Every model of the viewer (argument: its index; F6 steps to the next one), after a first frame
// that loads it.
void BM_ModelViewerFrame(benchmark::State& state) {
  if (!Context()) return state.SkipWithError("no GL display");
  static std::unique_ptr<SceneRun> run;
  if (!run) run = std::make_unique<SceneRun>(0, std::make_unique<GLTF>());
  auto& viewer = static_cast<GLTF&>(*run->scene);
  const auto wanted = static_cast<uint32_t>(state.range(0));
  if (wanted >= viewer.model_count()) return state.SkipWithError("no such model");
  while (viewer.current_model() != wanted) {
    run->keys[KeyState::kPressedOnce + ViewerKey::kF6] = 1;
    run->scene->Resize(kWidth, kHeight);
    run->scene->Render();
  }
  run->scene->Resize(kWidth, kHeight);
  run->scene->Render();
  // The default lights circle the model as the song plays; each frame is a 30th of a second on,
  // so that the lights' shadow faces are drawn anew as on screen.
  const auto move_lights = [](int frame) { run->music->SetPositionSeconds(frame / 30.0); };
  MeasureFrames(state, *run, move_lights, "model " + std::to_string(wanted));
}
BENCHMARK(BM_ModelViewerFrame)->DenseRange(0, 12)->Unit(benchmark::kMillisecond)->Iterations(1);

// The arrangement on show, by the scene's "subScene" track, and whether it casts shadows.
std::string ArrangementOf(ShowRun& run) {
  std::string name = "arrangement " + std::to_string(static_cast<int>(run.Track("subScene")));
  if (run.Track("shadows") > 0.5f) name += " shadowed";
  return name;
}

// Production 5 plays in a folder that holds its tracks, staged by the build.
void BM_Production5WholeShow(benchmark::State& state) {
  if (!Context()) return state.SkipWithError("no GL display");
  RunWholeShow(state, 5, PLAYER_P5_STAGE, "production 5", ArrangementOf);
}
BENCHMARK(BM_Production5WholeShow)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

void BM_TwBallsFrame(benchmark::State& state) {
  if (!Context()) return state.SkipWithError("no GL display");
  SceneRun run(4, std::make_unique<TwBalls>());
  for (const char* axis : {"twblPosX", "twblPosY", "twblPosZ"}) run.Set(axis, -4.0f);
  MeasureFrames(state, run, [&](int frame) { run.Set("twblRotZ", 0.02f * frame); }, "TwBalls");
}
BENCHMARK(BM_TwBallsFrame)->Unit(benchmark::kMillisecond)->Iterations(1);

// One arrangement per run (0 block, 1 ribbon, 2 greetings; 3 the ribbon with shadows), the
// camera where the show puts it for the greetings.
void BM_CubeFormersFrame(benchmark::State& state) {
  if (!Context()) return state.SkipWithError("no GL display");
  SceneRun run(5, std::make_unique<CubeFormers>());
  const int arrangement = static_cast<int>(state.range(0));
  run.Set("subScene", static_cast<float>(arrangement));
  // The show draws the ribbon without shadows (BM_CubeFormersFrame/3 is the ribbon with them).
  if (arrangement == 1) run.Set("shadows", 0.0f);
  if (arrangement == 3) run.Set("subScene", 1.0f);
  if (arrangement == 2) {
    run.Set("Dist", 0.5f);
    run.Set("cameraEyeX", 0.0f);
    run.Set("cameraEyeY", -4.0f);
    run.Set("cameraEyeZ", 95.0f);
  }
  run.scene->Resize(kWidth, kHeight);
  run.scene->Render();  // the arrangement's first frame builds its shader variants
  MeasureFrames(state, run, [&](int frame) { run.Set("explodeMain", 0.02f * frame); },
                "arrangement " + std::to_string(arrangement));
}
BENCHMARK(BM_CubeFormersFrame)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond)
    ->Iterations(1);

void BM_ModelViewerPackedLoad(benchmark::State& state) {
  if (!Context()) return state.SkipWithError("no GL display");
  const char* path = std::getenv("PLAYER_P0_DATAVTL");
  double unpack = 0.0;
  double set_up = 0.0;
  for (auto _ : state) {
    ResetDataFileState();
    CreateSystemSettings(0, DataMode::Read);
    data_mode = DataMode::Read;
    unpack += TimeOf([&] { ReadDataFile(path ? path : "build/p0/data.vtl"); });
    system_settings->music_file.clear();
    Music music;
    KeyState keys;
    MouseState mouse;
    GLTF viewer;
    viewer.keys = &keys;
    viewer.mouse = &mouse;
    viewer.music = &music;
    set_up += TimeOf([&] { viewer.Init(); });
  }
  state.counters["unpack_ms"] = unpack * 1000.0 / state.iterations();
  state.counters["viewer_set_up_ms"] = set_up * 1000.0 / state.iterations();
}
BENCHMARK(BM_ModelViewerPackedLoad)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
