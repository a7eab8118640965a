// Music as a client of the sync editor, on the dummy clock: the first connection, rows reported
// and commands applied in Update, reconnection after a lost link, and the save at shut-down.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "audio/music_fixture.h"
#include "support/fake_editor.h"
#include "support/messagebox_recorder.h"
#include "tolmesystem.h"

namespace {

// Music always talks to the editor's port, so each test has a loopback address of its own:
// test cases may run side by side in separate processes.
class MusicEditorTest : public MusicFixture {
 protected:
  void SetUp() override {
    MusicFixture::SetUp();
    Settings().sync_client = 1;
  }

  void SetHost(const char* host) {
    std::snprintf(Settings().sync_host, sizeof(Settings().sync_host), "%s", host);
  }

  // A Music connected to an editor at `address`, with the track "fade" (default 2) open and
  // started.
  std::unique_ptr<Music> ConnectedMusic(const char* address) {
    SetHost(address);
    editor_ = std::make_unique<FakeEditor>(address, kSyncEditorPort);
    editor_->AcceptAsync();
    auto music = MakeMusic();
    EXPECT_TRUE(editor_->FinishAccept());
    music->OpenTrack("fade", 2.0f);
    EXPECT_EQ(editor_->ReceiveGetTrack(), "fade");
    music->Start();
    return music;
  }

  // Lets the editor's bytes arrive, then runs one frame.
  void Frame(Music& music) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    music.Update();
  }

  std::unique_ptr<FakeEditor> editor_;
};

TEST_F(MusicEditorTest, AFailedFirstConnectionIsFatal) {
  SetHost("127.0.13.1");  // nothing listens there
  EXPECT_EXIT(MakeMusic(), ::testing::ExitedWithCode(1), "Sync tracker failed to connect to host 127.0.13.1:1338");
}

TEST_F(MusicEditorTest, UpdateAppliesTheEditorsCommandsThenReportsTheRow) {
  auto music = ConnectedMusic("127.0.13.2");
  EXPECT_FLOAT_EQ(music->GetSyncValue("fade"), 2.0f) << "the default key until the editor sends keys";
  tick_ = 250;
  Frame(*music);
  EXPECT_EQ(editor_->ReceiveSetRow(), 4);

  editor_->Send(FakeEditor::SetKey(0, 0, 1.0f, 1));
  editor_->Send(FakeEditor::SetKey(0, 16, 3.0f, 0));
  editor_->Send(FakeEditor::Pause(1));
  editor_->Send(FakeEditor::SetRow(8));
  tick_ = 500;
  Frame(*music);
  EXPECT_TRUE(music->paused);
  EXPECT_DOUBLE_EQ(music->GetBeat(), 1.0);
  EXPECT_FLOAT_EQ(music->GetSyncValue("fade"), 2.0f);
  EXPECT_FALSE(editor_->HasData(30)) << "no row is reported while paused";

  editor_->Send(FakeEditor::Pause(0));
  tick_ = 5000;  // the paused time does not count
  Frame(*music);
  EXPECT_FALSE(music->paused);
  EXPECT_EQ(editor_->ReceiveSetRow(), 8) << "the commands come first, then the row";
  tick_ = 5250;
  Frame(*music);
  EXPECT_EQ(editor_->ReceiveSetRow(), 12);
  EXPECT_FLOAT_EQ(music->GetSyncValue("fade"), 2.5f);
}

TEST_F(MusicEditorTest, ALostLinkIsReconnectedToTheConfiguredHostInTheSameFrame) {
  auto music = ConnectedMusic("127.0.13.3");
  editor_->Send(FakeEditor::SetKey(0, 0, 7.0f, 0));
  Frame(*music);
  EXPECT_FLOAT_EQ(music->GetSyncValue("fade"), 7.0f);

  editor_->Disconnect();
  editor_->AcceptAsync();
  Frame(*music);
  ASSERT_TRUE(editor_->FinishAccept());
  EXPECT_EQ(editor_->ReceiveGetTrack(), "fade");
  EXPECT_FLOAT_EQ(music->GetSyncValue("fade"), 0.0f) << "keys come anew from the editor";
}

TEST_F(MusicEditorTest, ShutDownSavesOnlyTheTracksTheEditorChangedSinceTheLastConnection) {
  auto music = ConnectedMusic("127.0.13.4");
  WriteTrackFile("kept", {{0, 3.0f, SyncKeyType::Linear}, {8, 4.0f, SyncKeyType::Step}});
  music->OpenTrack("kept", 1.0f);
  EXPECT_EQ(editor_->ReceiveGetTrack(), "kept");
  editor_->Send(FakeEditor::SetKey(1, 5, 1.0f, 2));
  Frame(*music);

  // A reconnection empties every track; the editor resends only "fade" before shut-down.
  editor_->Disconnect();
  editor_->AcceptAsync();
  Frame(*music);
  ASSERT_TRUE(editor_->FinishAccept());
  EXPECT_EQ(editor_->ReceiveGetTrack(), "fade");
  EXPECT_EQ(editor_->ReceiveGetTrack(), "kept");
  editor_->Send(FakeEditor::SetKey(0, 5, 1.0f, 2));
  Frame(*music);
  MessageBoxRecorder boxes;
  music.reset();
  EXPECT_TRUE(boxes.shown().empty());
  EXPECT_EQ(std::filesystem::file_size("data/sync_tracker/_fade.track"), 4u + 9u);
  EXPECT_EQ(std::filesystem::file_size("data/sync_tracker/_kept.track"), 4u + 9u * 2) << "left as it was";
}

TEST_F(MusicEditorTest, AFailedSaveAtShutDownIsShownAndShutDownGoesOn) {
  auto music = ConnectedMusic("127.0.13.5");
  editor_->Send(FakeEditor::SetKey(0, 5, 1.0f, 2));
  Frame(*music);
  std::ofstream("data") << "in the way of the folder";
  MessageBoxRecorder boxes;
  music.reset();
  EXPECT_EQ(active_music, nullptr);
  ASSERT_EQ(boxes.shown().size(), 1u);
  EXPECT_EQ(boxes.shown()[0].caption, "Failed to save sync tracks!");
  EXPECT_EQ(boxes.shown()[0].text, "Failed to save sync tracks, check your directory structure!");
  EXPECT_EQ(boxes.shown()[0].buttons, MessageBoxButtons::Ok);
  EXPECT_FALSE(boxes.shown()[0].has_owner);
}

}  // namespace
