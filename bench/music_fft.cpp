// Time of one 1024-bin spectrum (2048-point FFT with window): scenes take one per sixteenth of
// a beat of the whole song at set-up, thousands for a three-minute song, and one per frame.

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "system/fft.h"

namespace {

void BM_Spectrum(benchmark::State& state) {
  std::vector<float> signal(kSpectrumInputSize);
  for (size_t i = 0; i < signal.size(); ++i) signal[i] = 0.5f * std::sin(0.05f * i) + 0.25f * std::sin(0.31f * i);
  std::vector<float> out(kSpectrumSize);
  for (auto _ : state) {
    ComputeSpectrum(signal, out);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_Spectrum)->Unit(benchmark::kMicrosecond);

}  // namespace
