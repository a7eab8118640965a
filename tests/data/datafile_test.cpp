// Writing, reading and refusing packed data files, and exporting the music from them.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

#include <random>

#include "data/data_fixture.h"
#include "util/data/data.h"

using ::testing::ExitedWithCode;
using ::testing::ContainsRegex;
using ::testing::HasSubstr;

namespace {

class PackedFileTest : public DataFixture {
 protected:
  // Packs the given (name, bytes) pairs in write mode and leaves the facility in read mode,
  // empty, ready to read the file back.
  std::string Pack(const std::vector<DataFileEntry>& entries) {
    data_mode = DataMode::Write;
    for (const DataFileEntry& entry : entries) AddDataFileEntry(DataFileEntry(entry));
    const std::string path = PathOf("data.vtl");
    testing::internal::CaptureStdout();
    WriteDataFile(path);
    written_log_ = testing::internal::GetCapturedStdout();
    ResetDataFileState();
    data_mode = DataMode::Read;
    return path;
  }

  std::string WriteVtl(const std::vector<uint8_t>& bytes) {
    data_mode = DataMode::Read;
    return WriteFile("data.vtl", bytes);
  }

  std::string written_log_;
};

// Makes every later write past 4 KiB into a file fail, as a full disk would. The death test's
// capture of standard error stays below that.
void LimitFileSizeTo4KiB() {
  std::signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{4096, 4096};
  setrlimit(RLIMIT_FSIZE, &limit);
}

long FilesIn(const std::filesystem::path& folder) {
  long count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) count += entry.is_regular_file();
  return count;
}

std::vector<uint8_t> RandomBytes(size_t count, unsigned seed) {
  std::mt19937 generator(seed);
  std::vector<uint8_t> bytes(count);
  for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(generator());
  return bytes;
}

TEST_F(PackedFileTest, RoundTripKeepsNamesOrderAndBytes) {
  const std::vector<DataFileEntry> entries = {
      {"data/music/wendmoor2020.xml", Bytes(std::string("<xml/>") + '\0'), false},
      {"data/textures/noise.png", RandomBytes(70000, 1), false},
      {"data/empty.bin", {}, false},
      {"data\\windows\\style.txt", Bytes("back slashes"), false},
  };
  const std::string path = Pack(entries);
  ReadDataFile(path);
  EXPECT_TRUE(data_file_loaded);
  ASSERT_EQ(data_file_entries.size(), entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(data_file_entries[i].name, entries[i].name);
    EXPECT_EQ(data_file_entries[i].data, entries[i].data);
    EXPECT_FALSE(data_file_entries[i].used);
  }
}

TEST_F(PackedFileTest, LayoutIsHeaderSizeAndOneZlibStream) {
  const std::string path = Pack({{"ab", Bytes("xyz"), false}});
  const std::vector<uint8_t> file = ReadWholeFile(path);
  const std::vector<uint8_t> expected = PackedFile(Chunk("ab", Bytes("xyz")));
  EXPECT_EQ(file, expected);
}

TEST_F(PackedFileTest, WriteLogsEveryFileAndTheSummary) {
  Pack({{"data/a.txt", Bytes("aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"), false}});
  EXPECT_THAT(written_log_, HasSubstr("Writing datafile "));
  EXPECT_THAT(written_log_, HasSubstr("..file: data/a.txt, 40 bytes\n"));
  EXPECT_THAT(written_log_, HasSubstr(" ..original file size:         64 bytes\n"));
}

TEST_F(PackedFileTest, IncompressibleDataPacksAndReportsItsGrowth) {
  // More bytes come out of zlib than go in: the buffer must allow for it and the summary must
  // not wrap around.
  const std::string path = Pack({{"noise", RandomBytes(5000, 2), false}});
  EXPECT_THAT(written_log_, ContainsRegex(" \\.\\.lost in compression: +-[0-9]+ bytes"));
  EXPECT_THAT(written_log_, ContainsRegex(" \\.\\.compression rate: +-[0-9.]+%"));
  ReadDataFile(path);
  ASSERT_EQ(data_file_entries.size(), 1u);
  EXPECT_EQ(data_file_entries[0].data, RandomBytes(5000, 2));
}

