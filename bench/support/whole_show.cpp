#include "whole_show.h"

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "show_run.h"

namespace {

double PeakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// The split's step: every two seconds, or BENCH_SPLIT_STEP seconds.
double SplitStep() {
  const char* step = std::getenv("BENCH_SPLIT_STEP");
  return step != nullptr && std::atof(step) > 0.0 ? std::atof(step) : 2.0;
}

// With BENCH_SHOW_FRAMES set, every sampled frame goes to that file, one line each: run, show
// time, section, cost and passes (in bare copies), so that the frames behind a percentile can
// be named.
void WriteFrames(const char* run, const std::vector<ShowSample>& samples) {
  const char* path = std::getenv("BENCH_SHOW_FRAMES");
  if (path == nullptr) return;
  std::FILE* file = std::fopen(path, "a");
  if (file == nullptr) return;
  for (const ShowSample& s : samples) {
    std::fprintf(file, "%s\t%.2f\t%s\t%.2f", run, s.at, s.section.c_str(), s.copies);
    for (const auto& [pass, copies] : s.passes) std::fprintf(file, "\t%s=%.2f", pass.c_str(), copies);
    std::fprintf(file, "\n");
  }
  std::fclose(file);
}

}  // namespace

void RunWholeShow(benchmark::State& state, uint32_t production, const std::string& folder,
                  const std::string& title, const SectionNamer& section) {
  for (auto _ : state) {
    ShowRun show(production, folder);
    const double first = show.Frame(0.0);
    const std::vector<ShowSample> figures = SampleShow(show, 0.5, false, section);
    const std::vector<ShowSample> split = SampleShow(show, SplitStep(), true, section);
    WriteFrames("figures", figures);
    WriteFrames("split", split);
    PrintShowReport((title + ", time-weighted").c_str(), figures);
    PrintShowReport((title + " split (passes timed apart)").c_str(), split);
    const ShowStats stats = StatsOf(figures);
    state.SetIterationTime(show.load_seconds + first);
    state.counters["load_seconds"] = show.load_seconds + first;
    state.counters["median_copies"] = stats.median;
    state.counters["p95_copies"] = stats.p95;
    state.counters["worst_after_first_copies"] = stats.worst_after_first;
    state.counters["peak_MB"] = PeakMegabytes();
  }
}
