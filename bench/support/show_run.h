#pragma once
// Whole-show measures shared by the production benchmarks: a production played as the player
// plays it (loose data tree, its song, 1280 x 720), frames taken at even steps of show time,
// each frame's cost as a multiple of one bare full-screen copy timed in the same run, and the
// frame split into the named passes of util/passtiming.
//
// Frames taken at even steps of show time are weighted by their time on screen: a viewer who
// looks at a random moment sees the frame drawn for that moment, however long it took. Counting
// the frames a real run draws instead would let the fast 2D stretches hide the slow 3D ones.

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "util/fbo/fbo.h"
#include "util/passtiming/passtiming.h"
#include "util/shaderprogram/shaderprogram.h"

class SceneManager;

constexpr uint32_t kShowWidth = 1280;
constexpr uint32_t kShowHeight = 720;

// One textured copy of a full 1280 x 720 picture into another buffer, finished.
class BareCopy {
 public:
  BareCopy();
  double Seconds();

 private:
  ShaderProgram program_;
  FBO source_;
  FBO target_;
};

// Seconds per named pass of the frames timed while installed; the time of a frame outside every
// pass is charged to "rest".
class PassSplit : public PassTimer {
 public:
  PassSplit();
  ~PassSplit() override;
  PassSplit(const PassSplit&) = delete;
  PassSplit& operator=(const PassSplit&) = delete;
  // Starts and ends one frame; passes reported in between are charged to it.
  void BeginFrame();
  void EndFrame();
  void Begin(const char* name) override;
  void End() override;
  // The last frame's seconds per pass.
  const std::map<std::string, double>& frame() const { return frame_; }

 private:
  void Charge();
  std::vector<std::string> open_;
  std::map<std::string, double> frame_;
  double mark_ = 0.0;
};

// The production as the player runs it, paused so that each frame shows the moment it is given.
// The run works in `folder` (the player's working folder: its data/ holds the production's
// tracks, see tools/stage-production.sh) and goes back to the folder it came from when it ends.
class ShowRun {
 public:
  explicit ShowRun(uint32_t production, const std::string& folder = ".");
  ~ShowRun();
  ShowRun(const ShowRun&) = delete;
  ShowRun& operator=(const ShowRun&) = delete;
  double Frame(double at);
  // Holds a track at one value (missing tracks are ignored); Release gives back its keys.
  void Hold(const std::string& name, float value);
  void ReleaseAll();
  float Track(const std::string& name) const;
  double length_seconds() const;

  std::unique_ptr<SceneManager> manager;
  double load_seconds = 0.0;

 private:
  struct Held;
  std::filesystem::path home_;
  std::vector<Held> held_;
};

// Cost of each sampled frame in bare copies, with the name of its section.
struct ShowSample {
  double at = 0.0;
  double copies = 0.0;
  std::string section;
  std::map<std::string, double> passes;  // copies per pass
};

struct ShowStats {
  double median = 0.0;
  double p95 = 0.0;
  double worst_after_first = 0.0;
  double worst_at = 0.0;
};

// Median, 95th percentile and worst of equally weighted samples (the first excluded from the
// worst: it builds what the show needs).
ShowStats StatsOf(const std::vector<ShowSample>& samples);

// Plays the show from 0 to its end at `step` seconds and returns one sample per step; the section
// of a sample is named by `section(run)` at that moment. With `split` every pass boundary waits
// for the GL (which costs a little): the frame totals of a run without it are the ones to quote.
template <typename SectionOf>
std::vector<ShowSample> SampleShow(ShowRun& run, double step, bool split, SectionOf section);

// Prints the whole-show report: totals, then per section the median frame and its passes.
void PrintShowReport(const char* title, const std::vector<ShowSample>& samples);

// The steady_clock in seconds.
double NowSeconds();

template <typename SectionOf>
std::vector<ShowSample> SampleShow(ShowRun& run, double step, bool split, SectionOf section) {
  BareCopy copy;
  PassSplit passes;
  if (!split) SetPassTimer(nullptr);
  std::vector<ShowSample> samples;
  const double end = run.length_seconds();
  for (double at = 0.0; at < end; at += step) {
    passes.BeginFrame();
    const double frame = run.Frame(at);
    passes.EndFrame();
    const double bare = copy.Seconds();
    ShowSample sample;
    sample.at = at;
    sample.copies = frame / bare;
    sample.section = section(run);
    if (split) {
      for (const auto& [name, seconds] : passes.frame()) sample.passes[name] = seconds / bare;
    }
    samples.push_back(std::move(sample));
  }
  return samples;
}
