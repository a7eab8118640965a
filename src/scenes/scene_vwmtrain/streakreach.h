#pragma once
// Where the laser's radial streaks can carry light: the streaks run from each pixel towards the
// frame's centre, so a glow picture lit only in one rectangle lights only the pixels whose
// streaks cross it.

#include <cstdint>

#include "objects3d/glow_bounds.h"

// The pixels of a width x height frame whose streak, reaching `step` of the way to the centre
// (the radial blur's step size), can read a pixel of `lit`: each pixel p reads the picture at
// centre + s (p - centre) for s between step and 1, so only the pixels of lit scaled about the
// centre by factors between 1 and 1 / step can; the bounding box of lit and its 1 / step copy
// holds them all, grown by two pixels for the filtering. Empty when lit is; the whole frame for
// a step of 0.05 or less.
PixelRect StreakReach(const PixelRect& lit, float step, int32_t width, int32_t height);
