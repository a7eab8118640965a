#pragma once
// A small radix-2 FFT and the spectrum the scenes draw from: 2048 samples of a mono signal,
// Hann-windowed, give 1024 magnitudes. A full-scale sine centred on bin k reads 1.0 at k.

#include <complex>
#include <cstddef>
#include <span>

constexpr size_t kSpectrumInputSize = 2048;
constexpr size_t kSpectrumSize = kSpectrumInputSize / 2;

// In-place forward transform; the size must be a power of two (others are refused: false).
bool Fft(std::span<std::complex<float>> data);

// mono: kSpectrumInputSize samples in -1..1; out: kSpectrumSize magnitudes, bin k at
// k * rate / kSpectrumInputSize Hz.
void ComputeSpectrum(std::span<const float> mono, std::span<float> out);
