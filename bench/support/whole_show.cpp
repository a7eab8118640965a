#include "whole_show.h"

#include <sys/resource.h>

#include <vector>

#include "show_run.h"

namespace {

double PeakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

}  // namespace

void RunWholeShow(benchmark::State& state, uint32_t production, const std::string& folder,
                  const std::string& title, const SectionNamer& section) {
  for (auto _ : state) {
    ShowRun show(production, folder);
    const double first = show.Frame(0.0);
    const std::vector<ShowSample> figures = SampleShow(show, 0.5, false, section);
    const std::vector<ShowSample> split = SampleShow(show, 2.0, true, section);
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
