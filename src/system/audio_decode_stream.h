#pragma once
// The decode-only stream: a second cursor over a decoded song, never heard, from which the
// program reads sample values and spectra at any position.

#include <cstdint>
#include <memory>
#include <span>

#include "system/audio_pcm.h"

class AudioDecodeStream {
 public:
  explicit AudioDecodeStream(std::shared_ptr<const AudioPcm> pcm) : pcm_(std::move(pcm)) {}

  const AudioPcm& Pcm() const { return *pcm_; }
  uint64_t GetLength() const { return pcm_->LengthBytes(); }
  uint64_t GetPosition() const { return position_; }
  // Fails, leaving the position as it was, at or past the end. Rounds down to a whole frame.
  bool SetPosition(uint64_t bytes);

  // Reads samples from the position on as floats in -1..1 and advances past them; returns
  // the number read (fewer at the end of the song).
  size_t ReadFloat(std::span<float> out);
  // The same as 16-bit values.
  size_t ReadInt16(std::span<int16_t> out);
  // Spectrum of the 2048 frames from the position on, channels mixed to mono (silence past
  // the end): 1024 magnitudes. The position does not move.
  void ReadSpectrum(std::span<float> out) const;

 private:
  std::shared_ptr<const AudioPcm> pcm_;
  uint64_t position_ = 0;  // bytes, always a whole frame
};
