// Fuzzes the track-file reader: the input is a whole track file, read as file mode reads it
// (through the data layer and the memory-file callbacks). A file that loads must hold keys in
// ascending rows of known types and write back to exactly its own bytes; its values are
// sampled across and beyond its rows. A refused file must fail the load, never read outside
// its bytes.

#include <cmath>
#include <cstdint>
#include <vector>

#include "fuzz_support.h"
#include "util/data/data.h"
#include "util/music/sync_device.h"
#include "util/music/sync_track_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ResetDataFileState();
  data_mode = DataMode::Read;
  AddDataFileEntry({SyncTrackPath(kSyncBasePath, "fuzz"), std::vector<uint8_t>(data, data + size), false});
  SyncDevice device(kSyncBasePath, SyncMode::Files);
  SyncTrack* track = nullptr;
  try {
    track = SyncGetTrack(device, "fuzz", 1.0f);
  } catch (const FatalExit&) {
    return 0;
  }
  if (!track) return 0;
  const std::vector<uint8_t> bytes(data, data + size);
  // A file of no keys loads as the default key, which is not in the file.
  const bool defaulted = size == 4 && track->keys.size() == 1;
  if (!defaulted && SyncEncodeTrackFile(track->keys) != bytes) __builtin_trap();
  for (size_t k = 1; k < track->keys.size(); ++k)
    if (track->keys[k].row <= track->keys[k - 1].row) __builtin_trap();
  for (const SyncKey& key : track->keys) {
    for (double row : {static_cast<double>(key.row) - 0.5, static_cast<double>(key.row), key.row + 0.25})
      (void)SyncGetValue(track, row);
  }
  (void)SyncGetValue(track, -1e12);
  (void)SyncGetValue(track, 1e12);
  return 0;
}