TEST_F(PackedFileTest, EmptySetPacksWithoutDividingByZero) {
  const std::string path = Pack({});
  EXPECT_THAT(written_log_, HasSubstr(" ..compression rate:            0%"));
  ReadDataFile(path);
  EXPECT_TRUE(data_file_entries.empty());
  EXPECT_TRUE(data_file_loaded);
}

TEST_F(PackedFileTest, FailedWriteIsFatalAndKeepsTheOldFile) {
  const std::string path = WriteFile("data.vtl", "the packed file of the last build");
  data_mode = DataMode::Write;
  AddDataFileEntry({"data/a.bin", RandomBytes(8192, 3), false});
  EXPECT_EXIT(
      {
        LimitFileSizeTo4KiB();
        WriteDataFile(path);
      },
      ExitedWithCode(1), "Failed to write file contents!");
  EXPECT_EQ(ReadWholeFile(path), Bytes("the packed file of the last build"));
  EXPECT_EQ(FilesIn(folder_), 1);
}

TEST_F(PackedFileTest, EmptyNameIsFatal) {
  data_mode = DataMode::Write;
  AddDataFileEntry({"", Bytes("x"), false});
  EXPECT_EXIT(WriteDataFile(PathOf("data.vtl")), ExitedWithCode(1), "Data filename is empty!");
}

TEST_F(PackedFileTest, ChunkStreamOf4GiBOrMoreCannotBePacked) {
  CheckChunkStreamSize(0xFFFFFFFFu);
  EXPECT_EXIT(CheckChunkStreamSize(0x100000000u), ExitedWithCode(1),
              "The files to pack add up to 4294967296 bytes; a data file holds at most 4294967295");
}

TEST_F(PackedFileTest, OnlyWriteModeWritesAndOnlyReadModeReads) {
  data_mode = DataMode::Read;
  WriteDataFile(PathOf("not-written.vtl"));
  EXPECT_FALSE(std::filesystem::exists(PathOf("not-written.vtl")));

  data_mode = DataMode::Disk;
  ReadDataFile(PathOf("missing.vtl"));  // would be fatal if it tried
  EXPECT_TRUE(data_file_loaded);
}

TEST_F(PackedFileTest, SecondReadDoesNothing) {
  const std::string path = Pack({{"a", Bytes("1"), false}});
  ReadDataFile(path);
  std::filesystem::remove(path);
  ReadDataFile(path);
  EXPECT_EQ(data_file_entries.size(), 1u);
}

TEST_F(PackedFileTest, DuplicateNamesAreRefusedOnlyWhenRequested) {
  const std::vector<uint8_t> stream = [] {
    std::vector<uint8_t> s = Chunk("dup", Bytes("1"));
    const std::vector<uint8_t> second = Chunk("dup", Bytes("2"));
    const std::vector<uint8_t> third = Chunk("other", Bytes("3"));
    s.insert(s.end(), second.begin(), second.end());
    s.insert(s.end(), third.begin(), third.end());
    return s;
  }();
  ReadDataFile(WriteVtl(PackedFile(stream)));
  ASSERT_EQ(data_file_entries.size(), 3u);
  EXPECT_EQ(GetFileBytes("other", "rb", false), Bytes("3"));
  EXPECT_THROW(GetFileBytes("dup", "rb", false), std::runtime_error);
}

// --- refusals ---

using PackedFileRefusalTest = PackedFileTest;

TEST_F(PackedFileRefusalTest, MissingAndEmptyFiles) {
  data_mode = DataMode::Read;
  EXPECT_EXIT(ReadDataFile(PathOf("none.vtl")), ExitedWithCode(1),
              "Failed to open data file .*none.vtl for reading.");
  EXPECT_EXIT(ReadDataFile(WriteVtl({})), ExitedWithCode(1), "Negative or zero file length: 0");
}

TEST_F(PackedFileRefusalTest, WrongMagic) {
  std::vector<uint8_t> file = PackedFile(Chunk("a", Bytes("1")));
  file[0] = 'W';
  EXPECT_EXIT(ReadDataFile(WriteVtl(file)), ExitedWithCode(1),
              "Unrecognized datafile header: Worantil Data File");
}

