#include <cstdio>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <sys/resource.h>

#include "support/test_files.h"
#include "sync/working_folder.h"
#include "util/data/data.h"
#include "util/music/sync_device.h"
#include "util/music/sync_track_file.h"

namespace fs = std::filesystem;

namespace {


// A track file with `count` in its header and the given raw key bytes after it.
std::vector<uint8_t> RawTrackFile(int32_t count, std::vector<uint8_t> keys) {
  auto header = static_cast<uint32_t>(count);
  std::vector<uint8_t> bytes{uint8_t(header), uint8_t(header >> 8), uint8_t(header >> 16), uint8_t(header >> 24)};
  for (uint8_t byte : keys) bytes.push_back(byte);
  return bytes;
}

std::vector<uint8_t> RawKey(int32_t row, uint8_t type) {
  auto r = static_cast<uint32_t>(row);
  return {uint8_t(r), uint8_t(r >> 8), uint8_t(r >> 16), uint8_t(r >> 24), 0, 0, 0x80, 0x3f, type};
}

std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

class TrackFileTest : public ::testing::Test {
 protected:
  void SetUp() override { data_mode = DataMode::Disk; }

  // Opens the track in file mode and returns its keys; fails the test when the load fails.
  std::vector<SyncKey> LoadKeys(const std::string& name, float default_value = 0.0f) {
    SyncDevice device(kSyncBasePath, SyncMode::Files);
    SyncTrack* track = SyncGetTrack(device, name, default_value);
    EXPECT_NE(track, nullptr) << "track " << name << " failed to load";
    return track ? track->keys : std::vector<SyncKey>{};
  }

  // Loads a file holding these bytes; returns whether it loaded and what was logged.
  std::pair<bool, std::string> LoadRaw(const std::vector<uint8_t>& bytes) {
    WriteTestFile("data/sync_tracker/_raw.track", bytes);
    SyncDevice device(kSyncBasePath, SyncMode::Files);
    ::testing::internal::CaptureStdout();
    bool loaded = SyncGetTrack(device, "raw", 0.0f) != nullptr;
    std::fflush(stdout);
    return {loaded, ::testing::internal::GetCapturedStdout()};
  }

  ScopedWorkingFolder folder_;
};

TEST_F(TrackFileTest, SavedTracksLoadBackIdentically) {
  std::vector<SyncKey> keys{{-100, -2.5f, SyncKeyType::Ramp},
                            {-1, -0.0f, SyncKeyType::Smooth},
                            {0, 3.25f, SyncKeyType::Linear},
                            {1 << 30, -1e30f, SyncKeyType::Step}};
  SyncDevice editor(kSyncBasePath, SyncMode::Editor);
  SyncGetTrack(editor, "cameraEyeX", 0.0f)->keys = keys;
  SyncGetTrack(editor, "empty", 0.0f)->keys.clear();
  ASSERT_EQ(SyncSaveTracks(editor), 0);

  EXPECT_EQ(fs::file_size("data/sync_tracker/_cameraEyeX.track"), 4u + 9u * keys.size());
  EXPECT_EQ(fs::file_size("data/sync_tracker/_empty.track"), 4u);
  std::vector<SyncKey> loaded = LoadKeys("cameraEyeX");
  ASSERT_EQ(loaded.size(), keys.size());
  for (size_t k = 0; k < keys.size(); ++k) {
    EXPECT_EQ(loaded[k].row, keys[k].row);
    EXPECT_EQ(std::signbit(loaded[k].value), std::signbit(keys[k].value));
    EXPECT_EQ(loaded[k].value, keys[k].value);
    EXPECT_EQ(loaded[k].type, keys[k].type);
  }
}

TEST_F(TrackFileTest, ZeroKeysLoadAsTheDefaultKey) {
  WriteTestFile("data/sync_tracker/_bpm.track", RawTrackFile(0, {}));
  std::vector<SyncKey> keys = LoadKeys("bpm", 120.0f);
  ASSERT_EQ(keys.size(), 1u);
  EXPECT_EQ(keys[0].row, 0);
  EXPECT_FLOAT_EQ(keys[0].value, 120.0f);
  EXPECT_EQ(keys[0].type, SyncKeyType::Step);
}

TEST_F(TrackFileTest, MalformedFilesAreRefusedWithTheReason) {
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    const char* message;
  };
  std::vector<Case> cases{
      {"short header", {1, 0}, "too short for its key count"},
      {"negative count", RawTrackFile(-1, RawKey(0, 0)), "negative key count -1"},
      {"missing key", RawTrackFile(2, RawKey(0, 0)), "2 keys take 22 bytes"},
      {"trailing byte", Concat({RawTrackFile(1, RawKey(0, 0)), {7}}), "is 14 bytes long"},
      {"huge count", RawTrackFile(0x7fffffff, RawKey(0, 0)), "2147483647 keys"},
      {"equal rows", RawTrackFile(2, Concat({RawKey(4, 0), RawKey(4, 0)})), "not after row 4"},
      {"descending rows", RawTrackFile(2, Concat({RawKey(4, 0), RawKey(-4, 0)})), "not after row 4"},
      {"type 4", RawTrackFile(1, RawKey(0, 4)), "unknown type 4"},
      {"type -1", RawTrackFile(1, RawKey(0, 0xff)), "unknown type -1"},
  };
  for (const Case& c : cases) {
    auto [loaded, log] = LoadRaw(c.bytes);
    EXPECT_FALSE(loaded) << c.what;
    EXPECT_NE(log.find("data/sync_tracker/_raw.track"), std::string::npos) << c.what << ": " << log;
    EXPECT_NE(log.find(c.message), std::string::npos) << c.what << ": " << log;
  }
}

