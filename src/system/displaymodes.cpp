#include "system/displaymodes.h"

#include <algorithm>

#include <SDL2/SDL.h>

#include "system/video.h"

std::vector<DisplayMode> EnumerateDisplayModes() {
  // Video stays initialised: the window is made with it right after the dialog.
  if (!StartVideo()) return {};
  std::vector<DisplayMode> modes;
  const int count = SDL_GetNumDisplayModes(0);
  for (int i = 0; i < count; ++i) {
    SDL_DisplayMode mode{};
    if (SDL_GetDisplayMode(0, i, &mode) == 0 && mode.w > 0 && mode.h > 0)
      modes.push_back({static_cast<uint32_t>(mode.w), static_cast<uint32_t>(mode.h)});
  }
  return modes;
}

std::vector<DisplayMode> DistinctDisplayModes(std::vector<DisplayMode> modes) {
  std::sort(modes.begin(), modes.end());
  modes.erase(std::unique(modes.begin(), modes.end()), modes.end());
  return modes;
}
