#include "system/video.h"

#include <SDL2/SDL.h>

bool StartVideo() {
  // Debian's GLEW resolves entry points through GLX, so windows must live on X11 even where
  // SDL would prefer Wayland.
  SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
  return SDL_WasInit(SDL_INIT_VIDEO) != 0 || SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
}