TEST_F(TrackFileTest, MissingOrEmptyFilesThrowNamingTheFile) {
  SyncDevice device(kSyncBasePath, SyncMode::Files);
  WriteTestFile("data/sync_tracker/_empty.track", "");
  for (const char* name : {"missing", "empty"}) {
    try {
      SyncGetTrack(device, name, 0.0f);
      ADD_FAILURE() << name << " loaded";
    } catch (const std::runtime_error& error) {
      EXPECT_NE(std::string(error.what()).find(std::string("data/sync_tracker/_") + name + ".track"),
                std::string::npos) << error.what();
    }
  }
}

TEST_F(TrackFileTest, MemoryFileReadsNeverPassTheEnd) {
  WriteTestFile("data/sync_tracker/_m.track", RawTrackFile(1, RawKey(3, 1)));
  void* handle = SyncOpenCallback("data/sync_tracker/_m.track", "rb");
  ASSERT_NE(handle, nullptr);
  uint8_t out[16] = {};
  EXPECT_EQ(SyncReadCallback(out, 4, 1, handle), 4u);
  EXPECT_EQ(out[0], 1);
  // A size times count that does not fit a size_t still copies only what is left.
  EXPECT_EQ(SyncReadCallback(out, 2, SIZE_MAX / 2 + 2, handle), 9u);
  EXPECT_EQ(out[0], 3);
  EXPECT_EQ(out[8], 1);
  EXPECT_EQ(SyncReadCallback(out, 1, 16, handle), 0u);
  EXPECT_EQ(SyncCloseCallback(handle), 0);
}

TEST_F(TrackFileTest, TrackPathsStayWithin259Characters) {
  EXPECT_EQ(SyncTrackPath(kSyncBasePath, "bpm"), "data/sync_tracker/_bpm.track");
  EXPECT_EQ(SyncTrackPath(kSyncBasePath, std::string(234, 'a')).size(), 259u);
  EXPECT_EQ(SyncTrackPath(kSyncBasePath, std::string(235, 'a')), "");
  EXPECT_EQ(SyncTrackPath(std::string(300, 'b'), ""), "");
}

