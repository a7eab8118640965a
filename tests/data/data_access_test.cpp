// Asset requests in the three data modes, on a temporary loose tree.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <stdexcept>

#include "data/data_fixture.h"
#include "util/data/data.h"

using ::testing::ElementsAre;
using ::testing::ExitedWithCode;
using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

namespace {

using DiskModeTest = DataFixture;

TEST_F(DiskModeTest, ReadsLooseFileAndNotesTheRequest) {
  const std::string path = WriteFile("a/b.txt", "hello");
  EXPECT_EQ(GetFileBytes(path, "rb", false), Bytes("hello"));
  EXPECT_EQ(GetFileBytes(path, "rb", true), Bytes(std::string("hello") + '\0'));
  EXPECT_EQ(requested_file_names.count(path), 1u);
  EXPECT_TRUE(data_file_entries.empty());
}

TEST_F(DiskModeTest, MissingFileAndFolderCannotBeOpened) {
  const std::string missing = PathOf("missing.txt");
  EXPECT_THAT([&] { GetFileBytes(missing, "rb", false); },
              ThrowsMessage<std::runtime_error>("Failed to open file " + missing));
  std::filesystem::create_directories(PathOf("folder"));
  EXPECT_THAT([&] { GetFileBytes(PathOf("folder"), "rb", true); },
              ThrowsMessage<std::runtime_error>("Failed to open file " + PathOf("folder")));
}

TEST_F(DiskModeTest, EmptyFileCannotBeRead) {
  const std::string path = WriteFile("empty.txt", "");
  EXPECT_THAT([&] { GetFileBytes(path, "rb", true); },
              ThrowsMessage<std::runtime_error>("Tried to read 0 bytes from " + path + ", got 0"));
}

TEST_F(DiskModeTest, FileExistsLooksAtTheDiskWithoutNotingTheName) {
  const std::string path = WriteFile("x.bin", "x");
  EXPECT_TRUE(FileExists(path));
  EXPECT_FALSE(FileExists(PathOf("y.bin")));
  EXPECT_TRUE(requested_file_names.empty());
}

TEST_F(DiskModeTest, UnknownModeIsALogicError) {
  data_mode = 7;
  EXPECT_THAT([] { FileExists("anything"); },
              ThrowsMessage<std::runtime_error>("Logic error: FileExists switch case unhandled"));
}

class WriteModeTest : public DataFixture {
 protected:
  void SetUp() override {
    DataFixture::SetUp();
    data_mode = DataMode::Write;
  }
};

TEST_F(WriteModeTest, RecordsEachFileOnceInFirstReadOrder) {
  const std::string b = WriteFile("b.txt", "bee");
  const std::string a = WriteFile("a.txt", "ay");
  GetFileBytes(b, "rb", false);
  GetFileBytes(a, "rb", true);
  ASSERT_EQ(data_file_entries.size(), 2u);
  EXPECT_EQ(data_file_entries[0].name, b);
  EXPECT_EQ(data_file_entries[0].data, Bytes("bee"));
  // The recording keeps the terminator its first reader asked for.
  EXPECT_EQ(data_file_entries[1].name, a);
  EXPECT_EQ(data_file_entries[1].data, Bytes(std::string("ay") + '\0'));
  EXPECT_FALSE(data_file_entries[1].used);
}

TEST_F(WriteModeTest, SecondRequestReadsDiskAgainAndSkipsTheDuplicate) {
  const std::string path = WriteFile("twice.txt", "first");
  GetFileBytes(path, "rb", false);
  WriteFile("twice.txt", "second");
  testing::internal::CaptureStdout();
  const std::vector<uint8_t> again = GetFileBytes(path, "rb", false);
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_EQ(again, Bytes("second"));
  EXPECT_THAT(printed, HasSubstr("[DATA] Skipping duplicate entry for " + path + "\n"));
  ASSERT_EQ(data_file_entries.size(), 1u);
  EXPECT_EQ(data_file_entries[0].data, Bytes("first"));
}

TEST_F(WriteModeTest, AfterLoadingOnlyKnownNamesMayBeReadAndNothingIsRecorded) {
  const std::string known = WriteFile("known.txt", "k");
  const std::string late = WriteFile("late.txt", "l");
  GetFileBytes(known, "rb", false);
  data_init_finished = true;
  testing::internal::CaptureStdout();
  EXPECT_EQ(GetFileBytes(known, "rb", false), Bytes("k"));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(data_file_entries.size(), 1u);
  EXPECT_EXIT(GetFileBytes(late, "rb", false), ExitedWithCode(1),
              "Tried to load file '" + late + "' after DataFile init was finished!");
}

TEST_F(WriteModeTest, NameRequestedButNeverRecordedIsRefusedAfterLoading) {
  const std::string path = PathOf("appears-later.txt");
  EXPECT_THROW(GetFileBytes(path, "rb", false), std::runtime_error);
  WriteFile("appears-later.txt", "now here");
  data_init_finished = true;
  EXPECT_THAT([&] { GetFileBytes(path, "rb", false); },
              ThrowsMessage<std::runtime_error>("Uh-oh! Tried to load file " + path +
                                                " after datafile is written!"));
}

class ReadModeTest : public DataFixture {
 protected:
  void SetUp() override {
    DataFixture::SetUp();
    data_mode = DataMode::Read;
    AddDataFileEntry({"data/text.txt", Bytes("abc"), false});
    AddDataFileEntry({"data/terminated.txt", Bytes(std::string("xyz") + '\0'), false});
    AddDataFileEntry({"data/empty.bin", {}, false});
  }
};

TEST_F(ReadModeTest, HandsOutACopyAndMarksTheEntryUsed) {
  EXPECT_EQ(GetFileBytes("data/text.txt", "rb", false), Bytes("abc"));
  EXPECT_TRUE(data_file_entries[0].used);
  EXPECT_FALSE(data_file_entries[1].used);
  EXPECT_EQ(requested_file_names.count("data/text.txt"), 1u);
}

TEST_F(ReadModeTest, AddNulAppendsATerminatorOnlyWhereNoneIsStored) {
  EXPECT_EQ(GetFileBytes("data/text.txt", "rb", true), Bytes(std::string("abc") + '\0'));
  EXPECT_EQ(GetFileBytes("data/terminated.txt", "rb", true), Bytes(std::string("xyz") + '\0'));
  EXPECT_EQ(GetFileBytes("data/terminated.txt", "rb", false), Bytes(std::string("xyz") + '\0'));
  EXPECT_THAT(GetFileBytes("data/empty.bin", "rb", true), ElementsAre(0));
  // The stored bytes are never changed by a request.
  EXPECT_EQ(data_file_entries[0].data, Bytes("abc"));
  EXPECT_TRUE(data_file_entries[2].data.empty());
}

TEST_F(ReadModeTest, NamesMatchExactly) {
  for (const std::string name : {"data/TEXT.txt", "data\\text.txt", "text.txt"}) {
    EXPECT_THAT([&] { GetFileBytes(name, "rb", false); },
                ThrowsMessage<std::runtime_error>("Could not find datafile entry for file " + name));
  }
}

TEST_F(ReadModeTest, DuplicateEntriesAreRefusedOnRequest) {
  AddDataFileEntry({"data/text.txt", Bytes("other"), false});
  EXPECT_THAT([] { GetFileBytes("data/text.txt", "rb", false); },
              ThrowsMessage<std::runtime_error>("Ouch, found more than one entry for data/text.txt "
                                                "in datafile. Duplicates make no sense here."));
}

TEST_F(ReadModeTest, FileExistsAsksThePackedDataOnly) {
  const std::string on_disk = WriteFile("only-on-disk.txt", "d");
  EXPECT_TRUE(FileExists("data/text.txt"));
  EXPECT_FALSE(FileExists(on_disk));
  EXPECT_FALSE(FileExists("data/Text.txt"));
}

// --- gzip-compressed files ---

class GzipTest : public DataFixture {
 protected:
  // Writes one gzip member per text, one after another.
  std::string WriteGzip(const std::string& relative, const std::vector<std::string>& members) {
    const std::string path = WriteFile(relative, "");
    for (const std::string& text : members) {
      gzFile gz = gzopen(path.c_str(), "ab");
      EXPECT_EQ(gzwrite(gz, text.data(), static_cast<unsigned>(text.size())),
                static_cast<int>(text.size()));
      gzclose(gz);
    }
    return path;
  }
};

TEST_F(GzipTest, UnpacksAndRecordsTheUncompressedBytes) {
  const std::string text(100000, 'q');
  const std::string path = WriteGzip("set.als", {text});
  data_mode = DataMode::Write;
  EXPECT_EQ(GetGzipFileBytes(path, "rb", true), Bytes(text + '\0'));
  ASSERT_EQ(data_file_entries.size(), 1u);
  EXPECT_EQ(data_file_entries[0].data, Bytes(text + '\0'));
}

TEST_F(GzipTest, IsServedFromThePackedDataInReadMode) {
  data_mode = DataMode::Read;
  AddDataFileEntry({"data/set.als", Bytes("plain"), false});
  EXPECT_EQ(GetGzipFileBytes("data/set.als", "rb", false), Bytes("plain"));
  EXPECT_TRUE(data_file_entries[0].used);
}

TEST_F(GzipTest, MissingFileThrows) {
  const std::string path = PathOf("none.als");
  EXPECT_THAT([&] { GetGzipFileBytes(path, "rb", false); },
              ThrowsMessage<std::runtime_error>("Could not open file " + path));
}

TEST_F(GzipTest, FileTooShortForItsTrailerIsFatal) {
  const std::string path = WriteFile("tiny.als", "ab");
  EXPECT_EXIT(GetGzipFileBytes(path, "rb", false), ExitedWithCode(1),
              "tiny.als is 2 bytes long, too short for its size trailer");
}

TEST_F(GzipTest, TrailerPromisingMoreThanTheFileHoldsIsFatalWithoutAHugeAllocation) {
  // Not gzip at all: the reader passes the bytes through, and the last four claim 4 GiB.
  const std::string path = WriteFile("liar.als", std::string("twelve bytes") + "\xff\xff\xff\xff");
  EXPECT_EXIT(GetGzipFileBytes(path, "rb", false), ExitedWithCode(1),
              "\\(gzip\\) flength of 4294967295 does not match 16");
}

TEST_F(GzipTest, ReadingStopsOnceTheTrailerSizeIsExceeded) {
  // Two members: the trailer read is the last member's, smaller than the whole.
  const std::string path = WriteGzip("two.als", {"twelve bytes", "abc"});
  EXPECT_EXIT(GetGzipFileBytes(path, "rb", false), ExitedWithCode(1),
              "\\(gzip\\) flength of 3 does not match 4");
}

TEST_F(GzipTest, CorruptStreamIsFatal) {
  const std::string path = WriteGzip("corrupt.als", {"twelve bytes"});
  std::vector<uint8_t> bytes = ReadWholeFile(path);
  bytes[bytes.size() - 8] ^= 0xFF;  // the checksum
  WriteFile("corrupt.als", bytes);
  EXPECT_EXIT(GetGzipFileBytes(path, "rb", false), ExitedWithCode(1),
              "Something went wrong reading from .*corrupt.als we got return value -1");
}

TEST_F(GzipTest, EmptyStreamIsFatal) {
  const std::string path = WriteGzip("nothing.als", {""});
  EXPECT_EXIT(GetGzipFileBytes(path, "rb", false), ExitedWithCode(1),
              "Something went wrong reading from .*nothing.als we got return value 0");
}

}  // namespace
