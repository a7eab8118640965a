#pragma once
// The letterbox: the largest picture of a given aspect in a window, and where it sits. The frame
// composition and the loading screen both place their picture with it.

#include <cstdint>

struct RenderSize {
  uint32_t width = 0;
  uint32_t height = 0;
};

// The largest picture of the given aspect that fits the window: pillar-boxed on wide windows,
// letter-boxed on tall ones. A height of 0 counts as 1.
RenderSize LetterboxSize(uint32_t window_width, uint32_t window_height, float aspect);

struct ScreenRect {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
};

// The picture centred in the window (the offsets truncate toward zero).
ScreenRect LetterboxRect(uint32_t window_width, uint32_t window_height, RenderSize picture);
