#include "system/fft.h"

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

// e^(-2 pi i k / n) for k < n / 2, kept per thread for the last size asked for: the spectrum
// asks for one size over and over, and the sines cost more than the butterflies.
const std::vector<std::complex<float>>& Twiddles(size_t n) {
  thread_local std::vector<std::complex<float>> table;
  if (table.size() != n / 2) {
    table.resize(n / 2);
    for (size_t k = 0; k < n / 2; ++k) {
      const double angle = -2.0 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(n);
      table[k] = {static_cast<float>(std::cos(angle)), static_cast<float>(std::sin(angle))};
    }
  }
  return table;
}

}  // namespace

bool Fft(std::span<std::complex<float>> data) {
  const size_t n = data.size();
  if (n == 0 || (n & (n - 1)) != 0) return false;
  BitReverse(data);
  const auto& twiddles = Twiddles(n);
  // Plain floats (std::complex<float> is laid out as two): whole-complex loads after the
  // compiler's per-part stores stall the butterflies many times over.
  float* values = reinterpret_cast<float*>(data.data());
  for (size_t length = 2; length <= n; length <<= 1) {
    const size_t half = length / 2;
    const size_t stride = n / length;
    for (size_t start = 0; start < n; start += length) {
      for (size_t k = 0; k < half; ++k) {
        float* even = values + 2 * (start + k);
        float* odd = values + 2 * (start + k + half);
        const float w_re = twiddles[k * stride].real();
        const float w_im = twiddles[k * stride].imag();
        const float t_re = odd[0] * w_re - odd[1] * w_im;
        const float t_im = odd[0] * w_im + odd[1] * w_re;
        odd[0] = even[0] - t_re;
        odd[1] = even[1] - t_im;
        even[0] += t_re;
        even[1] += t_im;
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
  for (size_t k = 0; k < kSpectrumSize && k < out.size(); ++k) {
    out[k] = std::sqrt(bins[k].real() * bins[k].real() + bins[k].imag() * bins[k].imag()) * scale;
  }
}
