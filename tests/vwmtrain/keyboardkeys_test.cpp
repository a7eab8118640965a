// The keyboard's keys: which master node and instance each of the 61 keys lights.

#include <gtest/gtest.h>

#include <stdexcept>

#include "scenes/scene_vwmtrain/keyboardkeys.h"

namespace {

// Set 0: C, E, F, B; set 1: the sharps; set 2: D, G, A; set 3: the top C alone. The instance
// is the key's rank among the keys of its set, counted from the bottom C.
constexpr KeyInstance kExpected[KeyboardKeys::kKeyCount] = {
    // octave 0: C C# D D# E F F# G G# A A# B
    {0, 0}, {1, 0}, {2, 0}, {1, 1}, {0, 1}, {0, 2}, {1, 2}, {2, 1}, {1, 3}, {2, 2}, {1, 4}, {0, 3},
    // octave 1
    {0, 4}, {1, 5}, {2, 3}, {1, 6}, {0, 5}, {0, 6}, {1, 7}, {2, 4}, {1, 8}, {2, 5}, {1, 9}, {0, 7},
    // octave 2
    {0, 8}, {1, 10}, {2, 6}, {1, 11}, {0, 9}, {0, 10}, {1, 12}, {2, 7}, {1, 13}, {2, 8}, {1, 14},
    {0, 11},
    // octave 3
    {0, 12}, {1, 15}, {2, 9}, {1, 16}, {0, 13}, {0, 14}, {1, 17}, {2, 10}, {1, 18}, {2, 11},
    {1, 19}, {0, 15},
    // octave 4
    {0, 16}, {1, 20}, {2, 12}, {1, 21}, {0, 17}, {0, 18}, {1, 22}, {2, 13}, {1, 23}, {2, 14},
    {1, 24}, {0, 19},
    // the top C
    {3, 0},
};

TEST(KeyboardKeysTest, EveryKeyLightsItsShapesInstance) {
  const KeyboardKeys keys;
  for (int32_t key = 0; key < KeyboardKeys::kKeyCount; ++key) {
    const auto place = keys.Find(key);
    ASSERT_TRUE(place.has_value()) << key;
    EXPECT_EQ(place->set, kExpected[key].set) << "key " << key;
    EXPECT_EQ(place->instance, kExpected[key].instance) << "key " << key;
  }
}

TEST(KeyboardKeysTest, TheThreeSetsPartitionTheKeys) {
  const KeyboardKeys keys;
  EXPECT_EQ(keys.whiteKeysCEFB.size() + keys.blackKeys.size() + keys.whiteKeysDGA.size(), 61u);
  for (int32_t key = 0; key < KeyboardKeys::kKeyCount; ++key) {
    const int in = keys.whiteKeysCEFB.count(key) + keys.blackKeys.count(key) +
                   keys.whiteKeysDGA.count(key);
    EXPECT_EQ(in, 1) << "key " << key;
  }
}

TEST(KeyboardKeysTest, KeysOffTheKeyboardHaveNoPlace) {
  const KeyboardKeys keys;
  for (int32_t key : {-48, -1, 61, 79}) {
    EXPECT_FALSE(keys.Find(key).has_value()) << key;
    try {
      keys.FindOrThrow(key);
      ADD_FAILURE() << "no exception for key " << key;
    } catch (const std::runtime_error& error) {
      EXPECT_STREQ(error.what(), "Halp key sets");
    }
  }
}

}  // namespace
