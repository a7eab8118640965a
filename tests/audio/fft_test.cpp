// The radix-2 FFT and the 1024-bin spectrum.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "system/fft.h"

namespace {

std::vector<float> Sine(double bin, float amplitude) {
  std::vector<float> signal(kSpectrumInputSize);
  for (size_t i = 0; i < signal.size(); ++i) {
    signal[i] = amplitude * static_cast<float>(std::sin(2.0 * std::numbers::pi * bin * i / kSpectrumInputSize));
  }
  return signal;
}

}  // namespace

TEST(Fft, MatchesTheDirectTransform) {
  std::vector<std::complex<float>> data(16);
  for (size_t i = 0; i < data.size(); ++i) data[i] = {std::cos(0.3f * i) + 0.1f * i, std::sin(0.7f * i)};
  std::vector<std::complex<float>> transformed = data;
  ASSERT_TRUE(Fft(transformed));
  for (size_t k = 0; k < data.size(); ++k) {
    std::complex<double> sum;
    for (size_t n = 0; n < data.size(); ++n) {
      sum += std::complex<double>(data[n]) * std::polar(1.0, -2.0 * std::numbers::pi * k * n / data.size());
    }
    EXPECT_NEAR(transformed[k].real(), sum.real(), 1e-4) << k;
    EXPECT_NEAR(transformed[k].imag(), sum.imag(), 1e-4) << k;
  }
}

TEST(Fft, RefusesSizesThatAreNoPowerOfTwo) {
  std::vector<std::complex<float>> data(12, {1.0f, 0.0f});
  EXPECT_FALSE(Fft(data));
  EXPECT_EQ(data[0], std::complex<float>(1.0f, 0.0f));  // untouched
  EXPECT_FALSE(Fft({}));
}

TEST(Spectrum, SinePeaksAtItsBinWithItsAmplitude) {
  for (double bin : {5.0, 100.0, 511.0, 1000.0}) {
    std::vector<float> spectrum(kSpectrumSize);
    ComputeSpectrum(Sine(bin, 0.5f), spectrum);
    const auto peak = std::max_element(spectrum.begin(), spectrum.end());
    EXPECT_EQ(static_cast<double>(peak - spectrum.begin()), bin);
    EXPECT_NEAR(*peak, 0.5f, 0.01f) << bin;
    // The Hann window keeps the leak to the next bins and nothing further out.
    EXPECT_NEAR(spectrum[static_cast<size_t>(bin) + 1], 0.25f, 0.01f) << bin;
    EXPECT_LT(spectrum[static_cast<size_t>(bin) + 3], 1e-3f) << bin;
  }
}
