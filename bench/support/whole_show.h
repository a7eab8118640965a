#pragma once
// The whole-show benchmark every production shares: the set-up from "&Run" to the first frame,
// then the show sampled every half second for the time-weighted figures and every two seconds
// for the split into passes (BENCH_SPLIT_STEP seconds if set), both printed per section; with
// BENCH_SHOW_FRAMES naming a file, every sampled frame is added to it. Counters: "load_seconds",
// "median_copies", "p95_copies", "worst_after_first_copies" and "peak_MB".

#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>
#include <string>

class ShowRun;

// Names the section on show at the run's current moment.
using SectionNamer = std::function<std::string(ShowRun&)>;

// Runs production `production` in `folder` (see ShowRun) once per benchmark iteration; `title`
// heads the printed reports ("production 6").
void RunWholeShow(benchmark::State& state, uint32_t production, const std::string& folder,
                  const std::string& title, const SectionNamer& section);
