#include "system/audio_decode_stream.h"

#include <algorithm>
#include <vector>

#include "system/fft.h"

bool AudioDecodeStream::SetPosition(uint64_t bytes) {
  if (bytes >= GetLength()) return false;
  position_ = bytes - bytes % pcm_->BlockAlign();
  return true;
}

namespace {

// Copies samples from the byte position on through `convert`, advancing the position.
template <typename T, typename Convert>
size_t ReadSamples(const AudioPcm& pcm, uint64_t& position, std::span<T> out, Convert convert) {
  const uint64_t first = position / sizeof(int16_t);
  const size_t count = static_cast<size_t>(std::min<uint64_t>(out.size(), pcm.samples.size() - first));
  std::transform(pcm.samples.begin() + static_cast<ptrdiff_t>(first),
                 pcm.samples.begin() + static_cast<ptrdiff_t>(first + count), out.begin(), convert);
  position += count * sizeof(int16_t);
  return count;
}

}  // namespace

size_t AudioDecodeStream::ReadFloat(std::span<float> out) {
  return ReadSamples(*pcm_, position_, out, [](int16_t s) { return s / 32768.0f; });
}

size_t AudioDecodeStream::ReadInt16(std::span<int16_t> out) {
  return ReadSamples(*pcm_, position_, out, [](int16_t s) { return s; });
}

void AudioDecodeStream::ReadSpectrum(std::span<float> out) const {
  const uint32_t channels = pcm_->channels;
  const uint64_t first_frame = position_ / pcm_->BlockAlign();
  const uint64_t frames = std::min<uint64_t>(kSpectrumInputSize, pcm_->FrameCount() - first_frame);
  std::vector<float> mono(kSpectrumInputSize, 0.0f);
  const int16_t* source = pcm_->samples.data() + first_frame * channels;
  for (uint64_t f = 0; f < frames; ++f) {
    float sum = 0.0f;
    for (uint32_t c = 0; c < channels; ++c) sum += source[f * channels + c];
    mono[f] = sum / (32768.0f * static_cast<float>(channels));
  }
  ComputeSpectrum(mono, out);
}
