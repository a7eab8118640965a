#include "scene_harness.h"

#include <algorithm>
#include <cstring>

#include <gtest/gtest.h>

#include "tolmesystem.h"
#include "util/data/data.h"
#include "util/music/notedata.h"
#include "util/music/sync_device.h"

namespace {

// Every track file reads as a track without keys, so each track starts at its default without
// any file in the data tree.
struct EmptyTrackFile {
  size_t offset = 0;
};

void* OpenEmptyTrack(const char*, const char*) { return new EmptyTrackFile; }

size_t ReadEmptyTrack(void* destination, size_t size, size_t count, void* handle) {
  auto* file = static_cast<EmptyTrackFile*>(handle);
  const size_t wanted = size * count;
  const size_t available = file->offset < 4 ? 4 - file->offset : 0;
  const size_t bytes = std::min(wanted, available);
  std::memset(destination, 0, bytes);  // a key count of 0
  file->offset += bytes;
  return size == 0 ? 0 : bytes / size;
}

int CloseEmptyTrack(void* handle) {
  delete static_cast<EmptyTrackFile*>(handle);
  return 0;
}

}  // namespace

SceneHarness::SceneHarness(uint32_t production) {
  ResetDataFileState();
  CreateSystemSettings(production, DataMode::Disk);
  system_settings->music_file.clear();
  data_mode = DataMode::Disk;
  music = std::make_unique<Music>();
  music->device->open = OpenEmptyTrack;
  music->device->read = ReadEmptyTrack;
  music->device->close = CloseEmptyTrack;
  const std::pair<const char*, float> camera_tracks[] = {
      {"cameraEyeX", 15},  {"cameraEyeY", 15}, {"cameraEyeZ", -15}, {"cameraDstX", 0},
      {"cameraDstY", 0},   {"cameraDstZ", 0},  {"cameraUpX", 0},    {"cameraUpY", 1},
      {"cameraUpZ", 0},    {"cameraFoV", 45},  {"cameraShake", 0}};
  for (const auto& [name, value] : camera_tracks) music->OpenTrack(name, value);
}

SceneHarness::~SceneHarness() = default;

void SceneHarness::Start(Scene& scene, uint32_t width, uint32_t height) {
  scene.keys = &keys;
  scene.mouse = &mouse;
  scene.music = music.get();
  scene.aspect = static_cast<float>(width) / static_cast<float>(height);
  scene.Init();
  scene.Resize(width, height);
}

void SceneHarness::SetTrack(const std::string& name, float value) {
  SyncTrack* track = SyncFindTrack(*music->device, name);
  ASSERT_NE(track, nullptr) << name;
  track->keys = {SyncKey{0, value, SyncKeyType::Step}};
}

void SceneHarness::AimCamera(const glm::vec3& eye, const glm::vec3& target) {
  SetTrack("cameraEyeX", eye.x);
  SetTrack("cameraEyeY", eye.y);
  SetTrack("cameraEyeZ", eye.z);
  SetTrack("cameraDstX", target.x);
  SetTrack("cameraDstY", target.y);
  SetTrack("cameraDstZ", target.z);
}

std::shared_ptr<NoteData> TwoLaneNotes() {
  auto notes = std::make_shared<NoteData>();
  notes->tracks.resize(2);
  FindOrAddLane(notes->tracks[1], 36);
  FindOrAddLane(notes->tracks[1], 38);
  return notes;
}
