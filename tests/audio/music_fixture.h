#pragma once
// Shared set-up of the Music tests: fresh settings (120 BPM, no offset, file mode, no music
// file), a temporary working folder for track files, a tick source the test moves by hand,
// the dummy audio driver, and message boxes answered with Ok and echoed to standard error,
// where death tests look for the fatal message.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tolmesystem.h"
#include "util/music/music.h"
#include "util/music/sync_track.h"

class MusicFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  SystemSettings& Settings();
  // Writes the track file of `name` below the working folder.
  void WriteTrackFile(const std::string& name, const std::vector<SyncKey>& keys);
  std::unique_ptr<Music> MakeMusic();

  uint32_t tick_ = 0;

 private:
  std::filesystem::path folder_;
  std::filesystem::path previous_folder_;
};
