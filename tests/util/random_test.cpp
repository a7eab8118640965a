// The shared 15-bit generator: the same sequence for the same seed, on every platform.

#include <gtest/gtest.h>

#include "util/random.h"

namespace {

TEST(SharedRandom, SeedOneGivesTheClassicSequence) {
  SharedRandom::Seed(1);
  EXPECT_EQ(SharedRandom::Next(), 41u);
  EXPECT_EQ(SharedRandom::Next(), 18467u);
  EXPECT_EQ(SharedRandom::Next(), 6334u);
  EXPECT_EQ(SharedRandom::Next(), 26500u);
}

TEST(SharedRandom, ReseedingRepeatsAndValuesStayIn15Bits) {
  SharedRandom::Seed(123456);
  std::vector<uint32_t> first;
  for (int i = 0; i < 1000; ++i) first.push_back(SharedRandom::Next());
  SharedRandom::Seed(123456);
  for (int i = 0; i < 1000; ++i) {
    const uint32_t value = SharedRandom::Next();
    ASSERT_EQ(value, first[i]);
    ASSERT_LE(value, SharedRandom::kMax);
  }
}

}  // namespace
