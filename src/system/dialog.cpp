#include "system/dialog.h"

#include <SDL2/SDL.h>

#include "tolmesystem.h"

// Stand-in until the real dialog lands: answers "&Run" with the largest display mode, as the
// dialog does when nothing was chosen.
int ShowStartupDialog() {
  SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0 && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return -1;
  SystemSettings& settings = *system_settings;
  if (settings.width == SystemSettings::kNotChosen) {
    SDL_DisplayMode largest{};
    const int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
      SDL_DisplayMode mode{};
      if (SDL_GetDisplayMode(0, i, &mode) != 0) continue;
      if (mode.w > largest.w || (mode.w == largest.w && mode.h > largest.h)) largest = mode;
    }
    if (largest.w == 0) return -1;
    settings.width = static_cast<uint32_t>(largest.w);
    settings.height = static_cast<uint32_t>(largest.h);
  }
  return 1;
}
