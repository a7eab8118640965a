// Every track a production's scenes open has its track file in that production's data: the
// production's track text (data-src/tracks/production<N>.txt) built into data/sync_tracker/ of
// a working folder holding the rest of the data tree, as its packed data file is made. A track
// nobody wrote ends the set-up with the name of its missing file.
//
// And every track its scenes open moves away from its default somewhere in the show, so that
// whatever the track does is seen in some production.

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "scenes/productionscenes.h"
#include "scenes/scenemanager.h"
#include "support/gl_fixture.h"
#include "support/working_folder.h"
#include "tolmesystem.h"
#include "util/data/data.h"
#include "util/music/music.h"

namespace {

// Tracks that may hold their default for a whole show, by production.
const std::set<std::pair<uint32_t, std::string>> kMayHoldTheirDefault = {
    // The shadow comparison bias: another value only trades shadow acne for detached shadows.
    {0, "shadowClip"}, {6, "shadowClip"},
    // The viewer's models differ in size by orders of magnitude: no one light range suits them.
    {0, "lightRange"},
    // The cube scene reads it every frame without effect.
    {5, "cubeType"},
    // Its shadows stop short only for cubes nearer the light than the plane; none come so near.
    {5, "shadNear"},
    // The camera's flight through the greetings is laid out for this spacing.
    {5, "greetSpacing"},
    // The spectrum field's depth offset is keyed to follow its newest row at this spacing.
    {6, "fftrSpacing"},
    // Plain bars are all one cyan and melt into one flat shape: the show keeps voxel columns.
    {6, "fftrVoxelize"},
    // The keyboard grows into place on the floor rather than rising through it.
    {6, "keybY"},
    // Opened by the train scene but drawing nothing.
    {6, "rastaXRange"}, {6, "rastaZRange"}, {6, "rastaScale"}, {6, "rastaMoveSpeed"},
    {6, "billEnable"}, {6, "billX"}, {6, "billY"}, {6, "billZ"}, {6, "trainRotate"},
};

class TrackFilesTest : public GLTest {
 protected:
  // Builds each production's tracks into a working folder and sets up its scene manager with
  // `table` (the production's own scenes when null), then hands the manager to `check`.
  void ForEachProduction(const ProductionSceneTable* table,
                         const std::function<void(uint32_t, SceneManager&)>& check) {
    const std::string source = std::filesystem::current_path().string();
    for (const auto& [production, scenes] : ProductionScenes()) {
      SCOPED_TRACE("production " + std::to_string(production));
      const std::string text = source + "/data-src/tracks/production" +
                               std::to_string(production) + ".txt";
      ASSERT_TRUE(std::filesystem::exists(text)) << text;
      TemporaryWorkingFolder folder("tracks", {"common", "effects", "models", "music",
                                               "objects3d", "scenes", "textures", "util"});
      const std::string build = "python3 " + source + "/tools/synctracks.py build " + text +
                                " --out data/sync_tracker > /dev/null";
      ASSERT_EQ(std::system(build.c_str()), 0) << build;
      CreateSystemSettings(production, DataMode::Disk);
      // A small window, so that every buffer of the set-up has a size the driver accepts.
      system_settings->width = kWindowWidth;
      system_settings->height = kWindowHeight;
      system_settings->fullscreen = 0;
      system_settings->music_file.clear();
      system_settings->loading_hold_ms = 0;
      data_mode = DataMode::Disk;
      try {
        SceneManager manager(table ? *table : ProductionScenes());
        check(production, manager);
      } catch (const std::exception& error) {
        ADD_FAILURE() << error.what();
      }
    }
  }
};

TEST_F(TrackFilesTest, EveryTrackAProductionOpensHasItsFile) {
  ForEachProduction(nullptr, [](uint32_t, SceneManager& manager) {
    EXPECT_GT(manager.music->tracks.size(), 0u);
  });
}

TEST_F(TrackFilesTest, EveryTrackAProductionsScenesOpenLeavesItsDefault) {
  // The scene manager opens its own tracks first, in the same order with or without scenes:
  // the tracks past that count are the scenes' tracks.
  std::map<uint32_t, size_t> own_tracks;
  ProductionSceneTable no_scenes;
  for (const auto& [production, scenes] : ProductionScenes()) no_scenes[production] = {};
  ForEachProduction(&no_scenes, [&](uint32_t production, SceneManager& manager) {
    own_tracks[production] = manager.music->tracks.size();
  });
  ForEachProduction(nullptr, [&](uint32_t production, SceneManager& manager) {
    const std::vector<MusicTrackEntry>& tracks = manager.music->tracks;
    ASSERT_GT(tracks.size(), own_tracks[production]);
    std::string held;
    for (size_t i = own_tracks[production]; i < tracks.size(); ++i) {
      const MusicTrackEntry& entry = tracks[i];
      if (kMayHoldTheirDefault.count({production, entry.name})) continue;
      bool moves = false;
      for (const SyncKey& key : entry.track->keys) moves |= key.value != entry.default_value;
      if (!moves) held += " " + entry.name;
    }
    EXPECT_EQ(held, "") << "tracks that hold their default all show long";
  });
}

}  // namespace
