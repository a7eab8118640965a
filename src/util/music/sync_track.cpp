#include "util/music/sync_track.h"

#include <cmath>
#include <new>

namespace {

// Binary search for the row: its index when a key holds it, else -(insertion point) - 1.
int SearchRow(const std::vector<SyncKey>& keys, int32_t row) {
  size_t lo = 0;
  size_t hi = keys.size();
  while (lo < hi) {
    size_t mid = (lo + hi) / 2;
    if (keys[mid].row < row) {
      lo = mid + 1;
    } else if (keys[mid].row > row) {
      hi = mid;
    } else {
      return static_cast<int>(mid);
    }
  }
  return -static_cast<int>(lo) - 1;
}

double Interpolate(const SyncKey& k0, const SyncKey& k1, double row) {
  double t = (row - k0.row) / static_cast<double>(static_cast<int64_t>(k1.row) - k0.row);
  double d = static_cast<double>(k1.value - k0.value);  // the difference in single precision
  switch (k0.type) {
    case SyncKeyType::Step: return k0.value;
    case SyncKeyType::Linear: return k0.value + d * t;
    case SyncKeyType::Smooth: return k0.value + d * t * t * (3.0 - 2.0 * t);
    case SyncKeyType::Ramp: return k0.value + d * t * t;
  }
  return 0.0;
}

}  // namespace

int SyncFindKey(const SyncTrack& track, int32_t row) {
  int index = SearchRow(track.keys, row);
  return index >= 0 ? index : -1;
}

float SyncGetValue(const SyncTrack* track, double row) {
  const std::vector<SyncKey>& keys = track->keys;
  if (keys.empty()) return 0.0f;
  // Rows outside the 32-bit range sit before the first or after the last key.
  double floored = std::floor(row);
  if (!(floored >= INT32_MIN)) return keys.front().value;
  if (floored > INT32_MAX) return keys.back().value;
  int index = SearchRow(keys, static_cast<int32_t>(floored));
  if (index < 0) index = -index - 2;  // the last key before the row
  if (index < 0) return keys.front().value;
  if (index > static_cast<int>(keys.size()) - 2) return keys.back().value;
  return static_cast<float>(Interpolate(keys[index], keys[index + 1], row));
}

int SyncSetKey(SyncTrack* track, const SyncKey& key) {
  int index = SearchRow(track->keys, key.row);
  if (index >= 0) {
    track->keys[index].value = key.value;
    track->keys[index].type = key.type;
    return 0;
  }
  try {
    track->keys.insert(track->keys.begin() + (-index - 1), key);
  } catch (const std::bad_alloc&) {
    return -1;
  }
  return 0;
}

int SyncDeleteKey(SyncTrack* track, int32_t row) {
  int index = SearchRow(track->keys, row);
  if (index < 0) return -1;
  track->keys.erase(track->keys.begin() + index);
  return 0;
}
