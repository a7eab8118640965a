// Every track a production's scenes open has its track file in that production's data: the
// production's track text (data-src/tracks/production<N>.txt) built into data/sync_tracker/ of
// a working folder holding the rest of the data tree, as its packed data file is made. A track
// nobody wrote ends the set-up with the name of its missing file.

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "scenes/productionscenes.h"
#include "scenes/scenemanager.h"
#include "support/gl_fixture.h"
#include "support/working_folder.h"
#include "tolmesystem.h"
#include "util/data/data.h"
#include "util/music/music.h"

namespace {

class TrackFilesTest : public GLTest {};

TEST_F(TrackFilesTest, EveryTrackAProductionOpensHasItsFile) {
  const std::string source = std::filesystem::current_path().string();
  for (const auto& [production, scenes] : ProductionScenes()) {
    SCOPED_TRACE("production " + std::to_string(production));
    const std::string text = source + "/data-src/tracks/production" + std::to_string(production) + ".txt";
    ASSERT_TRUE(std::filesystem::exists(text)) << text;
    TemporaryWorkingFolder folder("tracks", {"common", "effects", "models", "music", "objects3d",
                                             "scenes", "textures", "util"});
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
      SceneManager manager;
      EXPECT_GT(manager.music->tracks.size(), 0u);
    } catch (const std::exception& error) {
      ADD_FAILURE() << error.what();
    }
  }
}

}  // namespace
