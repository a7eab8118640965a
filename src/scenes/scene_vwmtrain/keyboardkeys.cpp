#include "scenes/scene_vwmtrain/keyboardkeys.h"

#include <stdexcept>

#include "system/log.h"

KeyboardKeys::KeyboardKeys()
    : blackKeys{1,  3,  6,  8,  10, 13, 15, 18, 20, 22, 25, 27, 30,
                32, 34, 37, 39, 42, 44, 46, 49, 51, 54, 56, 58},
      whiteKeysCEFB{0, 4, 5, 11, 12, 16, 17, 23, 24, 28, 29, 35, 36, 40, 41, 47, 48, 52, 53, 59, 60},
      whiteKeysDGA{2, 7, 9, 14, 19, 21, 26, 31, 33, 38, 43, 45, 50, 55, 57} {
  // Ranks are counted once, in key order, so a frame's look-ups are table reads.
  const KeySet* sets[3] = {&whiteKeysCEFB, &blackKeys, &whiteKeysDGA};
  int32_t counters[3] = {-1, -1, -1};
  for (int32_t key = 0; key < kTopKey; ++key) {
    for (int32_t set = 0; set < 3; ++set) {
      if (!sets[set]->contains(key)) continue;
      places_[key] = {set, ++counters[set]};
      break;
    }
  }
  places_[kTopKey] = {kTopKeySet, 0};
}

std::optional<KeyInstance> KeyboardKeys::Find(int32_t key) const {
  if (key < 0 || key >= kKeyCount) return std::nullopt;
  return places_[key];
}

KeyInstance KeyboardKeys::FindOrThrow(int32_t key) const {
  const auto place = Find(key);
  if (place) return *place;
  LogInfo("No key set contains key {}!", key);
  throw std::runtime_error("Halp key sets");
}