TEST_F(PackedFileRefusalTest, ShortHeaders) {
  const std::vector<uint8_t> file = PackedFile(Chunk("a", Bytes("1")));
  const auto cut = [&](size_t size) { return std::vector<uint8_t>(file.begin(), file.begin() + size); };
  EXPECT_EXIT(ReadDataFile(WriteVtl(cut(10))), ExitedWithCode(1), "Failed to read header!");
  EXPECT_EXIT(ReadDataFile(WriteVtl(cut(18))), ExitedWithCode(1), "Failed to read major version!");
  EXPECT_EXIT(ReadDataFile(WriteVtl(cut(19))), ExitedWithCode(1), "Failed to read minor version!");
  EXPECT_EXIT(ReadDataFile(WriteVtl(cut(22))), ExitedWithCode(1), "Failed to read chunk stream size!");
}

TEST_F(PackedFileRefusalTest, Version21) {
  const std::vector<uint8_t> stream = Chunk("a", Bytes("1"));
  EXPECT_EXIT(ReadDataFile(WriteVtl(PackedFile(stream, stream.size(), 2, 1))), ExitedWithCode(1),
              "Expected datafile format 2\\.0, got 2\\.1");
}

TEST_F(PackedFileRefusalTest, StreamShorterThanItsSizeField) {
  const std::vector<uint8_t> stream = Chunk("a", Bytes("12345"));
  const auto declared = static_cast<uint32_t>(stream.size() + 10);
  EXPECT_EXIT(ReadDataFile(WriteVtl(PackedFile(stream, declared))), ExitedWithCode(1),
              "destLen 20 is not equal to 30, which is surprising");
}

TEST_F(PackedFileRefusalTest, StreamLongerThanItsSizeField) {
  const std::vector<uint8_t> stream = Chunk("a", Bytes("12345"));
  const auto declared = static_cast<uint32_t>(stream.size() - 5);
  EXPECT_EXIT(ReadDataFile(WriteVtl(PackedFile(stream, declared))), ExitedWithCode(1),
              "Failed to unpack data file .*data.vtl: zlib error");
}

TEST_F(PackedFileRefusalTest, TruncatedStream) {
  const std::vector<uint8_t> stream = RandomBytes(4000, 3);
  std::vector<uint8_t> file = PackedFile(Chunk("noise", stream));
  file.resize(file.size() - 1000);
  EXPECT_EXIT(ReadDataFile(WriteVtl(file)), ExitedWithCode(1), "destLen [0-9]+ is not equal to 4019");
}

TEST_F(PackedFileRefusalTest, DamagedChecksum) {
  std::vector<uint8_t> file = PackedFile(Chunk("a", Bytes("payload")));
  file.back() ^= 0x01;
  EXPECT_EXIT(ReadDataFile(WriteVtl(file)), ExitedWithCode(1), "zlib error -3");
}

TEST_F(PackedFileRefusalTest, SizeFieldBeyondWhatTheStreamCanHold) {
  const std::vector<uint8_t> stream = Chunk("a", Bytes("1"));
  EXPECT_EXIT(ReadDataFile(WriteVtl(PackedFile(stream, 0xFFFFFFF0u))), ExitedWithCode(1),
              "destLen 16 is not equal to 4294967280, which is surprising");
}

TEST_F(PackedFileRefusalTest, WrongChunkMagicNamesTheChunk) {
  std::vector<uint8_t> stream = Chunk("first", Bytes("1"));
  const std::vector<uint8_t> bad = Chunk("VTLDFX", 1, 1, "b2");
  stream.insert(stream.end(), bad.begin(), bad.end());
  EXPECT_EXIT(ReadDataFile(WriteVtl(PackedFile(stream))), ExitedWithCode(1),
              "Unrecognized chunk header: VTLDFX\nRead 1 chunks, [0-9.e-]+ MB before this");
}

TEST_F(PackedFileRefusalTest, ChunkCutShortInItsHeader) {
  std::vector<uint8_t> stream = Chunk("first", Bytes("1"));
  const std::vector<uint8_t> bad = {'V', 'T', 'L', 'D', 'F', 'C', 1, 0};
  stream.insert(stream.end(), bad.begin(), bad.end());
  EXPECT_EXIT(ReadDataFile(WriteVtl(PackedFile(stream))), ExitedWithCode(1),
              "Chunk 1 at offset 20 is cut short: 8 bytes left for its 14-byte header");
}

