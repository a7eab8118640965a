#include "util/music/fft.h"

#include <array>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

namespace {

void BitReverse(std::span<std::complex<float>> data) {
  const size_t n = data.size();
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j |= bit;
    if (i < j) std::swap(data[i], data[j]);
  }
}

const std::array<float, kSpectrumInputSize>& HannWindow() {
  static const std::array<float, kSpectrumInputSize> window = [] {
    std::array<float, kSpectrumInputSize> w{};
    for (size_t i = 0; i < w.size(); ++i) {
      w[i] = static_cast<float>(0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / w.size()));
    }
    return w;
  }();
  return window;
}

}  // namespace

bool Fft(std::span<std::complex<float>> data) {
  const size_t n = data.size();
  if (n == 0 || (n & (n - 1)) != 0) return false;
  BitReverse(data);
  for (size_t length = 2; length <= n; length <<= 1) {
    const double angle = -2.0 * std::numbers::pi / static_cast<double>(length);
    for (size_t k = 0; k < length / 2; ++k) {
      // Twiddles from the angle directly rather than by repeated multiplication, so the
      // error does not grow along the butterfly.
      const std::complex<float> w(static_cast<float>(std::cos(angle * k)), static_cast<float>(std::sin(angle * k)));
      for (size_t start = 0; start < n; start += length) {
        const std::complex<float> even = data[start + k];
        const std::complex<float> odd = data[start + k + length / 2] * w;
        data[start + k] = even + odd;
        data[start + k + length / 2] = even - odd;
      }
    }
  }
  return true;
}

void ComputeSpectrum(std::span<const float> mono, std::span<float> out) {
  const auto& window = HannWindow();
  std::vector<std::complex<float>> bins(kSpectrumInputSize);
  for (size_t i = 0; i < kSpectrumInputSize && i < mono.size(); ++i) bins[i] = mono[i] * window[i];
  Fft(bins);
  // The Hann window sums to N/2 and a real sine splits over two bins: 4/N scales an on-bin
  // sine of amplitude A to A.
  const float scale = 4.0f / static_cast<float>(kSpectrumInputSize);
  for (size_t k = 0; k < kSpectrumSize && k < out.size(); ++k) out[k] = std::abs(bins[k]) * scale;
}
