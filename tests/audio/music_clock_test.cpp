// Music on the dummy millisecond clock: beats and rows from the tick count, pause and resume,
// the editor's set-row, a tempo of 0, and the failures of the constructor.

#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>

#include "audio/music_fixture.h"
#include "tolmesystem.h"
#include "util/music/sync_track_file.h"

using MusicClockTest = MusicFixture;

TEST_F(MusicClockTest, DummyClockCountsTicksIntoBeats) {
  Settings().beat_offset = 0.5f;
  auto music = MakeMusic();
  EXPECT_TRUE(music->dummy);
  EXPECT_EQ(active_music, music.get());
  tick_ = 1000;
  music->Start();
  EXPECT_TRUE(music->IsPlaying());
  EXPECT_DOUBLE_EQ(music->GetBeat(), 0.5);  // the offset is never scaled by the tempo
  tick_ = 3000;
  music->Update();
  EXPECT_DOUBLE_EQ(music->GetSeconds(), 2.0);
  EXPECT_DOUBLE_EQ(music->GetBeat(), 4.5);
  EXPECT_DOUBLE_EQ(music->GetRow(), 36.0);
  EXPECT_EQ(music->GetPosition(), 2000u);
}

TEST_F(MusicClockTest, DummyClockSurvivesTheTickCountWrapping) {
  auto music = MakeMusic();
  tick_ = 0xFFFFFF00u;
  music->Start();
  tick_ = 0x100;
  music->Update();
  EXPECT_EQ(music->elapsedMs, 0x200);
}

TEST_F(MusicClockTest, PauseHoldsTheBeatAndResumeGoesOnFromIt) {
  auto music = MakeMusic();
  music->Start();
  tick_ = 1000;
  music->Update();
  tick_ = 1500;
  SyncPauseCallback(nullptr, 1);
  EXPECT_TRUE(music->paused);
  EXPECT_FALSE(music->IsPlaying());
  EXPECT_EQ(SyncIsPlayingCallback(nullptr), 0);
  tick_ = 5000;
  music->Update();
  EXPECT_DOUBLE_EQ(music->GetSeconds(), 1.5);
  SyncPauseCallback(nullptr, 1);  // pausing twice changes nothing
  tick_ = 6000;
  SyncPauseCallback(nullptr, 0);
  EXPECT_EQ(SyncIsPlayingCallback(nullptr), 1);
  tick_ = 6500;
  music->Update();
  EXPECT_DOUBLE_EQ(music->GetSeconds(), 2.0);
}

TEST_F(MusicClockTest, SetRowGivesThatRowsBeatExactly) {
  Settings().beat_offset = -1.0f;
  auto music = MakeMusic();
  music->Start();
  SyncSetRowCallback(nullptr, 16);
  EXPECT_DOUBLE_EQ(music->GetBeat(), 2.0);
  EXPECT_EQ(music->GetEditorRow(), 16);
  SyncSetRowCallback(nullptr, -20);  // before the song's start: the clock goes to 0
  EXPECT_EQ(music->elapsedMs, 0);
  EXPECT_DOUBLE_EQ(music->GetBeat(), -1.0);
}

TEST_F(MusicClockTest, EditorRowIsFloored) {
  Settings().beat_offset = -0.00125f;
  auto music = MakeMusic();
  music->Start();
  EXPECT_LT(music->GetBeat(), 0.0);
  EXPECT_EQ(music->GetEditorRow(), -1);
}

// The row needs no division by the tempo and follows it as it stands; only the editor's
// set-row, which would divide by it, is ignored while the tempo is 0 or below.
TEST_F(MusicClockTest, ZeroOrNegativeTempoNeverDividesByZero) {
  Settings().beat_offset = 0.5f;
  auto music = MakeMusic();
  music->Start();
  tick_ = 1000;
  music->Update();
  EXPECT_EQ(music->GetEditorRow(), 20);
  const std::pair<double, int> cases[] = {{0.0, 4}, {-30.0, 0}, {-60.0, -4}};
  for (const auto& [tempo, row] : cases) {
    music->bpm = tempo;
    SyncSetRowCallback(nullptr, 800);
    EXPECT_EQ(music->elapsedMs, 1000) << tempo;
    EXPECT_EQ(music->GetEditorRow(), row) << tempo;
    music->Update();
  }
  music->bpm = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(music->GetEditorRow(), -4) << "no row from a tempo that is not a number";
}

