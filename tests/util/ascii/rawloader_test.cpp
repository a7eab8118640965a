#include "util/ascii/rawloader.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "support/gl_fixture.h"
#include "support/messagebox_recorder.h"
#include "support/test_files.h"
#include "util/ascii/asciiengine.h"

namespace {

// A picture whose pixel (x, y) is never 0: 1 + (x + 3y) mod 15, so positions can be told apart.
std::vector<uint8_t> NumberedPicture(int width, int height) {
  std::vector<uint8_t> bytes(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) bytes[y * width + x] = static_cast<uint8_t>(1 + (x + 3 * y) % 15);
  }
  return bytes;
}

class RawLoaderTest : public GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    folder_ = MakeTemporaryFolder("rawloader");
    engine_ = std::make_unique<AsciiEngine>();
    engine_->characters.fill(7);
    engine_->foreground.fill(9);
    engine_->background.fill(9);
  }
  void TearDown() override {
    engine_.reset();
    GLTest::TearDown();
  }

  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    return WriteTestFile(folder_ / name, bytes);
  }

  // The cell is exactly as SetUp left it.
  bool Untouched(int k, int j) const {
    const int cell = AsciiEngine::CellIndex(k, j);
    return engine_->characters[cell] == 7 && engine_->foreground[cell] == 9 &&
           engine_->background[cell] == 9;
  }

  std::filesystem::path folder_;
  std::unique_ptr<AsciiEngine> engine_;
};

TEST_F(RawLoaderTest, RemapsFileColoursToEngineColours) {
  std::vector<uint8_t> bytes;
  for (uint8_t i = 0; i < 16; ++i) bytes.push_back(i);
  bytes.push_back(99);  // bytes past the picture are ignored
  RawLoader loader(engine_.get(), Write("ramp.raw", bytes), 4, 4);
  // Red and blue (bits 0 and 2) change places; green and brightness stay.
  EXPECT_EQ(loader.picture, (std::vector<uint8_t>{0, 4, 2, 6, 1, 5, 3, 7, 8, 12, 10, 14, 9, 13, 11, 15}));
}

TEST_F(RawLoaderTest, BytesAboveFifteenKeepTheirLowFourBits) {
  RawLoader loader(engine_.get(), Write("high.raw", {0x11, 0xF4}), 2, 1);
  EXPECT_EQ(loader.picture, (std::vector<uint8_t>{4, 1}));
}

TEST_F(RawLoaderTest, DrawPlacesPicturePixelXYAtTheTopLeftCell) {
  const int width = 300;
  const int height = 80;
  const std::vector<uint8_t> bytes = NumberedPicture(width, height);
  RawLoader loader(engine_.get(), Write("wide.raw", bytes), width, height);
  loader.draw(-5, 0);
  for (int j = 0; j < AsciiEngine::kRows; ++j) {
    for (int k = 0; k < 5; ++k) EXPECT_TRUE(Untouched(k, j)) << k << "," << j;
    for (int k = 5; k < AsciiEngine::kColumns; ++k) {
      const int cell = AsciiEngine::CellIndex(k, j);
      ASSERT_EQ(engine_->characters[cell], 219);
      ASSERT_EQ(engine_->foreground[cell], kAsciiColourRemap[bytes[j * width + k - 5]]) << k << "," << j;
      ASSERT_EQ(engine_->background[cell], 0);
    }
  }

  loader.draw(250, 70);  // only 50 x 10 pixels remain in the picture
  EXPECT_EQ(engine_->foreground[AsciiEngine::CellIndex(49, 9)],
            kAsciiColourRemap[bytes[79 * width + 299]]);
  EXPECT_EQ(engine_->foreground[AsciiEngine::CellIndex(0, 0)], kAsciiColourRemap[bytes[70 * width + 250]]);
}

TEST_F(RawLoaderTest, ColourZeroAndCellsOutsideThePictureStayUntouched) {
  std::vector<uint8_t> bytes = NumberedPicture(10, 6);
  bytes[2 * 10 + 3] = 0;
  RawLoader loader(engine_.get(), Write("small.raw", bytes), 10, 6);
  loader.draw(0, 0);
  EXPECT_TRUE(Untouched(3, 2));
  EXPECT_FALSE(Untouched(4, 2));
  EXPECT_FALSE(Untouched(9, 5));
  EXPECT_TRUE(Untouched(10, 0));
  EXPECT_TRUE(Untouched(0, 6));
  EXPECT_TRUE(Untouched(79, 49));
}

using RawLoaderDeathTest = RawLoaderTest;

TEST_F(RawLoaderDeathTest, AShortFileIsFatal) {
  const std::string name = Write("short.raw", std::vector<uint8_t>(11, 1));
  EXPECT_EXIT(
      {
        EchoMessageBoxesToStderr();
        RawLoader(nullptr, name, 3, 4);
      },
      ::testing::ExitedWithCode(1), "File .*short.raw is only 11 bytes, expected 3x4 image!");
}

TEST_F(RawLoaderDeathTest, ANonPositiveSizeIsFatal) {
  const std::string name = Write("any.raw", std::vector<uint8_t>(4, 1));
  EXPECT_EXIT(
      {
        EchoMessageBoxesToStderr();
        RawLoader(nullptr, name, -2, -2);
      },
      ::testing::ExitedWithCode(1), "has no size \\(-2x-2\\)");
}

}  // namespace
