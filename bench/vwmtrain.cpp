// Production 6 (the train scene, the still picture and their effects) at 1280 x 720 with its
// song: the set-up from "&Run" to the first frame, frame times over the whole show (median and
// worst, frames per second), peak memory, and the frame split at a busy moment of the show, each
// part as a multiple of one bare full-screen copy timed in the same run.
//
// The split switches one part at a time through its tracks: shadow faces ("shadowEnabled" off),
// glow ("rndrGlow" off), depth of field ("focusEnable" on: the finale plays without it), the
// post-processing chain (every "pp" track off); with shadows, glow and effects off what is left
// is the main pass with the rest of the frame.

#include <benchmark/benchmark.h>

#include <GL/glew.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "effects/postproc.h"
#include "effects/postproceffects.h"
#include "scenes/scenemanager.h"
#include "system/hidden_gl_context.h"
#include "tolmesystem.h"
#include "util/data/data.h"
#include "util/easydraw/easydraw.h"
#include "util/fbo/fbo.h"
#include "util/gpuresources/gpuresources.h"
#include "util/music/music.h"
#include "util/music/sync_device.h"
#include "util/music/sync_track.h"
#include "util/shaderprogram/shaderprogram.h"

namespace {

constexpr uint32_t kWidth = 1280;
constexpr uint32_t kHeight = 720;
constexpr double kShowSeconds = 181.0;
// The busy moment of the split: the finale, with bars, fire, clowns, train, stars and laser.
constexpr double kSplitSeconds = 150.0;

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

bool MakeContext() {
  static std::unique_ptr<HiddenGLContext> context;
  static std::unique_ptr<GpuResources> resources;
  if (context) return true;
  try {
    context = std::make_unique<HiddenGLContext>(kWidth, kHeight);
  } catch (const std::exception&) {
    return false;
  }
  resources = std::make_unique<GpuResources>();
  return true;
}

// One textured copy of a full 1280 x 720 picture into another buffer, finished.
class BareCopy {
 public:
  BareCopy()
      : program_(MakeTextured2DShader("bench")),
        source_(kWidth, kHeight, FBOType::Color, 0),
        target_(kWidth, kHeight, FBOType::Color, 0) {}
  double Seconds() {
    const auto start = Clock::now();
    program_.Use();
    glUniformMatrix4fv(program_.GetUniformLocation("ProjectionMatrix"), 1, GL_FALSE,
                       GpuResources::UnitSquareProjection().data());
    glDisable(GL_DEPTH_TEST);
    target_.Bind();
    glBindTexture(GL_TEXTURE_2D, source_.color_textures[0]->id);
    EasyDraw::DrawQuad(0, 0, 1, 1);
    target_.Unbind();
    glFinish();
    return Since(start);
  }

