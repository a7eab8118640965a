#include "production5_tracks.h"

#include <cstdlib>

#include <gtest/gtest.h>

#include "support/test_files.h"
#include "util/music/sync_track_file.h"

Production5Tracks::Production5Tracks() : folder_(MakeTemporaryFolder("p5tracks")) {
  const std::string build = "python3 tools/synctracks.py build data-src/tracks/production5.txt"
                            " --out " + folder_.string() + " > /dev/null";
  EXPECT_EQ(std::system(build.c_str()), 0) << build;
}

Production5Tracks::~Production5Tracks() { std::filesystem::remove_all(folder_); }

const SyncTrack& Production5Tracks::Track(const std::string& name) {
  auto [entry, added] = tracks_.try_emplace(name);
  const std::filesystem::path path = folder_ / ("_" + name + ".track");
  if (added && std::filesystem::exists(path)) {
    std::string error;
    EXPECT_TRUE(SyncParseTrackFile(ReadWholeFile(path), entry->second.keys, error)) << error;
  }
  return entry->second;
}

float Production5Tracks::At(const std::string& name, double row, float fallback) {
  const SyncTrack& track = Track(name);
  return track.keys.empty() ? fallback : SyncGetValue(&track, row);
}

bool Production5Tracks::HasKeys(const std::string& name) { return !Track(name).keys.empty(); }

double Production5Tracks::RowsPerSecond() { return At("bpm", 0) * 8.0 / 60.0; }
