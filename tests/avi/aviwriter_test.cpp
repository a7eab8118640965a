// Capture files are checked with ffprobe and ffmpeg: stream layout, frame count, rates, and the
// decoded pixels and samples against what was written.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/run_command.h"
#include "support/test_files.h"
#include "system/aviwriter.h"

namespace fs = std::filesystem;

namespace {

nlohmann::json ProbeStreams(const fs::path& file) {
  CommandResult probe = RunCommand("ffprobe -v error -count_frames -show_streams -of json '" +
                                   file.string() + "'");
  EXPECT_EQ(probe.exit_code, 0) << probe.output;
  return nlohmann::json::parse(probe.output)["streams"];
}

// Decodes one stream to raw bytes; errors of the decoder fail the test.
std::vector<uint8_t> Decode(const fs::path& file, const std::string& output_options) {
  const fs::path raw = file.string() + ".raw";
  CommandResult decode = RunCommand("ffmpeg -nostdin -v error -xerror -y -i '" + file.string() + "' " +
                                    output_options + " '" + raw.string() + "' 2>&1");
  EXPECT_EQ(decode.exit_code, 0) << decode.output;
  EXPECT_EQ(decode.output, "");
  return ReadWholeFile(raw);
}

std::vector<uint8_t> DecodeVideo(const fs::path& file) {
  return Decode(file, "-map 0:v -f rawvideo -pix_fmt bgr24");
}

std::vector<uint8_t> DecodeAudio(const fs::path& file) { return Decode(file, "-map 0:a -f s16le"); }

// A bottom-up BGR frame with packed rows whose every byte tells frame, row and column apart.
std::vector<uint8_t> MakeFrame(int width, int height, int frame) {
  std::vector<uint8_t> bytes(static_cast<size_t>(width) * height * 3);
  for (int row = 0; row < height; ++row)
    for (int column = 0; column < width; ++column) {
      uint8_t* pixel = &bytes[(static_cast<size_t>(row) * width + column) * 3];
      pixel[0] = static_cast<uint8_t>(column * 7 + frame * 50);
      pixel[1] = static_cast<uint8_t>(row * 5);
      pixel[2] = static_cast<uint8_t>(frame * 40 + 3);
    }
  return bytes;
}

// The same picture with rows padded to 4 bytes, as glReadPixels gives by default.
std::vector<uint8_t> PadRows(const std::vector<uint8_t>& packed, int width, int height) {
  const size_t row = static_cast<size_t>(width) * 3, stride = AVIWriter::RowBytes(width);
  std::vector<uint8_t> padded(stride * height, 0xEE);
  for (int y = 0; y < height; ++y) std::copy_n(&packed[y * row], row, &padded[y * stride]);
  return padded;
}

// Rows in top-down order, as decoders hand pictures out.
std::vector<uint8_t> TopDown(const std::vector<uint8_t>& bottom_up, int width, int height) {
  const size_t row = static_cast<size_t>(width) * 3;
  std::vector<uint8_t> flipped(bottom_up.size());
  for (int y = 0; y < height; ++y) std::copy_n(&bottom_up[y * row], row, &flipped[(height - 1 - y) * row]);
  return flipped;
}

// One frame's share of a 44.1 kHz stereo 16-bit tone.
std::vector<uint8_t> MakeAudio(int frame) {
  constexpr int kBlocks = 44100 / 30;
  std::vector<uint8_t> bytes(kBlocks * 4);
  for (int i = 0; i < kBlocks * 2; ++i) {
    const int16_t sample = static_cast<int16_t>((frame * kBlocks * 2 + i) * 37 % 20000 - 10000);
    bytes[i * 2] = static_cast<uint8_t>(sample);
    bytes[i * 2 + 1] = static_cast<uint8_t>(static_cast<uint16_t>(sample) >> 8);
  }
  return bytes;
}

uint32_t U32At(const std::vector<uint8_t>& bytes, size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

std::string FourCCAt(const std::vector<uint8_t>& bytes, size_t at) {
  return std::string(bytes.begin() + at, bytes.begin() + at + 4);
}

struct IndexEntry {
  std::string id;
  uint32_t flags;
  std::string chunk_at_offset;  // the id found where the entry points
  uint32_t size;
};

// The "idx1" entries of a file, each followed to the chunk it names inside "movi".
std::vector<IndexEntry> ReadIndex(const fs::path& file) {
  const std::vector<uint8_t> bytes = ReadWholeFile(file);
  std::vector<IndexEntry> entries;
  size_t movi = 0;
  for (size_t at = 12; at + 8 <= bytes.size(); at += 8 + ((U32At(bytes, at + 4) + 1) & ~1u)) {
    if (FourCCAt(bytes, at) == "LIST" && FourCCAt(bytes, at + 8) == "movi") movi = at + 8;
    if (FourCCAt(bytes, at) != "idx1") continue;
    for (size_t e = at + 8; e + 16 <= at + 8 + U32At(bytes, at + 4); e += 16) {
      const size_t chunk = movi + U32At(bytes, e + 8);
      entries.push_back({FourCCAt(bytes, e), U32At(bytes, e + 4),
                         chunk + 8 <= bytes.size() ? FourCCAt(bytes, chunk) : "", U32At(bytes, e + 12)});
    }
  }
  return entries;
}

class AviWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("avi_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" +
               std::to_string(getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    SetCompressionOptionsHandler({});
  }
  void TearDown() override {
    SetCompressionOptionsHandler({});
    fs::remove_all(folder_);
  }

  void OpenCapture(int width, int height) {
    writer_.Prepare((folder_ / "Capture.avi").string());
    ASSERT_TRUE(writer_.Open());
    writer_.width = width;
    writer_.height = height;
    writer_.SetAudioFormat(MakePcmWaveFormat(2, 44100, 16));
  }

  // Frames and audio as the frame loop writes them: the frame first, then its audio.
  void WriteFrames(int count, int first = 0) {
    for (int f = first; f < first + count; ++f) {
      ASSERT_TRUE(writer_.WriteFrame(MakeFrame(writer_.width, writer_.height, f)));
      ASSERT_TRUE(writer_.WriteAudio(MakeAudio(f)));
    }
  }

  fs::path Part(int number) const {
    char name[32];
    std::snprintf(name, sizeof(name), "Capture.%02d.avi", number);
    return folder_ / name;
  }

  fs::path folder_;
  AVIWriter writer_;
};

TEST_F(AviWriterTest, FfprobeReadsRawVideoAt30FramesPerSecondAndStereoPcm) {
  OpenCapture(64, 48);
  WriteFrames(5);
  writer_.Close();

  const nlohmann::json streams = ProbeStreams(Part(1));
  ASSERT_EQ(streams.size(), 2u);
  EXPECT_EQ(streams[0]["codec_name"], "rawvideo");
  EXPECT_EQ(streams[0]["pix_fmt"], "bgr24");
  EXPECT_EQ(streams[0]["width"], 64);
  EXPECT_EQ(streams[0]["height"], 48);
  EXPECT_EQ(streams[0]["r_frame_rate"], "30/1");
  EXPECT_EQ(streams[0]["nb_read_frames"], "5");
  EXPECT_EQ(streams[1]["codec_name"], "pcm_s16le");
  EXPECT_EQ(streams[1]["sample_rate"], "44100");
  EXPECT_EQ(streams[1]["channels"], 2);
}

TEST_F(AviWriterTest, IndexListsEveryChunkAsKeyFrame) {
  OpenCapture(64, 48);
  WriteFrames(2);
  writer_.Close();

  const std::vector<IndexEntry> index = ReadIndex(Part(1));
  ASSERT_EQ(index.size(), 4u);
  const std::vector<std::string> ids = {"00db", "01wb", "00db", "01wb"};
  for (size_t i = 0; i < index.size(); ++i) {
    EXPECT_EQ(index[i].id, ids[i]);
    EXPECT_EQ(index[i].chunk_at_offset, ids[i]);
    EXPECT_EQ(index[i].flags, 0x10u);
    EXPECT_EQ(index[i].size, i % 2 == 0 ? 64u * 48 * 3 : MakeAudio(0).size());
  }
}

TEST_F(AviWriterTest, DecodedPicturesAndSamplesEqualWhatWasWritten) {
  OpenCapture(64, 48);
  WriteFrames(3);
  writer_.Close();

  const std::vector<uint8_t> video = DecodeVideo(Part(1));
  const size_t frame_size = 64 * 48 * 3;
  ASSERT_EQ(video.size(), 3 * frame_size);
  // Frames are stored bottom-up; the decoded first frame is the written one turned upright.
  const std::vector<uint8_t> first(video.begin(), video.begin() + frame_size);
  EXPECT_EQ(first, TopDown(MakeFrame(64, 48, 0), 64, 48));
  const std::vector<uint8_t> last(video.end() - frame_size, video.end());
  EXPECT_EQ(last, TopDown(MakeFrame(64, 48, 2), 64, 48));

  std::vector<uint8_t> audio;
  for (int f = 0; f < 3; ++f) {
    const std::vector<uint8_t> chunk = MakeAudio(f);
    audio.insert(audio.end(), chunk.begin(), chunk.end());
  }
  EXPECT_EQ(DecodeAudio(Part(1)), audio);
}

TEST_F(AviWriterTest, WidthsWhoseRowsNeedPaddingDecodeFromPackedOrPaddedRows) {
  for (int width : {5, 63, 1366}) {
    SCOPED_TRACE(width);
    const int height = 6;
    OpenCapture(width, height);
    const std::vector<uint8_t> picture = MakeFrame(width, height, 1);
    ASSERT_TRUE(writer_.WriteFrame(picture));
    ASSERT_TRUE(writer_.WriteFrame(PadRows(picture, width, height)));
    writer_.Close();

    const nlohmann::json streams = ProbeStreams(Part(1));
    EXPECT_EQ(streams[0]["width"], width);
    EXPECT_EQ(streams[0]["nb_read_frames"], "2");
    // Stored rows are padded to 4 bytes, as bitmap readers expect.
    const uint32_t stored_row = (width * 3 + 3) / 4 * 4;
    for (const IndexEntry& entry : ReadIndex(Part(1))) EXPECT_EQ(entry.size, stored_row * height);
    const std::vector<uint8_t> video = DecodeVideo(Part(1));
    const std::vector<uint8_t> upright = TopDown(picture, width, height);
    ASSERT_EQ(video.size(), 2 * upright.size());
    EXPECT_TRUE(std::equal(upright.begin(), upright.end(), video.begin()));
    EXPECT_TRUE(std::equal(upright.begin(), upright.end(), video.begin() + upright.size()));
  }
}

TEST_F(AviWriterTest, FrameOfAnyOtherSizeIsRefused) {
  OpenCapture(63, 6);
  EXPECT_FALSE(writer_.WriteFrame(std::vector<uint8_t>(63 * 6 * 3 - 1)));
  EXPECT_FALSE(writer_.WriteFrame(std::vector<uint8_t>(65 * 6 * 3)));
}

TEST_F(AviWriterTest, FullPartContinuesInNextNumberedFileWithItsOwnStreams) {
  // Three frames with their audio fill a part: 3 x (9216 + 5880) bytes >= 40000.
  int asked = 0;
  SetCompressionOptionsHandler([&asked] {
    ++asked;
    return CompressionChoice::Uncompressed;
  });
  OpenCapture(64, 48);
  writer_.SetPartByteLimit(40000);
  WriteFrames(6);
  EXPECT_EQ(writer_.PartNumber(), 2);
  writer_.Close();

  EXPECT_EQ(asked, 1);
  EXPECT_FALSE(fs::exists(Part(3)));
  for (int part : {1, 2}) {
    SCOPED_TRACE(part);
    const nlohmann::json streams = ProbeStreams(Part(part));
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[0]["nb_read_frames"], "3");
    EXPECT_EQ(streams[1]["codec_name"], "pcm_s16le");
    const std::vector<uint8_t> video = DecodeVideo(Part(part));
    ASSERT_EQ(video.size(), 3u * 64 * 48 * 3);
    const std::vector<uint8_t> first(video.begin(), video.begin() + 64 * 48 * 3);
    EXPECT_EQ(first, TopDown(MakeFrame(64, 48, (part - 1) * 3), 64, 48));
    EXPECT_EQ(DecodeAudio(Part(part)).size(), 3u * MakeAudio(0).size());
  }
}

TEST_F(AviWriterTest, PaddedRowsSurviveTheRollOver) {
  OpenCapture(63, 8);
  writer_.SetPartByteLimit(1);  // every frame after the first starts a new part
  WriteFrames(2);
  writer_.Close();
  const std::vector<uint8_t> video = DecodeVideo(Part(2));
  EXPECT_EQ(video, TopDown(MakeFrame(63, 8, 1), 63, 8));
}

TEST_F(AviWriterTest, FailedRollOverReportsFailureAndKeepsFinishedPart) {
  OpenCapture(64, 48);
  writer_.SetPartByteLimit(20000);
  fs::create_directory(Part(2));  // the next part cannot be created
  WriteFrames(2);
  EXPECT_FALSE(writer_.WriteFrame(MakeFrame(64, 48, 2)));
  EXPECT_FALSE(writer_.WriteFrame(MakeFrame(64, 48, 3)));
  EXPECT_FALSE(writer_.WriteAudio(MakeAudio(3)));
  EXPECT_FALSE(writer_.IsOpen());
  EXPECT_EQ(ProbeStreams(Part(1))[0]["nb_read_frames"], "2");
}

TEST_F(AviWriterTest, CancelledCompressorChoiceFailsOpenAndLeavesNoFile) {
  SetCompressionOptionsHandler([] { return CompressionChoice::Cancel; });
  writer_.Prepare((folder_ / "Capture.avi").string());
  EXPECT_FALSE(writer_.Open());
  EXPECT_FALSE(writer_.IsOpen());
  EXPECT_FALSE(fs::exists(Part(1)));
  writer_.width = 64;
  writer_.height = 48;
  EXPECT_FALSE(writer_.WriteFrame(MakeFrame(64, 48, 0)));
}

TEST_F(AviWriterTest, FrameBeforeSizeIsKnownWritesNothing) {
  writer_.Prepare((folder_ / "Capture.avi").string());
  ASSERT_TRUE(writer_.Open());
  EXPECT_FALSE(writer_.WriteFrame(MakeFrame(1, 1, 0)));
  EXPECT_FALSE(writer_.HasVideoFormat());
  writer_.Close();
  EXPECT_FALSE(fs::exists(Part(1)));
}

TEST_F(AviWriterTest, FrameSizeChangedAfterTheFormatIsRefused) {
  OpenCapture(16, 8);
  WriteFrames(1);
  writer_.width = 32;
  EXPECT_FALSE(writer_.WriteFrame(MakeFrame(32, 8, 1)));
  writer_.width = 16;
  WriteFrames(1, 1);
  writer_.Close();
  EXPECT_EQ(ProbeStreams(Part(1))[0]["nb_read_frames"], "2");
}

TEST_F(AviWriterTest, OpeningAgainStartsTheSamePartAfreshAndKeepsIt) {
  OpenCapture(16, 8);
  WriteFrames(3);
  ASSERT_TRUE(writer_.Open());
  ASSERT_TRUE(writer_.SetVideoFormat());
  WriteFrames(1);
  writer_.Close();
  ASSERT_TRUE(fs::exists(Part(1)));
  EXPECT_EQ(ProbeStreams(Part(1))[0]["nb_read_frames"], "1");
}

TEST_F(AviWriterTest, DestroyingAnOpenWriterFinishesItsFile) {
  {
    AVIWriter writer;
    writer.Prepare((folder_ / "Capture.avi").string());
    ASSERT_TRUE(writer.Open());
    writer.width = 8;
    writer.height = 8;
    ASSERT_TRUE(writer.WriteFrame(MakeFrame(8, 8, 0)));
  }
  EXPECT_EQ(ProbeStreams(Part(1))[0]["nb_read_frames"], "1");
}

}  // namespace

namespace {

AviStreamHeader StreamHeader(const char* type) {
  AviStreamHeader header;
  header.type = type;
  header.scale = 1;
  header.rate = 30;
  return header;
}

TEST(AviFileTest, PartThatHoldsFramesIsKeptWhenItsFinishFails) {
  const fs::path path = MakeTemporaryFolder("avifile") / "Part.avi";
  auto file = AviFile::Create(path.string());
  ASSERT_NE(file, nullptr);
  const int video = file->AddStream(StreamHeader("vids"));
  ASSERT_TRUE(file->SetStreamFormat(video, std::vector<uint8_t>(40, 1)));
  ASSERT_GT(file->WriteChunk(video, std::vector<uint8_t>(48, 7), 1), 0u);
  file->AddStream(StreamHeader("auds"));  // never given a format: the finish must fail
  EXPECT_FALSE(file->Finish());
  EXPECT_TRUE(fs::exists(path));
  EXPECT_GT(fs::file_size(path), 48u);
  fs::remove_all(path.parent_path());
}

}  // namespace