 private:
  ShaderProgram program_;
  FBO source_;
  FBO target_;
};

// The production as the player runs it, from the loose data tree with its song.
struct Show {
  Show() {
    CreateSystemSettings(6, DataMode::Disk);
    data_mode = DataMode::Disk;
    system_settings->width = kWidth;
    system_settings->height = kHeight;
    system_settings->loading_hold_ms = 0;
    system_settings->fullscreen = 0;
    const auto start = Clock::now();
    manager = std::make_unique<SceneManager>();
    // Paused, the song stays where each frame puts it and its end does not stop the run.
    manager->music->Start();
    manager->music->SetPaused(true);
    Frame(0.0);
    load_seconds = Since(start);
  }
  double Frame(double at) {
    manager->music->SetPositionSeconds(at);
    const auto start = Clock::now();
    manager->RenderFrame();
    glFinish();
    return Since(start);
  }
  void Hold(const std::string& name, float value) {
    if (SyncTrack* track = SyncFindTrack(*manager->music->device, name))
      track->keys = {SyncKey{0, value, SyncKeyType::Step}};
  }
  std::unique_ptr<SceneManager> manager;
  double load_seconds = 0.0;
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double PeakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// A frame at every second of the show; counters in frames per second and seconds.
void BM_WholeShow(benchmark::State& state) {
  if (!MakeContext()) return state.SkipWithError("no GL display");
  for (auto _ : state) {
    Show show;
    BareCopy copy;
    std::vector<double> frames;
    double copies = 0.0;
    for (double at = 0.0; at < kShowSeconds; at += 1.0) {
      frames.push_back(show.Frame(at));
      copies += copy.Seconds();
    }
    state.SetIterationTime(show.load_seconds);
    state.counters["load_seconds"] = show.load_seconds;
    state.counters["median_fps"] = 1.0 / Median(frames);
    state.counters["worst_fps"] = 1.0 / *std::max_element(frames.begin(), frames.end());
    state.counters["median_vs_bare_copy"] = Median(frames) / (copies / frames.size());
    state.counters["peak_MB"] = PeakMegabytes();
  }
}
BENCHMARK(BM_WholeShow)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

// One frame at a moment of the show (argument: seconds); counter "vs_bare_copy".
void BM_Moment(benchmark::State& state) {
  if (!MakeContext()) return state.SkipWithError("no GL display");
  static std::unique_ptr<Show> show;
  if (!show) show = std::make_unique<Show>();
  const double at = static_cast<double>(state.range(0));
  BareCopy copy;
  double frames = 0.0, copies = 0.0;
  for (auto _ : state) {
    const double frame = show->Frame(at);
    frames += frame;
    copies += copy.Seconds();
    state.SetIterationTime(frame);
  }
  state.counters["vs_bare_copy"] = frames / copies;
}
// Opening picture, text-mode screen, stage, keyboard, fire, bars, kaleidoscope bars, text-mode
// fire, greetings on the monitor, finale, closing picture.
BENCHMARK(BM_Moment)->Arg(4)->Arg(10)->Arg(18)->Arg(25)->Arg(38)->Arg(50)->Arg(75)->Arg(88)
    ->Arg(96)->Arg(105)->Arg(150)->Arg(178)->UseManualTime()->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// The frame at the busy moment with one part switched (argument: 0 as the show plays it, 1 no
// shadows, 2 no glow, 3 with depth of field, 4 no effects, 5 no shadows, glow or effects);
// counter "vs_bare_copy".
void BM_FrameSplit(benchmark::State& state) {
  if (!MakeContext()) return state.SkipWithError("no GL display");
  static std::unique_ptr<Show> show;
  if (!show) show = std::make_unique<Show>();
  show->manager->music->SetPositionSeconds(kSplitSeconds);
  show->Frame(kSplitSeconds);  // tracks settle at this row
  const int off = static_cast<int>(state.range(0));
  std::vector<std::pair<std::string, float>> held;
  if (off == 1 || off == 5) held.push_back({"shadowEnabled", 0.0f});
  if (off == 2 || off == 5) held.push_back({"rndrGlow", 0.0f});
  if (off == 3) held.push_back({"focusEnable", 1.0f});
  if (off == 4 || off == 5) {
    for (const auto& effect : Effects::MakePostProcEffects()) held.push_back({"pp" + effect->name, -1.0f});
  }
  // Only the switched tracks are held; the rest keep playing at the moment's row.
  for (const auto& [name, value] : held) show->Hold(name, value);
  BareCopy copy;
  double frames = 0.0, copies = 0.0;
  for (auto _ : state) {
    const double frame = show->Frame(kSplitSeconds);
    frames += frame;
    copies += copy.Seconds();
    state.SetIterationTime(frame);
  }
  state.counters["vs_bare_copy"] = frames / copies;
  // Fresh tracks for the next case: the show is made again.
  show.reset();
}
BENCHMARK(BM_FrameSplit)->DenseRange(0, 5)->UseManualTime()->Unit(benchmark::kMillisecond)
    ->Iterations(10);

}  // namespace
