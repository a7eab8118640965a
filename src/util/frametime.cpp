#include "util/frametime.h"

// Every slot of the averaging ring starts at 0.0001 s, so the mean does too.
double smoothed_frame_delta = 0.0001;
