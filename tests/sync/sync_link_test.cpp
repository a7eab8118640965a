#include <arpa/inet.h>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "sync/fake_editor.h"
#include "sync/working_folder.h"
#include "util/music/sync_device.h"
#include "util/music/sync_link.h"

namespace {

// The player side of the callbacks: records what the editor asked for.
struct FakePlayer {
  bool paused = false;
  std::vector<int> rows_set;
};

SyncCallbacks PlayerCallbacks() {
  SyncCallbacks callbacks;
  callbacks.pause = [](void* user, int flag) { static_cast<FakePlayer*>(user)->paused = flag != 0; };
  callbacks.set_row = [](void* user, int row) { static_cast<FakePlayer*>(user)->rows_set.push_back(row); };
  callbacks.is_playing = [](void* user) { return static_cast<FakePlayer*>(user)->paused ? 0 : 1; };
  return callbacks;
}

class SyncLinkTest : public ::testing::Test {
 protected:
  SyncLinkTest() { device_.editor_port = editor_.Port(); }

  // Connects the device to the fake editor; the greeting succeeds.
  void Connect(const char* host = "127.0.0.1") {
    editor_.AcceptAsync();
    ASSERT_EQ(SyncConnect(device_, host), 0);
    ASSERT_TRUE(editor_.FinishAccept());
  }

  SyncTrack* Open(const std::string& name, float default_value = 0.0f) {
    return SyncGetTrack(device_, name, default_value);
  }

  // Lets the editor's bytes arrive, then runs one frame of the link.
  int Update(int row) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return SyncUpdate(device_, row, &callbacks_, &player_);
  }

  FakeEditor editor_;
  SyncDevice device_{kSyncBasePath, SyncMode::Editor};
  FakePlayer player_;
  SyncCallbacks callbacks_ = PlayerCallbacks();
};

TEST_F(SyncLinkTest, GreetingThenEveryTrackIsRequestedInDeviceOrder) {
  Open("bpm", 120.0f);
  Open("ActiveScene1st");
  Connect();
  EXPECT_EQ(editor_.ReceiveGetTrack(), "bpm");
  EXPECT_EQ(editor_.ReceiveGetTrack(), "ActiveScene1st");
  Open("cameraEyeX");
  EXPECT_EQ(editor_.ReceiveGetTrack(), "cameraEyeX");
}

TEST_F(SyncLinkTest, WrongGreetingFailsWithoutLeakingTheSocket) {
  int before = CountOpenDescriptors();
  editor_.AcceptAsync("hello, world");
  EXPECT_EQ(SyncConnect(device_, "127.0.0.1"), -1);
  editor_.FinishAccept();
  editor_.Disconnect();
  EXPECT_FALSE(device_.socket.IsOpen());
  EXPECT_EQ(CountOpenDescriptors(), before);
}

TEST_F(SyncLinkTest, GreetingAnswerSplitAcrossSegmentsConnects) {
  editor_.AcceptAsync("hello, demo!", 5);
  EXPECT_EQ(SyncConnect(device_, "127.0.0.1"), 0);
  EXPECT_TRUE(editor_.FinishAccept());
}

TEST_F(SyncLinkTest, FileModeDoesNothing) {
  SyncDevice files(kSyncBasePath, SyncMode::Files);
  files.editor_port = editor_.Port();
  EXPECT_EQ(SyncConnect(files, "127.0.0.1"), 0);
  EXPECT_EQ(SyncUpdate(files, 5, &callbacks_, &player_), 0);
  EXPECT_FALSE(files.socket.IsOpen());
}

TEST_F(SyncLinkTest, SetKeyAndDeleteKeyEditTheIndexedTrack) {
  SyncTrack* first = Open("first", 7.0f);
  SyncTrack* second = Open("second", 7.0f);
  Connect();
  EXPECT_TRUE(first->keys.empty()) << "connecting empties the tracks";
  editor_.Send(FakeEditor::SetKey(1, 8, 2.0f, 1));
  editor_.Send(FakeEditor::SetKey(1, 0, 1.0f, 1));
  editor_.Send(FakeEditor::SetKey(1, 16, 4.0f, 0));
  editor_.Send(FakeEditor::SetKey(1, 8, 3.0f, 2));  // replaces value and type
  editor_.Send(FakeEditor::DeleteKey(1, 16));
  ASSERT_EQ(Update(0), 0);
  EXPECT_TRUE(first->keys.empty());
  ASSERT_EQ(second->keys.size(), 2u);
  EXPECT_EQ(second->keys[0].row, 0);
  EXPECT_EQ(second->keys[1].row, 8);
  EXPECT_FLOAT_EQ(second->keys[1].value, 3.0f);
  EXPECT_EQ(second->keys[1].type, SyncKeyType::Smooth);
  EXPECT_FLOAT_EQ(SyncGetValue(second, 4.0), 2.0f);
}

