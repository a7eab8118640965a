#pragma once
// The train scene's sync tracks with their defaults, in the order the scene opens them: one
// group per element loader, then the text group, then the scene's own.

#include <span>
#include <vector>

struct VWMTrainTrack {
  const char* name;
  float default_value;
};

namespace VWMTrainTracks {

std::span<const VWMTrainTrack> FftBars();
std::span<const VWMTrainTrack> Clowns();
std::span<const VWMTrainTrack> Crt();
std::span<const VWMTrainTrack> Keyboard();
std::span<const VWMTrainTrack> Train();
std::span<const VWMTrainTrack> Recycling();
std::span<const VWMTrainTrack> Fire();
std::span<const VWMTrainTrack> Rastafield();
std::span<const VWMTrainTrack> Text();
std::span<const VWMTrainTrack> Scene();

// Every group above, in opening order.
std::vector<VWMTrainTrack> All();

}  // namespace VWMTrainTracks
