#pragma once
// Sync tracks: named key-frame curves over music rows (8 rows to a beat). A track holds its keys
// ascending by row, at most one key per row; the type of a key shapes the stretch from that key
// to the next one. This header knows nothing of files or the editor link.

#include <cstdint>
#include <string>
#include <vector>

enum class SyncKeyType : uint8_t {
  Step = 0,
  Linear = 1,
  Smooth = 2,
  Ramp = 3,
};

constexpr int kSyncKeyTypeCount = 4;

inline bool IsValidSyncKeyType(int type) { return type >= 0 && type < kSyncKeyTypeCount; }

struct SyncKey {
  int32_t row = 0;
  float value = 0.0f;
  SyncKeyType type = SyncKeyType::Step;
};

struct SyncTrack {
  std::string name;
  std::vector<SyncKey> keys;  // ascending by row, unique rows
};

// The track's value at a fractional row: 0 without keys, the first key's value before it, the
// last key's value from it on, else the interpolation of the key at or before floor(row).
float SyncGetValue(const SyncTrack* track, double row);

// Index of the key at exactly this row, or -1.
int SyncFindKey(const SyncTrack& track, int32_t row);

// Sets the key at key.row (replacing value and type of one already there) keeping the rows
// ascending. 0, or -1 when the key array cannot grow (the track is then unchanged).
int SyncSetKey(SyncTrack* track, const SyncKey& key);

// Removes the key at this row. 0, or -1 when no key is there (the track is then unchanged).
int SyncDeleteKey(SyncTrack* track, int32_t row);