TEST_F(MusicClockTest, TempoTrackKeysThatStopOrReverseTheBeatAreFatal) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  for (const float tempo : {0.0f, -120.0f, nan}) {
    WriteTrackFile("bpm", {{0, 120.0f, SyncKeyType::Linear}, {64, tempo, SyncKeyType::Step}});
    auto music = MakeMusic();
    music->OpenTrack("bpm", 120.0f);
    EXPECT_EXIT(music->RequireUsableTempo(), ::testing::ExitedWithCode(1),
                "The \"bpm\" track holds the tempo .* at row 64")
        << tempo;
  }
  WriteTrackFile("bpm", {{0, 120.0f, SyncKeyType::Linear}, {64, 0.5f, SyncKeyType::Step}});
  auto music = MakeMusic();
  music->OpenTrack("bpm", 120.0f);
  music->RequireUsableTempo();
}

TEST_F(MusicClockTest, SpectrumNeedsABufferAndIsEmptyOnTheDummyClock) {
  auto music = MakeMusic();
  std::vector<float> spectrum(1024, 7.0f);
  music->GetFFT(spectrum.data(), 1.0);
  EXPECT_EQ(spectrum[0], 7.0f);
  EXPECT_EXIT(music->GetFFT(nullptr, 1.0), ::testing::ExitedWithCode(1), "Invalid buffer");
}

TEST_F(MusicClockTest, UnknownMusicFormatsAreFatal) {
  const std::pair<const char*, const char*> cases[] = {
      {"data/music/song.MP3", "Music format .MP3 not supported"},
      {"data/music/song.wav", "Music format .wav not supported"},
      {"data/music.d/song", "Music format  not supported"},  // the dot is in a folder name
  };
  for (const auto& [file, message] : cases) {
    Settings().music_file = file;
    EXPECT_EXIT(MakeMusic(), ::testing::ExitedWithCode(1), message) << file;
  }
}

TEST_F(MusicClockTest, TracksSampleAtTheCurrentRow) {
  WriteTrackFile("fade", {{0, 0.0f, SyncKeyType::Linear}, {8, 1.0f, SyncKeyType::Step}});
  auto music = MakeMusic();
  music->OpenTrack("fade", 5.0f);
  music->Start();
  tick_ = 250;  // row 4
  music->Update();
  EXPECT_FLOAT_EQ(music->GetSyncValue("fade"), 0.5f);
  tick_ = 1000;  // row 16, after the last key
  EXPECT_FLOAT_EQ(music->GetSyncValue("fade"), 0.5f);  // the dummy clock moves only in Update
  music->Update();
  EXPECT_FLOAT_EQ(music->GetSyncValue("fade"), 1.0f);
}

TEST_F(MusicClockTest, OpeningATrackTwiceKeepsTheFirstDefault) {
  WriteTrackFile("bpm", {});
  auto music = MakeMusic();
  music->OpenTrack("bpm", 140.0f);
  music->OpenTrack("bpm", 90.0f);
  ASSERT_EQ(music->tracks.size(), 1u);
  EXPECT_FLOAT_EQ(music->tracks[0].default_value, 140.0f);
  EXPECT_FLOAT_EQ(music->GetSyncValue("bpm"), 140.0f);
}

TEST_F(MusicClockTest, SamplingATrackNeverOpenedThrows) {
  auto music = MakeMusic();
  try {
    music->GetSyncValue("nope");
    FAIL() << "no exception";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "Can't find sync value for nope");
  }
}

TEST_F(MusicClockTest, ATrackThatFailsToLoadIsFatal) {
  WriteTrackFile("broken", {{0, 1.0f, SyncKeyType::Step}});
  std::filesystem::resize_file(SyncTrackPath(kSyncBasePath, "broken"), 6);  // cut inside a key
  auto music = MakeMusic();
  EXPECT_EXIT(music->OpenTrack("broken", 0.0f), ::testing::ExitedWithCode(1), "Failed to open track broken!");
}
