// Sampling sync tracks by name the way scenes do every frame: 150 open tracks of 1,000 keys,
// every track sampled once per frame, the row advancing by one frame's worth of music.

#include <benchmark/benchmark.h>
#include <string>
#include <vector>

#include "util/music/sync_device.h"

namespace {

constexpr int kTrackCount = 150;
constexpr int kKeysPerTrack = 1000;
constexpr int kRowsBetweenKeys = 8;
// 120 beats per minute, 8 rows to a beat, 60 frames per second.
constexpr double kRowsPerFrame = 120.0 * 8.0 / 60.0 / 60.0;

std::vector<std::string> TrackNames() {
  const char* prefixes[] = {"camera", "twbl", "fftr", "hypno", "pp", "cube", "glow", "vwm"};
  std::vector<std::string> names;
  for (int t = 0; t < kTrackCount; ++t) names.push_back(std::string(prefixes[t % 8]) + "Param" + std::to_string(t));
  return names;
}

void FillDevice(SyncDevice& device, const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    SyncTrack* track = SyncGetTrack(device, name, 0.0f);
    track->keys.clear();
    for (int k = 0; k < kKeysPerTrack; ++k) {
      track->keys.push_back({k * kRowsBetweenKeys, static_cast<float>(k % 17), static_cast<SyncKeyType>(k % 4)});
    }
  }
}

void BM_SampleTrackByName(benchmark::State& state) {
  SyncDevice device(kSyncBasePath, SyncMode::Editor);  // no link: tracks stay as filled
  std::vector<std::string> names = TrackNames();
  FillDevice(device, names);
  const double last_row = kKeysPerTrack * kRowsBetweenKeys;
  double row = 0.0;
  size_t next = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(SyncSampleTrack(device, names[next], row));
    if (++next == names.size()) {
      next = 0;
      row += kRowsPerFrame;
      if (row > last_row) row = 0.0;
    }
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SampleTrackByName);

}  // namespace

// The same sampling through Music::GetSyncValue, as scenes call it: the clock is read and the
// row worked out on every call (dummy clock, tracks filled as the editor would fill them).
#include <filesystem>
#include <fstream>

#include "tolmesystem.h"
#include "util/music/music.h"
#include "util/music/sync_track_file.h"

namespace {

// Empty track files for every name in a scratch folder, which becomes the working folder.
void WriteEmptyTrackFiles(const std::vector<std::string>& names) {
  const auto folder = std::filesystem::temp_directory_path() / "bench_sync_lookup";
  std::filesystem::create_directories(folder / kSyncBasePath);
  std::filesystem::current_path(folder);
  const std::vector<uint8_t> empty = SyncEncodeTrackFile({});
  for (const std::string& name : names) {
    std::ofstream(SyncTrackPath(kSyncBasePath, name), std::ios::binary)
        .write(reinterpret_cast<const char*>(empty.data()), static_cast<std::streamsize>(empty.size()));
  }
}

void BM_MusicGetSyncValue(benchmark::State& state) {
  system_settings = std::make_unique<SystemSettings>();
  system_settings->music_file.clear();  // the dummy millisecond clock
  system_settings->bpm = 120.0f;
  const std::vector<std::string> names = TrackNames();
  WriteEmptyTrackFiles(names);
  Music music;
  for (const std::string& name : names) music.OpenTrack(name, 0.0f);
  FillDevice(*music.device, names);
  music.Start();
  size_t next = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(music.GetSyncValue(names[next]));
    if (++next == names.size()) {
      next = 0;
      music.Update();
    }
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MusicGetSyncValue);

}  // namespace
