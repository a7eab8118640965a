#include "audio/music_fixture.h"

#include <stdlib.h>

#include <cstdio>

#include "audio/tone_files.h"
#include "support/messagebox_recorder.h"
#include "support/test_files.h"
#include "system/clock.h"
#include "system/messagebox.h"
#include "tolmesystem.h"
#include "util/data/data.h"
#include "util/music/sync_track_file.h"

void MusicFixture::SetUp() {
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // the audio output runs its own thread
  UseDummyAudioDriver();
  ToneFile("tone_stereo.mp3");  // generated before the working folder moves
  ResetDataFileState();
  system_settings = std::make_unique<SystemSettings>();
  system_settings->bpm = 120.0f;
  system_settings->beat_offset = 0.0f;
  system_settings->music_file.clear();
  SetTickSource([this] { return tick_; });
  EchoMessageBoxesToStderr();
  folder_ = MakeTemporaryFolder("music_test");
  previous_folder_ = std::filesystem::current_path();
  std::filesystem::current_path(folder_);
}

void MusicFixture::TearDown() {
  std::filesystem::current_path(previous_folder_);
  std::error_code error;
  std::filesystem::remove_all(folder_, error);
  SetTickSource({});
  SetMessageBoxHandler([](const MessageBoxRequest&) { return MessageBoxResult::Ok; });
  system_settings.reset();
}

SystemSettings& MusicFixture::Settings() { return *system_settings; }

void MusicFixture::WriteTrackFile(const std::string& name, const std::vector<SyncKey>& keys) {
  WriteTestFile(SyncTrackPath(kSyncBasePath, name), SyncEncodeTrackFile(keys));
}

std::unique_ptr<Music> MusicFixture::MakeMusic() { return std::make_unique<Music>(); }
