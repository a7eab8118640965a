#pragma once
// The one pseudo-random generator of the program, with a 15-bit range (0..32767), so that a
// seeded sequence is the same on every platform and for every caller.

#include <cstdint>

class SharedRandom {
 public:
  static constexpr uint32_t kMax = 32767;

  static void Seed(uint32_t seed);
  // The next value in 0..kMax.
  static uint32_t Next();
  // The next value as a float in 0..1 (both ends included).
  static float NextUnit();
};
