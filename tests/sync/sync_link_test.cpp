#include <arpa/inet.h>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "support/fake_editor.h"
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

// An editor that hangs and stops reading fills the connection; the next request must give up
// after the device's timeout and drop the link rather than hold the frame for good.
TEST_F(SyncLinkTest, AnEditorThatStopsReadingDropsTheLinkInsteadOfHoldingTheFrame) {
  Connect();
  device_.io_timeout_ms = 150;
  int small = 4096;
  setsockopt(device_.socket.Descriptor(), SOL_SOCKET, SO_SNDBUF, &small, sizeof(small));
  long long longest = 0;
  for (int i = 0; i < 100000 && device_.socket.IsOpen(); ++i) {
    auto start = std::chrono::steady_clock::now();
    ASSERT_NE(Open(std::to_string(i) + std::string(200, 't')), nullptr);
    auto took = std::chrono::steady_clock::now() - start;
    longest = std::max<long long>(longest, std::chrono::duration_cast<std::chrono::milliseconds>(took).count());
  }
  EXPECT_FALSE(device_.socket.IsOpen());
  EXPECT_GE(longest, 140);
  EXPECT_LT(longest, 600);
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

// A loopback listener on an ephemeral port that never accepts. With `fill_queue` its accept
// queue is filled first, so that new connection requests are dropped like those to a host
// that never answers; without, connections complete but nothing ever answers the greeting.
class SilentListener {
 public:
  explicit SilentListener(bool fill_queue) {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(local);
    EXPECT_EQ(bind(listener_, reinterpret_cast<sockaddr*>(&local), sizeof(local)), 0);
    EXPECT_EQ(listen(listener_, fill_queue ? 0 : 8), 0);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&local), &length);
    port_ = ntohs(local.sin_port);
    for (int i = 0; fill_queue && i < 4; ++i) {
      int filler = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
      connect(filler, reinterpret_cast<sockaddr*>(&local), sizeof(local));
      fillers_.push_back(filler);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ~SilentListener() {
    for (int filler : fillers_) close(filler);
    close(listener_);
  }
  uint16_t Port() const { return port_; }

 private:
  int listener_ = -1;
  uint16_t port_ = 0;
  std::vector<int> fillers_;
};

// Milliseconds the call took.
template <typename Call>
long long TimeOf(Call call) {
  auto start = std::chrono::steady_clock::now();
  call();
  auto elapsed = std::chrono::steady_clock::now() - start;
  return std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
}

// The first connection may wait its own, longer budget; every reconnection (once a frame)
// gives up after the connect timeout, whether the host never answers the connection or
// accepts it and never answers the greeting.
TEST(SyncLinkHosts, UnansweredConnectionsGiveUpWithinTheirBudgets) {
  for (bool accepts : {false, true}) {
    SilentListener listener(!accepts);
    SyncDevice device(kSyncBasePath, SyncMode::Editor);
    device.editor_port = listener.Port();
    device.first_connect_timeout_ms = 300;
    long long first = TimeOf([&] { EXPECT_EQ(SyncConnect(device, "127.0.0.1"), -1); });
    EXPECT_GE(first, 280) << accepts;
    EXPECT_LT(first, 900) << accepts;
    long long again = TimeOf([&] { EXPECT_EQ(SyncReconnect(device), -1); });
    EXPECT_GE(again, 80) << accepts << ": the attempt was not held up";
    EXPECT_LT(again, 400) << accepts;
    EXPECT_FALSE(device.socket.IsOpen());
  }
}

// The frame never waits for the editor: a command whose rest does not come leaves every frame
// free, and the link is dropped once the command is overdue.
TEST_F(SyncLinkTest, ACommandCutShortNeverHoldsAFrameAndIsDroppedWhenOverdue) {
  Connect();
  device_.io_timeout_ms = 200;
  const std::vector<uint8_t> key = FakeEditor::SetKey(0, 1, 1.0f, 0);
  editor_.Send({key.begin(), key.begin() + 3});
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  int result = 0;
  long long longest = 0;
  const long long total = TimeOf([&] {
    for (int frame = 0; result == 0 && frame < 2000; ++frame) {
      longest = std::max(longest, TimeOf([&] { result = SyncUpdate(device_, 0, &callbacks_, &player_); }));
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  EXPECT_EQ(result, -1);
  EXPECT_LT(longest, 50);
  EXPECT_GE(total, 180);
}

TEST_F(SyncLinkTest, AFloodOfCommandsIsSpreadOverFrames) {
  SyncTrack* track = Open("flood");
  Connect();
  device_.max_commands_per_frame = 100;
  std::vector<uint8_t> flood;
  for (int row = 0; row < 150; ++row) {
    const std::vector<uint8_t> key = FakeEditor::SetKey(0, row, 1.0f, 0);
    flood.insert(flood.end(), key.begin(), key.end());
  }
  editor_.Send(flood);
  ASSERT_EQ(Update(0), 0);
  EXPECT_EQ(track->keys.size(), 100u);
  ASSERT_EQ(Update(0), 0);
  EXPECT_EQ(track->keys.size(), 150u);
}

// An editor that greets and then reads nothing: the track requests of a reconnection share its
// budget instead of each waiting the message timeout.
TEST_F(SyncLinkTest, ReconnectionTrackRequestsStayWithinTheReconnectionBudget) {
  for (int i = 0; i < 80000; ++i) ASSERT_NE(Open(std::to_string(i) + std::string(200, 't')), nullptr);
  device_.editor_host = "127.0.0.1";
  device_.connect_timeout_ms = 200;
  editor_.AcceptAsync();
  const long long took = TimeOf([&] { EXPECT_EQ(SyncReconnect(device_), -1); });
  EXPECT_TRUE(editor_.FinishAccept());
  EXPECT_LT(took, 700);
}

}  // namespace