TEST_F(PackedFileRefusalTest, ChunkRunningPastTheEnd) {
  const std::vector<uint8_t> by_data = Chunk("VTLDFC", 1, 100, "a123");
  EXPECT_EXIT(ReadDataFile(WriteVtl(PackedFile(by_data))), ExitedWithCode(1),
              "Chunk 0 at offset 0 runs past the end of the chunk stream: name 1 bytes, data 100 "
              "bytes, only 4 bytes left");
  // Lengths whose 32-bit sum wraps around to something small.
  const std::vector<uint8_t> wrapping = Chunk("VTLDFC", 0xFFFFFFFFu, 3, "abcd");
  EXPECT_EXIT(ReadDataFile(WriteVtl(PackedFile(wrapping))), ExitedWithCode(1),
              "Chunk 0 at offset 0 runs past the end");
}

TEST_F(PackedFileRefusalTest, StreamFaultsAreReportedBeforeChunkFaults) {
  // The chunks are unpacked as they are walked, yet a damaged stream must still be reported as
  // such, not as the first odd chunk it happens to produce.
  const std::vector<uint8_t> bad = Chunk("VTLDFX", 1, 1, "b2");
  EXPECT_EXIT(ReadDataFile(WriteVtl(PackedFile(bad, bad.size() + 10))), ExitedWithCode(1),
              "destLen 16 is not equal to 26");
}

// --- exporting the music ---

class ExportMp3Test : public PackedFileTest {
 protected:
  void SetUp() override {
    PackedFileTest::SetUp();
    previous_folder_ = std::filesystem::current_path();
    std::filesystem::create_directories(folder_ / "out");
    std::filesystem::current_path(folder_ / "out");
  }
  void TearDown() override {
    std::filesystem::current_path(previous_folder_);
    PackedFileTest::TearDown();
  }
  std::filesystem::path previous_folder_;
};

TEST_F(ExportMp3Test, WritesEveryEntryNamingMp3UnderItsBareName) {
  data_mode = DataMode::Read;
  AddDataFileEntry({"data/music/song.mp3", Bytes("ID3 song"), false});
  AddDataFileEntry({"data/music/song.ogg", Bytes("ogg"), false});
  AddDataFileEntry({"data/mp3s/cover.png", Bytes("png"), false});
  AddDataFileEntry({"data\\music\\win.mp3.bak", Bytes("win"), false});
  AddDataFileEntry({"loose.mp3", Bytes("loose"), false});
  ExportMp3();
  EXPECT_EQ(ReadWholeFile("song.mp3"), Bytes("ID3 song"));
  EXPECT_EQ(ReadWholeFile("cover.png"), Bytes("png"));
  EXPECT_EQ(ReadWholeFile("win.mp3.bak"), Bytes("win"));
  EXPECT_EQ(ReadWholeFile("loose.mp3"), Bytes("loose"));
  EXPECT_FALSE(std::filesystem::exists("song.ogg"));

  ASSERT_EQ(boxes().size(), 4u);
  EXPECT_EQ(boxes()[0].caption, "Success");
  EXPECT_EQ(boxes()[0].text, "Successfully exported song.mp3 to the current folder");
  EXPECT_EQ(boxes()[0].buttons, MessageBoxButtons::Ok);
  EXPECT_FALSE(boxes()[0].has_owner);
  EXPECT_EQ(boxes()[2].text, "Successfully exported win.mp3.bak to the current folder");
}

TEST_F(ExportMp3Test, OnlyInReadMode) {
  data_mode = DataMode::Write;
  EXPECT_EXIT(ExportMp3(), ExitedWithCode(1), "Can only get mp3 in read mode!");
}

TEST_F(ExportMp3Test, UncreatableOutputIsFatal) {
  data_mode = DataMode::Read;
  std::filesystem::create_directories("taken.mp3");
  AddDataFileEntry({"data/taken.mp3", Bytes("x"), false});
  EXPECT_EXIT(ExportMp3(), ExitedWithCode(1), "Failed to create output file for taken.mp3");
}

TEST_F(ExportMp3Test, FailedWriteIsFatalAndKeepsTheOldFile) {
  data_mode = DataMode::Read;
  WriteFile("out/song.mp3", "old song");
  AddDataFileEntry({"data/song.mp3", RandomBytes(8192, 4), false});
  EXPECT_EXIT(
      {
        LimitFileSizeTo4KiB();
        ExportMp3();
      },
      ExitedWithCode(1), "Failed to write output file song.mp3");
  EXPECT_EQ(ReadWholeFile("song.mp3"), Bytes("old song"));
  EXPECT_EQ(FilesIn(folder_ / "out"), 1);
}

}  // namespace
