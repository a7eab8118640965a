// Production 6 (the train scene, the still picture and their effects) at 1280 x 720 with its
// song: the set-up from "&Run" to the first frame; over the whole show, frames weighted by their
// time on screen, the median, 95th percentile and worst frame after the first, and per section
// the median frame and its split into passes (main PBR pass, shadow faces, glow, its composite,
// depth of field, post-processing effects, the rest); single moments; and the frame at a busy
// moment with one part switched off. Every cost is a multiple of one bare full-screen copy timed
// in the same run.
//
// The switched split holds one part's tracks: shadow faces ("shadowEnabled" off), glow
// ("rndrGlow" off), depth of field ("focusEnable" on: the finale plays without it), the
// post-processing chain (every "pp" track off); with shadows, glow and effects off what is left
// is the main pass with the rest of the frame.

#include <benchmark/benchmark.h>

#include <GL/glew.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "effects/postproc.h"
#include "effects/postproceffects.h"
#include "scenes/scenemanager.h"
#include "support/bench_context.h"
#include "support/show_run.h"
#include "support/whole_show.h"
#include "util/music/music.h"

namespace {

// The busy moment of the split: the finale, with bars, fire, clowns, train, stars and laser.
constexpr double kSplitSeconds = 150.0;

bool MakeContext() { return BenchGLContext(kShowWidth, kShowHeight) != nullptr; }

// The scene of the first slot, and whether it shows the stage (with or without the laser, which
// keeps the glow picture at full size) or only its text mode.
std::string SectionOf(ShowRun& run) {
  const int scene = static_cast<int>(std::trunc(run.Track("ActiveScene1st")));
  std::string name = "scene " + std::to_string(scene);
  if (scene != 0) return name;
  if (run.Track("asciiFullScreen") > 0.5f) return name + " text mode";
  return name + (run.Track("textLaserOn") > 0.5f ? " stage, laser" : " stage");
}

void BM_WholeShow(benchmark::State& state) {
  if (!MakeContext()) return state.SkipWithError("no GL display");
  RunWholeShow(state, 6, ".", "production 6", SectionOf);
}
BENCHMARK(BM_WholeShow)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

// The frame at `at`, once per iteration, each with a bare copy; counter "vs_bare_copy".
void TimeMoment(benchmark::State& state, ShowRun& show, double at) {
  BareCopy copy;
  double frames = 0.0, copies = 0.0;
  for (auto _ : state) {
    const double frame = show.Frame(at);
    frames += frame;
    copies += copy.Seconds();
    state.SetIterationTime(frame);
  }
  state.counters["vs_bare_copy"] = frames / copies;
}

// One frame at a moment of the show (argument: seconds); counter "vs_bare_copy".
void BM_Moment(benchmark::State& state) {
  if (!MakeContext()) return state.SkipWithError("no GL display");
  static std::unique_ptr<ShowRun> show;
  if (!show) show = std::make_unique<ShowRun>(6);
  const double at = static_cast<double>(state.range(0));
  TimeMoment(state, *show, at);
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
  static std::unique_ptr<ShowRun> show;
  if (!show) show = std::make_unique<ShowRun>(6);
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
  TimeMoment(state, *show, kSplitSeconds);
  show->ReleaseAll();
}
BENCHMARK(BM_FrameSplit)->DenseRange(0, 5)->UseManualTime()->Unit(benchmark::kMillisecond)
    ->Iterations(10);

}  // namespace
