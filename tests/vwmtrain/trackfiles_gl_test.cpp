// Every track a production's scenes open has its track file in the data tree, and production
// 6's tracks are all written in its track source, so that the packed data file (made from what
// loading reads) holds them and no scene plays a track nobody choreographed.

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "scenes/productionscenes.h"
#include "scenes/scenemanager.h"
#include "support/gl_fixture.h"
#include "tolmesystem.h"
#include "util/data/data.h"
#include "util/music/music.h"

namespace {

// The track names of a track source: lines of one word.
std::set<std::string> SourceTrackNames(const std::string& path) {
  std::ifstream file(path);
  std::set<std::string> names;
  for (std::string line; std::getline(file, line);) {
    std::istringstream words(line.substr(0, line.find('#')));
    std::string first, second;
    if ((words >> first) && !(words >> second)) names.insert(first);
  }
  return names;
}

class TrackFilesTest : public GLTest {};

TEST_F(TrackFilesTest, EveryOpenedTrackHasItsFile) {
  for (const auto& [production, scenes] : ProductionScenes()) {
    SCOPED_TRACE("production " + std::to_string(production));
    CreateSystemSettings(production, DataMode::Disk);
    system_settings->music_file.clear();
    system_settings->loading_hold_ms = 0;
    data_mode = DataMode::Disk;
    std::unique_ptr<SceneManager> manager;
    try {
      manager = std::make_unique<SceneManager>();
    } catch (const std::exception& error) {
      ADD_FAILURE() << error.what();  // a missing track file ends the set-up
      continue;
    }
    const std::string source = "data-src/tracks/production" + std::to_string(production) + ".txt";
    const bool has_source = std::filesystem::exists(source);
    const std::set<std::string> written = has_source ? SourceTrackNames(source) : std::set<std::string>{};
    if (production == 6) ASSERT_TRUE(has_source);
    EXPECT_GT(manager->music->tracks.size(), 0u);
    for (const MusicTrackEntry& track : manager->music->tracks) {
      EXPECT_TRUE(std::filesystem::exists("data/sync_tracker/_" + track.name + ".track")) << track.name;
      if (has_source) EXPECT_TRUE(written.contains(track.name)) << track.name << " not in " << source;
    }
  }
}

}  // namespace
