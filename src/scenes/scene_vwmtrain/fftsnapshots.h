#pragma once
// The song's spectrum history: one 1024-bin spectrum per sixteenth of a beat over the whole
// song, taken once at set-up so that a frame reads its older rows from memory.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

class FftSnapshots {
 public:
  static constexpr size_t kBins = 1024;
  static constexpr int32_t kPerBeat = 16;
  // At most 128 MB of spectra (a 14-minute song at 140 beats a minute); a longer song keeps
  // its first part and reads silence after it.
  static constexpr int64_t kMaxCount = 32768;

  using Spectrum = std::array<float, kBins>;
  // Fills a spectrum for a beat.
  using SpectrumSource = std::function<void(float* out, double beat)>;

  // Snapshots for a song of this many beats: one per sixteenth of a beat and one more, held
  // to 1..kMaxCount; a length that is not a number gives one.
  static int64_t CountFor(double length_in_beats);
  // The snapshot index of a beat: int(beat x 16), or -1 before the music starts and for
  // beats that are not numbers; held below 2^31.
  static int64_t IndexOf(double beat);

  // Takes `count` spectra from the source, snapshot i at beat i / 16.
  void Build(int64_t count, const SpectrumSource& source);
  void Clear() { snapshots_.clear(); }

  size_t size() const { return snapshots_.size(); }
  // A snapshot; an index outside the store (past the song's end, or negative) reads silence.
  std::span<const float> At(int64_t index) const;

 private:
  std::vector<Spectrum> snapshots_;
};
