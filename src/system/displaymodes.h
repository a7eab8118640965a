#pragma once
// The primary display's modes, as the start-up dialog offers them.

#include <cstdint>
#include <vector>

struct DisplayMode {
  uint32_t width = 0;
  uint32_t height = 0;
  auto operator<=>(const DisplayMode&) const = default;
};

// Every mode the display reports, duplicates included (modes differing only in refresh rate or
// pixel format). Empty when the video system cannot be started.
std::vector<DisplayMode> EnumerateDisplayModes();

// The distinct sizes, ascending by width, then height.
std::vector<DisplayMode> DistinctDisplayModes(std::vector<DisplayMode> modes);
