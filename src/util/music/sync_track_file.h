#pragma once
// Track files: one small little-endian file per track, base path + "_" + name + ".track":
// i32 key count N, then per key i32 row, f32 value, u8 type; exactly 4 + 9N bytes. File mode
// reads them through the data file facility (packed or loose); client mode writes them to disk
// when the editor asks and when Music shuts down.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "util/music/sync_device.h"

constexpr size_t kSyncMaxPathLength = 259;

// base path + "_" + name + ".track", or an empty string when that passes kSyncMaxPathLength.
std::string SyncTrackPath(const std::string& base_path, const std::string& name);

// Loads a newly created track: file mode reads its file through the device's callbacks,
// client mode asks the editor for it (sync_link.h). 0, or -1 on failure (logged with the reason).
int SyncLoadTrack(SyncDevice& device, SyncTrack* track);

// Decodes a whole track file into keys; on bad data returns false with the reason in `error`.
bool SyncParseTrackFile(const std::vector<uint8_t>& bytes, std::vector<SyncKey>& keys, std::string& error);
std::vector<uint8_t> SyncEncodeTrackFile(const std::vector<SyncKey>& keys);

// Client mode: writes every track to its file, creating the base path's folders first. Each
// file is written under a temporary name and renamed over the old one, so a failed save leaves
// the previous file whole. 0, or -1 when any track could not be written. File mode: 0.
int SyncSaveTracks(SyncDevice& device);
// The same for only the tracks the editor changed since the last connection (shut-down): the
// others keep their files as they are.
int SyncSaveEditedTracks(SyncDevice& device);

// The file-mode callbacks: bytes come from GetFileBytes into a SyncMemoryFile.
struct SyncMemoryFile {
  std::vector<uint8_t> buffer;
  size_t position = 0;
};
void* SyncOpenCallback(const char* path, const char* mode);
size_t SyncReadCallback(void* destination, size_t size, size_t count, void* handle);
int SyncCloseCallback(void* handle);