TEST_F(SyncLinkTest, CommandsForUnknownTracksRowsOrTypesChangeNothing) {
  SyncTrack* track = Open("only");
  Connect();
  editor_.Send(FakeEditor::SetKey(0, 4, 1.0f, 0));
  editor_.Send(FakeEditor::SetKey(5, 4, 2.0f, 0));
  editor_.Send(FakeEditor::SetKey(0, 6, 2.0f, 9));
  editor_.Send(FakeEditor::DeleteKey(7, 4));
  editor_.Send(FakeEditor::DeleteKey(0, 5));
  ASSERT_EQ(Update(0), 0);
  ASSERT_EQ(track->keys.size(), 1u);
  EXPECT_EQ(track->keys[0].row, 4);
  EXPECT_TRUE(device_.socket.IsOpen());
}

TEST_F(SyncLinkTest, CommandsSplitAcrossSegmentsAreApplied) {
  SyncTrack* track = Open("split");
  Connect();
  std::vector<uint8_t> both = FakeEditor::SetKey(0, -12, -1.5f, 3);
  std::vector<uint8_t> row = FakeEditor::SetRow(1000);
  both.insert(both.end(), row.begin(), row.end());
  editor_.SendInPiecesAsync(both, 3);
  // The first piece is enough to start the command; the rest is waited for.
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  while (track->keys.empty() || player_.rows_set.empty()) {
    ASSERT_EQ(SyncUpdate(device_, 0, &callbacks_, &player_), 0);
  }
  editor_.FinishSend();
  ASSERT_EQ(track->keys.size(), 1u);
  EXPECT_EQ(track->keys[0].row, -12);
  EXPECT_FLOAT_EQ(track->keys[0].value, -1.5f);
  EXPECT_EQ(track->keys[0].type, SyncKeyType::Ramp);
  EXPECT_EQ(player_.rows_set, std::vector<int>{1000});
}

TEST_F(SyncLinkTest, RowIsReportedOnlyWhenPlayingAndChanged) {
  Connect();
  ASSERT_EQ(Update(5), 0);
  EXPECT_EQ(editor_.ReceiveSetRow(), 5);
  ASSERT_EQ(Update(5), 0);
  EXPECT_FALSE(editor_.HasData(30)) << "an unchanged row is not sent again";
  editor_.Send(FakeEditor::Pause(1));
  ASSERT_EQ(Update(9), 0);
  EXPECT_TRUE(player_.paused);
  editor_.Send(FakeEditor::SetRow(1000));
  ASSERT_EQ(Update(1000), 0);
  EXPECT_EQ(player_.rows_set, std::vector<int>{1000});
  EXPECT_FALSE(editor_.HasData(30)) << "no row is sent while paused";
  editor_.Send(FakeEditor::Pause(0));
  ASSERT_EQ(Update(1000), 0);
  EXPECT_FALSE(player_.paused);
  EXPECT_EQ(editor_.ReceiveSetRow(), 1000);
}

TEST_F(SyncLinkTest, SaveCommandWritesTheTrackFiles) {
  ScopedWorkingFolder folder;
  Open("saved");
  Connect();
  editor_.Send(FakeEditor::SetKey(0, 3, 1.0f, 0));
  editor_.Send(FakeEditor::SaveTracks());
  ASSERT_EQ(Update(0), 0);
  EXPECT_EQ(std::filesystem::file_size("data/sync_tracker/_saved.track"), 13u);
}

TEST_F(SyncLinkTest, UnknownCommandDropsTheLink) {
  Connect();
  editor_.Send({SyncCommand::GetTrack});
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(Update(0), -1);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "unknown cmd: 02\n");
  EXPECT_FALSE(device_.socket.IsOpen());
  EXPECT_EQ(Update(0), -1);
}

TEST_F(SyncLinkTest, EditorClosingDropsTheLink) {
  Connect();
  editor_.Disconnect();
  EXPECT_EQ(Update(0), -1);
  EXPECT_FALSE(device_.socket.IsOpen());
}

