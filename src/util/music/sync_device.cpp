#include "util/music/sync_device.h"

#include <cstdio>
#include <stdexcept>
#include <utility>

#include "util/music/sync_track_file.h"

namespace {

void* OpenDiskFile(const char* path, const char* mode) { return std::fopen(path, mode); }

size_t ReadDiskFile(void* destination, size_t size, size_t count, void* handle) {
  return std::fread(destination, size, count, static_cast<std::FILE*>(handle)) * size;
}

int CloseDiskFile(void* handle) { return std::fclose(static_cast<std::FILE*>(handle)); }

}  // namespace

SyncDevice::SyncDevice(std::string base, uint32_t client_flag)
    : base_path(std::move(base)), client(client_flag) {
  if (client == SyncMode::Files) {
    open = SyncOpenCallback;
    read = SyncReadCallback;
    close = SyncCloseCallback;
  } else {
    open = OpenDiskFile;
    read = ReadDiskFile;
    close = CloseDiskFile;
  }
}

SyncDevice::~SyncDevice() = default;

SyncTrack* SyncFindTrack(const SyncDevice& device, const std::string& name) {
  auto found = device.track_index.find(name);
  return found != device.track_index.end() ? found->second : nullptr;
}

SyncTrack* SyncGetTrack(SyncDevice& device, const std::string& name, float default_value) {
  if (SyncTrack* existing = SyncFindTrack(device, name)) return existing;

  auto track = std::make_unique<SyncTrack>();
  track->name = name;
  SyncTrack* created = track.get();
  device.tracks.push_back(std::move(track));
  device.track_index.emplace(name, created);

  if (SyncLoadTrack(device, created) != 0) return nullptr;
  if (created->keys.empty()) created->keys.push_back({0, default_value, SyncKeyType::Step});
  return created;
}

float SyncSampleTrack(const SyncDevice& device, const std::string& name, double row) {
  const SyncTrack* track = SyncFindTrack(device, name);
  if (!track) throw std::runtime_error("Can't find sync value for " + name);
  return SyncGetValue(track, row);
}
