#include "util/data/loadingscreen.h"

// Stand-in until the loading screens land: nothing is drawn.
void UpdateLoadingScreen(float /*progress*/, bool /*force*/) {}