// Requests sent after the editor went away must fail quietly, not raise SIGPIPE.
TEST_F(SyncLinkTest, SendingToAClosedEditorDropsTheLinkQuietly) {
  Connect();
  editor_.Disconnect();
  for (int i = 0; i < 20 && device_.socket.IsOpen(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_NE(Open("track" + std::to_string(i)), nullptr);
  }
  EXPECT_FALSE(device_.socket.IsOpen());
}

TEST_F(SyncLinkTest, EmptyHostIsThisMachine) {
  Connect("");
  EXPECT_EQ(device_.editor_host, "localhost");
}

TEST_F(SyncLinkTest, ReconnectionEmptiesAndRequestsEveryTrackAgain) {
  SyncTrack* a = Open("a");
  Open("b");
  Connect();
  editor_.ReceiveGetTrack();
  editor_.ReceiveGetTrack();
  editor_.Send(FakeEditor::SetKey(0, 0, 5.0f, 0));
  ASSERT_EQ(Update(1), 0);
  ASSERT_EQ(a->keys.size(), 1u);
  EXPECT_EQ(editor_.ReceiveSetRow(), 1);

  editor_.Disconnect();
  ASSERT_EQ(Update(1), -1);
  editor_.AcceptAsync();
  ASSERT_EQ(SyncReconnect(device_), 0);
  ASSERT_TRUE(editor_.FinishAccept());
  EXPECT_TRUE(a->keys.empty()) << "the default key is not restored";
  EXPECT_EQ(editor_.ReceiveGetTrack(), "a");
  EXPECT_EQ(editor_.ReceiveGetTrack(), "b");
  ASSERT_EQ(Update(1), 0);
  EXPECT_EQ(editor_.ReceiveSetRow(), 1) << "the new editor is told the row";
}

TEST_F(SyncLinkTest, TracksOpenedWhileTheLinkIsDownAreRequestedOnReconnection) {
  Connect();
  editor_.Disconnect();
  ASSERT_EQ(Update(0), -1);
  SyncTrack* late = Open("late", 2.0f);
  ASSERT_NE(late, nullptr);
  EXPECT_FLOAT_EQ(SyncGetValue(late, 0.0), 2.0f);
  editor_.AcceptAsync();
  ASSERT_EQ(SyncReconnect(device_), 0);
  ASSERT_TRUE(editor_.FinishAccept());
  EXPECT_EQ(editor_.ReceiveGetTrack(), "late");
}

TEST(SyncLinkHosts, ReconnectionGoesToTheConfiguredHost) {
  FakeEditor editor("127.0.0.2");
  SyncDevice device(kSyncBasePath, SyncMode::Editor);
  device.editor_port = editor.Port();
  editor.AcceptAsync();
  ASSERT_EQ(SyncConnect(device, "127.0.0.2"), 0);
  ASSERT_TRUE(editor.FinishAccept());
  editor.Disconnect();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_EQ(SyncUpdate(device, 0, nullptr, nullptr), -1);
  editor.AcceptAsync();
  EXPECT_EQ(SyncReconnect(device), 0);
  EXPECT_TRUE(editor.FinishAccept());
}

TEST(SyncLinkHosts, NoEditorListeningFailsAtOnceWithoutLeaks) {
  int port;
  {
    FakeEditor closed;  // a port that was free a moment ago
    port = closed.Port();
  }
  SyncDevice device(kSyncBasePath, SyncMode::Editor);
  device.editor_port = static_cast<uint16_t>(port);
  int before = CountOpenDescriptors();
  EXPECT_EQ(SyncConnect(device, "127.0.0.1"), -1);
  EXPECT_EQ(SyncConnect(device, "no-such-host.invalid"), -1);
  EXPECT_EQ(CountOpenDescriptors(), before);
}

// A listener whose accept queue is full drops new connection requests, like a host that never
// answers: the attempt must give up after about the connect timeout.
TEST(SyncLinkHosts, UnansweredConnectionGivesUpWithinTheTimeout) {
  int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof(local);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&local), sizeof(local)), 0);
  ASSERT_EQ(listen(listener, 0), 0);
  getsockname(listener, reinterpret_cast<sockaddr*>(&local), &length);
  std::vector<int> fillers;
  for (int i = 0; i < 4; ++i) {
    int filler = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    connect(filler, reinterpret_cast<sockaddr*>(&local), sizeof(local));
    fillers.push_back(filler);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(50));

  SyncDevice device(kSyncBasePath, SyncMode::Editor);
  device.editor_port = ntohs(local.sin_port);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(SyncConnect(device, "127.0.0.1"), -1);
  auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, std::chrono::milliseconds(80)) << "the connection was not held up";
  EXPECT_LT(elapsed, std::chrono::milliseconds(400));
  EXPECT_FALSE(device.socket.IsOpen());
  for (int filler : fillers) close(filler);
  close(listener);
}

}  // namespace
