#include "util/random.h"

namespace {
// A classic linear congruential generator (the constants of the Microsoft C runtime), the
// same sequence everywhere; the state starts as if seeded with 1.
uint32_t state = 1;
}  // namespace

void SharedRandom::Seed(uint32_t seed) { state = seed; }

uint32_t SharedRandom::Next() {
  state = state * 214013u + 2531011u;
  return (state >> 16) & kMax;
}

float SharedRandom::NextUnit() { return static_cast<float>(Next()) / static_cast<float>(kMax); }
