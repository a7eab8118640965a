#include "util/letterbox.h"

RenderSize LetterboxSize(uint32_t window_width, uint32_t window_height, float aspect) {
  const uint32_t height = window_height == 0 ? 1 : window_height;
  const float window_aspect = static_cast<float>(window_width) / static_cast<float>(height);
  if (window_aspect > aspect) {
    return {static_cast<uint32_t>(static_cast<float>(height) * aspect), height};
  }
  return {window_width, static_cast<uint32_t>(static_cast<float>(window_width) / aspect)};
}

ScreenRect LetterboxRect(uint32_t window_width, uint32_t window_height, RenderSize picture) {
  const int32_t x = (static_cast<int32_t>(window_width) - static_cast<int32_t>(picture.width)) / 2;
  const int32_t y =
      (static_cast<int32_t>(window_height) - static_cast<int32_t>(picture.height)) / 2;
  return {x, y, static_cast<int32_t>(picture.width), static_cast<int32_t>(picture.height)};
}
