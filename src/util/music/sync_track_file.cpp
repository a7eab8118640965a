#include "util/music/sync_track_file.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>

#include "system/log.h"
#include "util/data/data.h"
#include "util/data/replacementfile.h"
#include "util/music/sync_link.h"

namespace {

constexpr size_t kCountSize = 4;
constexpr size_t kKeySize = 9;  // i32 row, f32 value, u8 type

uint32_t ReadU32(const uint8_t* bytes) {
  return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 | uint32_t{bytes[3]} << 24;
}

void AppendU32(std::vector<uint8_t>& bytes, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<uint8_t>(value >> shift));
}

// Reads everything the handle holds through the device's read callback.
std::vector<uint8_t> ReadAll(const SyncDevice& device, void* handle) {
  std::vector<uint8_t> bytes;
  uint8_t chunk[4096];
  for (;;) {
    size_t got = device.read(chunk, 1, sizeof(chunk), handle);
    if (got == 0 || got > sizeof(chunk)) break;
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  return bytes;
}

int ReadTrackFile(SyncDevice& device, SyncTrack* track, const std::string& path) {
  void* handle = device.open(path.c_str(), "rb");
  if (!handle) {
    LogLine("Track file {} is empty or cannot be opened", path);
    return -1;
  }
  std::vector<uint8_t> bytes = ReadAll(device, handle);
  device.close(handle);
  std::string error;
  if (!SyncParseTrackFile(bytes, track->keys, error)) {
    LogLine("Track file {} {}", path, error);
    return -1;
  }
  return 0;
}

// Creates each folder of the base path that is missing; stops at the first one that is in the
// way or cannot be made (the writes below then fail and say so).
void CreateBaseFolders(const std::string& base_path) {
  namespace fs = std::filesystem;
  std::string path = base_path.substr(0, kSyncMaxPathLength);
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    std::error_code error;
    fs::path folder(path.substr(0, slash));
    fs::file_status status = fs::status(folder, error);
    if (fs::is_directory(status)) continue;
    if (fs::exists(status) || !fs::create_directory(folder, error)) return;
  }
}

// Writes under a temporary name and renames it over the old file, so the old file stays whole
// unless the new one was written completely.
bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes) {
  ReplacementFile file(path);
  return file.Write(bytes.data(), bytes.size()) && file.Close() && file.Rename();
}

// Writes the tracks `wanted` picks; -1 when any of them could not be written.
int SaveTracksWhere(SyncDevice& device, const std::function<bool(const SyncTrack&)>& wanted) {
  if (device.client == SyncMode::Files) return 0;
  CreateBaseFolders(device.base_path);
  int result = 0;
  for (const auto& track : device.tracks) {
    if (!wanted(*track)) continue;
    std::string path = SyncTrackPath(device.base_path, track->name);
    if (path.empty() || !WriteFileAtomically(path, SyncEncodeTrackFile(track->keys))) {
      LogLine("Failed to save sync track {}", track->name);
      result = -1;
    }
  }
  return result;
}

}  // namespace

std::string SyncTrackPath(const std::string& base_path, const std::string& name) {
  std::string path = base_path.substr(0, kSyncMaxPathLength) + "_" + name + ".track";
  if (path.size() > kSyncMaxPathLength) return {};
  return path;
}

bool SyncParseTrackFile(const std::vector<uint8_t>& bytes, std::vector<SyncKey>& keys, std::string& error) {
  if (bytes.size() < kCountSize) {
    error = fmt::format("is {} bytes long, too short for its key count", bytes.size());
    return false;
  }
  auto count = static_cast<int32_t>(ReadU32(bytes.data()));
  if (count < 0) {
    error = fmt::format("has a negative key count {}", count);
    return false;
  }
  // Compared as a division so that a huge count cannot overflow the expected size.
  size_t body = bytes.size() - kCountSize;
  if (body % kKeySize != 0 || body / kKeySize != static_cast<size_t>(count)) {
    error = fmt::format("is {} bytes long, but {} keys take {} bytes", bytes.size(), count,
                        kCountSize + kKeySize * static_cast<uint64_t>(count));
    return false;
  }
  std::vector<SyncKey> read(static_cast<size_t>(count));
  for (size_t k = 0; k < read.size(); ++k) {
    const uint8_t* key = bytes.data() + kCountSize + kKeySize * k;
    auto type = static_cast<int8_t>(key[8]);
    if (!IsValidSyncKeyType(type)) {
      error = fmt::format("has key {} of unknown type {}", k, type);
      return false;
    }
    uint32_t value_bits = ReadU32(key + 4);
    read[k].row = static_cast<int32_t>(ReadU32(key));
    std::memcpy(&read[k].value, &value_bits, sizeof(float));
    read[k].type = static_cast<SyncKeyType>(type);
    if (k > 0 && read[k].row <= read[k - 1].row) {
      error = fmt::format("has key {} at row {}, not after row {}", k, read[k].row, read[k - 1].row);
      return false;
    }
  }
  keys = std::move(read);
  return true;
}

std::vector<uint8_t> SyncEncodeTrackFile(const std::vector<SyncKey>& keys) {
  std::vector<uint8_t> bytes;
  bytes.reserve(kCountSize + kKeySize * keys.size());
  AppendU32(bytes, static_cast<uint32_t>(keys.size()));
  for (const SyncKey& key : keys) {
    uint32_t value_bits;
    std::memcpy(&value_bits, &key.value, sizeof(float));
    AppendU32(bytes, static_cast<uint32_t>(key.row));
    AppendU32(bytes, value_bits);
    bytes.push_back(static_cast<uint8_t>(key.type));
  }
  return bytes;
}

int SyncLoadTrack(SyncDevice& device, SyncTrack* track) {
  std::string path = SyncTrackPath(device.base_path, track->name);
  if (path.empty()) {
    LogLine("Track name {} is too long for a track file", track->name);
    return -1;
  }
  if (device.client != SyncMode::Files) return SyncRequestTrack(device, *track);
  return ReadTrackFile(device, track, path);
}

int SyncSaveTracks(SyncDevice& device) {
  return SaveTracksWhere(device, [](const SyncTrack&) { return true; });
}

int SyncSaveEditedTracks(SyncDevice& device) {
  return SaveTracksWhere(
      device, [&](const SyncTrack& track) { return device.edited_tracks.contains(&track); });
}


void* SyncOpenCallback(const char* path, const char* mode) {
  std::vector<uint8_t> bytes = GetFileBytes(path, mode, false);
  if (bytes.empty()) return nullptr;
  auto* file = new SyncMemoryFile;
  file->buffer = std::move(bytes);
  return file;
}

size_t SyncReadCallback(void* destination, size_t size, size_t count, void* handle) {
  auto* file = static_cast<SyncMemoryFile*>(handle);
  size_t left = file->buffer.size() - file->position;
  // size × count may not fit a size_t; what is left always does.
  size_t copied = size != 0 && count > left / size ? left : size * count;
  std::memcpy(destination, file->buffer.data() + file->position, copied);
  file->position += copied;
  return copied;
}

int SyncCloseCallback(void* handle) {
  delete static_cast<SyncMemoryFile*>(handle);
  return 0;
}
