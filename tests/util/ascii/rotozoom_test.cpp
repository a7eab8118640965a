#include "util/ascii/rotozoom.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <vector>

#include "support/gl_fixture.h"
#include "support/test_files.h"
#include "util/ascii/asciiengine.h"
#include "util/ascii/rawloader.h"

namespace {

// a x zoom x 10 / 4096 = 4096: one texel a cell.
constexpr int32_t kUnitZoom = 1677722;

class RotoZoomTest : public GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    RotoZoom::ResetPhaseClock();
    folder_ = MakeTemporaryFolder("rotozoom");
    // Texel (row r, column c) = (r + 2c) mod 16 before the remap.
    tile_bytes_.resize(65536);
    for (int r = 0; r < 256; ++r) {
      for (int c = 0; c < 256; ++c) tile_bytes_[r * 256 + c] = static_cast<uint8_t>((r + 2 * c) % 16);
    }
    engine_ = std::make_unique<AsciiEngine>();
    roto_ = std::make_unique<RotoZoom>(engine_.get(), WriteTestFile(folder_ / "tile.raw", tile_bytes_));
  }
  void TearDown() override {
    roto_.reset();
    engine_.reset();
    GLTest::TearDown();
  }

  uint8_t Texel(int row, int column) const {
    return kAsciiColourRemap[tile_bytes_[(row & 255) * 256 + (column & 255)]];
  }
  uint8_t Cell(int k, int j) const { return engine_->foreground[AsciiEngine::CellIndex(k, j)]; }

  std::filesystem::path folder_;
  std::vector<uint8_t> tile_bytes_;
  std::unique_ptr<AsciiEngine> engine_;
  std::unique_ptr<RotoZoom> roto_;
};

TEST_F(RotoZoomTest, TablesHoldOneSinePeriod) {
  EXPECT_EQ(roto_->table_a[0], 3276);
  EXPECT_EQ(roto_->table_b[0], 0);
  EXPECT_EQ(*std::min_element(roto_->table_a.begin(), roto_->table_a.end()), -819);
  EXPECT_EQ(*std::max_element(roto_->table_a.begin(), roto_->table_a.end()), 7372);
  EXPECT_EQ(*std::min_element(roto_->table_b.begin(), roto_->table_b.end()), -8191);
  EXPECT_EQ(*std::max_element(roto_->table_b.begin(), roto_->table_b.end()), 8191);
}

TEST_F(RotoZoomTest, IdentityShowsTheTileAsItIs) {
  roto_->render(1, 0, kUnitZoom);
  for (int j = 0; j < AsciiEngine::kRows; ++j) {
    for (int k = 0; k < AsciiEngine::kColumns; ++k) {
      ASSERT_EQ(Cell(k, j), Texel(j, k)) << k << "," << j;
      ASSERT_EQ(engine_->characters[AsciiEngine::CellIndex(k, j)], 219);
      ASSERT_EQ(engine_->background[AsciiEngine::CellIndex(k, j)], 0);
    }
  }
}

TEST_F(RotoZoomTest, AQuarterTurnWalksDownTheTileAndWrapsLeft) {
  roto_->render(0, 1, kUnitZoom);  // (du, dv) = (0, 1 texel): columns go down the tile
  for (int j = 0; j < AsciiEngine::kRows; ++j) {
    for (int k = 0; k < AsciiEngine::kColumns; ++k) ASSERT_EQ(Cell(k, j), Texel(k, -j)) << k << "," << j;
  }
}

TEST_F(RotoZoomTest, ZoomZeroFillsTheGridWithTheFirstTexel) {
  engine_->foreground.fill(77);
  tile_bytes_[0] = 5;
  roto_->loadTile(WriteTestFile(folder_ / "tile5.raw", tile_bytes_));
  roto_->render(1234, -999, 0);
  EXPECT_TRUE(std::all_of(engine_->foreground.begin(), engine_->foreground.end(),
                          [](uint8_t c) { return c == kAsciiColourRemap[5]; }));
}

TEST_F(RotoZoomTest, AShortTileThrowsAndKeepsTheOldOne) {
  const auto before = roto_->tile;
  const std::string name = WriteTestFile(folder_ / "short.raw", std::vector<uint8_t>(65535, 3));
  try {
    roto_->loadTile(name);
    FAIL() << "no exception";
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(std::string(error.what()),
              "RotoZoom::loadTile: File " + name + " is only 65535 bytes, expected 256x256 image!");
  }
  EXPECT_EQ(roto_->tile, before);
}

TEST_F(RotoZoomTest, PhasesMoveOncePerTwentyMilliseconds) {
  auto update_at = [&](uint32_t tick) {
    roto_->update(tick);
    return std::pair<uint32_t, uint32_t>(roto_->phase_a, roto_->phase_b);
  };
  using Phases = std::pair<uint32_t, uint32_t>;
  EXPECT_EQ(update_at(5000), Phases(0, 0));    // the first call starts the clock
  EXPECT_EQ(update_at(5001), Phases(255, 1));  // any time past the last step starts one
  EXPECT_EQ(update_at(5020), Phases(255, 1));  // that step covered up to 5020
  EXPECT_EQ(update_at(5061), Phases(252, 4));  // 41 ms: three steps, clock at 5080
  EXPECT_EQ(update_at(5080), Phases(252, 4));
  // A long stall moves the phases by the whole elapsed time at once.
  EXPECT_EQ(update_at(5080 + 20 * 1000), Phases((252 - 1000) & 255, (4 + 1000) & 255));
  // A jump back in the show starts the clock again there.
  EXPECT_EQ(update_at(6000), Phases((252 - 1000) & 255, (4 + 1000) & 255));
  EXPECT_EQ(update_at(6020), Phases((251 - 1000) & 255, (5 + 1000) & 255));
}

TEST_F(RotoZoomTest, UpdateRendersBeforeMovingThePhases) {
  roto_->phase_a = 10;
  roto_->phase_b = 200;
  roto_->update(7000);
  const auto written = engine_->foreground;
  roto_->render(roto_->table_a[10], roto_->table_a[(10 - 128) & 255], roto_->table_b[200]);
  EXPECT_EQ(engine_->foreground, written);
}

}  // namespace
