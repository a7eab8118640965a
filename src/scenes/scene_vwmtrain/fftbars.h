#pragma once
// The FFT bars: rows of spectrum bars marching back from the viewer, one row per sixteenth of
// a beat, the newest in front. Bands split the 1024 bins logarithmically; each bar is one cube
// or, voxelized, a stack of cubes coloured from a low to a high colour by height.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include <glm/glm.hpp>

#include "scenes/scene_vwmtrain/fftsnapshots.h"
#include "scenes/scene_vwmtrain/instanceset.h"

using TrackReader = std::function<float(const std::string&)>;

struct FftBarSettings {
  int32_t bands = 16;
  int32_t rows = 64;
  float spacing = 2.05f;
  float fall_off = 2.0f;
  float scale = 0.01f;
  float multiplier = 4.0f;
  float ceiling = 8.0f;
  float sensitivity = 50.0f;
  bool voxelize = true;
  float box_scale = 0.1f;
  float box_emission = 0.4f;
  float z_offset = 80.0f;
  bool moving = true;
  float base_light = 0.0f;
  glm::vec3 low_hsl{0.625f, 1.0f, 0.16f};
  glm::vec3 high_hsl{0.5f, 0.36f, 1.0f};
  float color_range = 7.0f;

  // The "fftr" tracks, counts held to the bounds below.
  static FftBarSettings FromTracks(const TrackReader& track);
};

class FftBars {
 public:
  static constexpr int32_t kMaxBands = 256;
  static constexpr int32_t kMaxRows = 256;
  static constexpr int32_t kMaxCubesPerBar = 64;
  // The cubes of a frame, whatever the counts: each carries a matrix, a colour and an emission
  // (92 bytes) uploaded every frame, and the three caps above multiply out to 4 million cubes
  // (some 390 MB a frame). 65536 cubes are 6 MB a frame, nine times the show's largest field
  // (24 bands x 48 rows x at most 6 cubes); past it the oldest rows are left out.
  static constexpr size_t kMaxInstances = 65536;

  // [lo, hi) bin ranges of the bands: logarithmic over the 1024 bins, each at least one bin
  // until the bins run out. One band covers bin 0 only; no bands for a count of 0 or less.
  static std::vector<std::pair<int32_t, int32_t>> BandEdges(int32_t bands);

  // One band's height: its bins' sum scaled down by their number, times the multiplier and
  // the row factor, held at the ceiling.
  static float BandValue(std::span<const float> spectrum, std::pair<int32_t, int32_t> edge,
                         float scale, float multiplier, float row_factor, float ceiling);

  // The cubes of every visible row at beat b, newest row first, at most kMaxInstances. Row 0
  // comes from `live` (the spectrum of now), older rows from the snapshots.
  static InstanceSet Build(const FftBarSettings& settings, double beat,
                           const FftSnapshots& snapshots, std::span<const float> live);

 private:
  static void AddBar(InstanceSet& out, const FftBarSettings& settings, float x, float value,
                     float z);
};