TEST_F(TrackFileTest, SavingCreatesTheMissingFolders) {
  SyncDevice editor("data/deeper/sync_tracker/", SyncMode::Editor);
  SyncGetTrack(editor, "a", 1.0f);
  ASSERT_EQ(SyncSaveTracks(editor), 0);
  EXPECT_TRUE(fs::is_regular_file("data/deeper/sync_tracker/_a.track"));
}

TEST_F(TrackFileTest, AFileInPlaceOfTheFolderFailsEverySave) {
  WriteTestFile("data", std::vector<uint8_t>{1, 2, 3});
  SyncDevice editor(kSyncBasePath, SyncMode::Editor);
  SyncGetTrack(editor, "a", 1.0f);
  SyncGetTrack(editor, "b", 1.0f);
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(SyncSaveTracks(editor), -1);
  std::string log = ::testing::internal::GetCapturedStdout();
  EXPECT_NE(log.find("Failed to save sync track a"), std::string::npos);
  EXPECT_NE(log.find("Failed to save sync track b"), std::string::npos);
  EXPECT_TRUE(fs::is_regular_file("data"));
}

TEST_F(TrackFileTest, SavingInFileModeWritesNothing) {
  WriteTestFile("data/sync_tracker/_a.track", RawTrackFile(0, {}));
  SyncDevice device(kSyncBasePath, SyncMode::Files);
  SyncGetTrack(device, "a", 5.0f);
  EXPECT_EQ(SyncSaveTracks(device), 0);
  EXPECT_EQ(fs::file_size("data/sync_tracker/_a.track"), 4u);
}

// Saves 1000 keys of the track "a" with files limited to 64 bytes; exits 0 when the save
// reported the failure.
[[noreturn]] void SaveUnderFileSizeLimit() {
  SyncDevice editor(kSyncBasePath, SyncMode::Editor);
  SyncTrack* track = SyncGetTrack(editor, "a", 0.0f);
  for (int row = 0; row < 1000; ++row) track->keys.push_back({row, 1.0f, SyncKeyType::Step});
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit{64, 64};
  setrlimit(RLIMIT_FSIZE, &limit);
  std::_Exit(SyncSaveTracks(editor) == -1 ? 0 : 1);
}

// The child process saves under a file size limit, so the write of the new file fails part way.
TEST_F(TrackFileTest, AFailedWriteLeavesTheOldFileWhole) {
  std::vector<uint8_t> old_file = RawTrackFile(1, RawKey(3, 1));
  WriteTestFile("data/sync_tracker/_a.track", old_file);
  EXPECT_EXIT(SaveUnderFileSizeLimit(), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(ReadWholeFile("data/sync_tracker/_a.track"), old_file);
  EXPECT_FALSE(fs::exists("data/sync_tracker/_a.track.part"));
}

// Track files written by another key-frame program load with the keys it lists for them.
TEST(TrackFileInterchange, ReadsFilesOfAnotherProgram) {
  data_mode = DataMode::Disk;
  const std::string folder = "tests/sync/tracks/";
  std::ifstream listing(folder + "expected-keys.json");
  ASSERT_TRUE(listing) << "run from the repository root";
  nlohmann::json expected = nlohmann::json::parse(listing);
  ASSERT_FALSE(expected.empty());
  SyncDevice device(folder, SyncMode::Files);
  for (const auto& [file, track] : expected.items()) {
    std::string name = file.substr(1, file.size() - 1 - std::string(".track").size());
    SyncTrack* loaded = SyncGetTrack(device, name, -99.0f);
    ASSERT_NE(loaded, nullptr) << file;
    const auto& keys = track["keys"];
    ASSERT_EQ(loaded->keys.size(), keys.size()) << file;
    for (size_t k = 0; k < keys.size(); ++k) {
      EXPECT_EQ(loaded->keys[k].row, keys[k]["row"].get<int>()) << file;
      EXPECT_FLOAT_EQ(loaded->keys[k].value, keys[k]["value"].get<float>()) << file;
      EXPECT_EQ(static_cast<int>(loaded->keys[k].type), keys[k]["interp"].get<int>()) << file;
    }
  }
}

}  // namespace
