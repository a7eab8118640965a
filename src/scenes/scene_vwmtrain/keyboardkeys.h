#pragma once
// The keyboard model's 61 keys (0 is a C, 60 the top C) come in three shapes, and each shape is
// drawn as the instances of one master node: C, E, F and B keys, the sharps, and D, G and A
// keys; the top C is a node of its own. The three key sets partition the keys by shape, and a
// key's instance in its master node is its rank among the keys of its set.

#include <array>
#include <cstdint>
#include <optional>
#include <unordered_set>

using KeySet = std::unordered_set<int32_t>;

// Where a key lights up: the index of its master node's emission list (0 C/E/F/B, 1 sharps,
// 2 D/G/A, 3 the top C) and its instance in that node.
struct KeyInstance {
  int32_t set = 0;
  int32_t instance = 0;
  bool operator==(const KeyInstance&) const = default;
};

class KeyboardKeys {
 public:
  static constexpr int32_t kKeyCount = 61;
  static constexpr int32_t kTopKey = 60;
  static constexpr int32_t kTopKeySet = 3;
  // MIDI key of keyboard key 0.
  static constexpr int32_t kFirstMidiKey = 48;

  KeyboardKeys();

  // Keys outside 0..60 have no place: std::nullopt.
  std::optional<KeyInstance> Find(int32_t key) const;
  // As Find, for the scene's callers that treat a missing key as an error: logs "No key set
  // contains key {}!" and throws std::runtime_error "Halp key sets".
  KeyInstance FindOrThrow(int32_t key) const;

  KeySet blackKeys;
  KeySet whiteKeysCEFB;
  KeySet whiteKeysDGA;

 private:
  std::array<KeyInstance, kKeyCount> places_{};
};
