#include "util/data/loadingscreen.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <memory>
#include <vector>

#include "program.h"
#include "support/gl_fixture.h"
#include "system/clock.h"
#include "tolmesystem.h"
#include "util/data/data.h"
#include "util/texture/texture.h"

namespace {

using Pixel = std::array<uint8_t, 4>;

// Each test starts far past any deadline an earlier test left behind.
uint32_t NextTestStartTick() {
  static uint32_t start = 1000000;
  start += 1000000;
  return start;
}

// A 400 x 300 picture (4:3, the aspect too, so the viewport is the whole target), a tick
// count the test moves by hand, and no Escape.
class LoadingScreenTest : public GLTest {
 protected:
  static constexpr int kWidth = 400;
  static constexpr int kHeight = 300;

  void SetUp() override {
    GLTest::SetUp();
    system_settings = std::make_unique<SystemSettings>();
    data_mode = DataMode::Disk;
    data_file_entries.clear();
    data_init_finished = false;
    loading_progress_count = 0;
    window_width = kWidth;
    window_height = kHeight;
    window_aspect = 4.0f / 3.0f;
    now_ = NextTestStartTick();
    SetTickSource([this] { return now_; });
    SetLoadingEscapeSource([] { return false; });
    target_ = std::make_unique<RenderTarget>(kWidth, kHeight);
    target_->Bind();
  }

  void TearDown() override {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    target_.reset();
    loading_screen_texture.reset();
    SetTickSource({});
    SetLoadingEscapeSource({});
    data_file_entries.clear();
    data_mode = DataMode::Disk;
    GLTest::TearDown();
  }

  // Packed data with `used` of `count` entries handed out.
  void UsePackedEntries(int used, int count) {
    data_mode = DataMode::Read;
    data_file_entries.assign(count, DataFileEntry{});
    for (int i = 0; i < used; ++i) data_file_entries[i].used = true;
  }

  // Pixel at fractions of the picture (y from the bottom).
  Pixel At(float x, float y) const {
    return target_->PixelAt(static_cast<int>(x * kWidth), static_cast<int>(y * kHeight));
  }

  int NonBlackPixels() const {
    const std::vector<uint8_t> pixels = target_->ReadPixels();
    int count = 0;
    for (size_t i = 0; i < pixels.size(); i += 4) count += (pixels[i] | pixels[i + 1] | pixels[i + 2]) ? 1 : 0;
    return count;
  }

  struct Call {
    uint32_t advance_ms;
    bool force;
    uint32_t count_after;  // the loose-file count moves by one on each redraw
  };

  void RunCalls(std::initializer_list<Call> calls) {
    uint32_t elapsed = 0;
    for (const Call& call : calls) {
      now_ += call.advance_ms;
      elapsed += call.advance_ms;
      UpdateLoadingScreen(1.0f, call.force);
      EXPECT_EQ(loading_progress_count, call.count_after)
          << (call.force ? "forced" : "unforced") << " call at " << elapsed << " ms";
    }
  }

  uint32_t now_ = 0;
  std::unique_ptr<RenderTarget> target_;
};

constexpr float kBarMiddle = 0.36f;

}  // namespace

TEST_F(LoadingScreenTest, UnforcedCallsRedrawAtMostEvery40Milliseconds) {
  // A forced call always redraws and moves the deadline on.
  RunCalls({{0, false, 1}, {10, false, 1}, {30, false, 2}, {1, true, 3}, {39, false, 3},
            {1, false, 4}});
}

TEST_F(LoadingScreenTest, TheDeadlineHoldsAcrossTheTickCountWrap) {
  now_ = 0xFFFFFFF0u;
  RunCalls({{0, true, 1}, {20, false, 1}, {20, false, 2}});  // the second call is at tick 4
}

TEST_F(LoadingScreenTest, LooseFileCountMovesOnlyOnRedrawsAndWrapsAt500) {
  uint32_t redraws = 0;
  for (int read = 0; read < 1000; ++read) {
    now_ += 15;
    const uint32_t before = loading_progress_count;
    UpdateLoadingScreen(1.0f, false);
    if (loading_progress_count != before) ++redraws;
  }
  EXPECT_EQ(redraws, 334u);  // every third read, 15 ms apart, starting with the first
  EXPECT_EQ(loading_progress_count, 334u);
  loading_progress_count = 499;
  UpdateLoadingScreen(1.0f, true);
  EXPECT_EQ(loading_progress_count, 0u);
}

TEST_F(LoadingScreenTest, NothingHappensOnceLoadingIsFinished) {
  data_init_finished = true;
  glClearColor(0.0f, 0.5f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glClearColor(0, 0, 0, 0);
  SetLoadingEscapeSource([] { return true; });  // not even Escape is looked at
  UpdateLoadingScreen(1.0f, true);
  EXPECT_EQ(loading_progress_count, 0u);
  EXPECT_TRUE(PixelNear(At(0.5f, 0.5f), {0, 128, 0, 255}, 1)) << PixelText(At(0.5f, 0.5f));
}

TEST_F(LoadingScreenTest, ProgressBarFillFollowsTheUsedEntries) {
  UsePackedEntries(10, 40);
  UpdateLoadingScreen(1.0f, true);
  EXPECT_EQ(loading_progress_count, 10u);
  // Fill from 0.28 to 0.28 + 0.44 * 0.25 = 0.39, at 0.75 brightness.
  EXPECT_TRUE(PixelNear(At(0.33f, kBarMiddle), {191, 191, 191, 191}, 2)) << PixelText(At(0.33f, kBarMiddle));
  EXPECT_EQ(At(0.45f, kBarMiddle)[0], 0);
  EXPECT_EQ(At(0.50f, 0.60f)[0], 0) << "no logo texture, nothing above the bar";
  for (int i = 10; i < 30; ++i) data_file_entries[i].used = true;
  UpdateLoadingScreen(1.0f, true);
  EXPECT_EQ(At(0.45f, kBarMiddle)[0], 191);
  EXPECT_EQ(At(0.70f, kBarMiddle)[0], 0);
  // The outline is there from the start: the top edge at 0.37 across the whole length.
  EXPECT_EQ(target_->PixelAt(static_cast<int>(0.70f * kWidth), static_cast<int>(0.37f * kHeight) - 1)[0], 191);
}

TEST_F(LoadingScreenTest, CompleteCountFadesLogoAndBarWithTheHold) {
  const std::vector<uint8_t> white(4 * 4 * 4, 255);
  loading_screen_texture = std::make_unique<Texture>("logo", white, 4, 4, 4, false, false,
                                                     GL_NEAREST, GL_NEAREST);
  UsePackedEntries(40, 40);
  UpdateLoadingScreen(0.5f, true);
  EXPECT_TRUE(PixelNear(At(0.5f, 0.6f), {128, 128, 128, 128}, 2)) << PixelText(At(0.5f, 0.6f));
  EXPECT_TRUE(PixelNear(At(0.6f, kBarMiddle), {96, 96, 96, 96}, 2)) << PixelText(At(0.6f, kBarMiddle));
  EXPECT_EQ(At(0.1f, 0.1f)[0], 0);
  // Progress outside 0..1 is clamped: the screen cannot get brighter than full.
  UpdateLoadingScreen(7.0f, true);
  EXPECT_TRUE(PixelNear(At(0.5f, 0.6f), {255, 255, 255, 255}, 1)) << PixelText(At(0.5f, 0.6f));
  UpdateLoadingScreen(-3.0f, true);
  EXPECT_EQ(NonBlackPixels(), 0);
}

TEST_F(LoadingScreenTest, EmptyPackedFileDrawsAnEmptyBar) {
  UsePackedEntries(0, 0);
  UpdateLoadingScreen(1.0f, true);
  EXPECT_EQ(At(0.33f, kBarMiddle)[0], 0);
  EXPECT_EQ(target_->PixelAt(static_cast<int>(0.5f * kWidth), static_cast<int>(0.37f * kHeight) - 1)[0], 191);
  EXPECT_TRUE(NoGLError());
}

TEST_F(LoadingScreenTest, CirclesGlowGrowsWithTheCountAndFadesWithProgress) {
  system_settings->loading_screen_kind = 2;
  UsePackedEntries(0, 40);
  UpdateLoadingScreen(1.0f, true);
  EXPECT_EQ(NonBlackPixels(), 0) << "no ring before anything is read";
  UsePackedEntries(20, 40);
  UpdateLoadingScreen(1.0f, true);
  const int lit = NonBlackPixels();
  EXPECT_GT(lit, 1000);
  // The glow is round about (0.1, 0.1): the same at the same distance on either side.
  for (const float d : {0.08f, 0.1f}) {  // both sides inside the picture
    const Pixel left = At(0.1f - d, 0.1f), right = At(0.1f + d, 0.1f);
    const Pixel below = At(0.1f, 0.1f - d), above = At(0.1f, 0.1f + d);
    EXPECT_TRUE(PixelNear(left, right, 4)) << d << ": " << PixelText(left) << " " << PixelText(right);
    EXPECT_TRUE(PixelNear(below, above, 4)) << d << ": " << PixelText(below) << " " << PixelText(above);
  }
  EXPECT_GT(At(0.1f + 0.06f, 0.1f)[0], At(0.1f + 0.2f, 0.1f)[0]) << "fades with distance";
  UpdateLoadingScreen(0.0f, true);
  EXPECT_EQ(NonBlackPixels(), 0) << "faded out at the end of the hold";
  UsePackedEntries(0, 0);  // no division by a zero total
  UpdateLoadingScreen(1.0f, true);
  EXPECT_EQ(NonBlackPixels(), 0);
  EXPECT_TRUE(NoGLError());
}

TEST_F(LoadingScreenTest, TextModeBarGrowsOnRows44To46) {
  system_settings->loading_screen_kind = 1;
  // A 4:3 picture of 400 x 300: a text cell is 5 x 6 pixels, rows 44-46 from the top are
  // 18 to 36 pixels above the bottom.
  // The picture is scaled down, so the edge pixels of a cell take some of their neighbours.
  auto cell_lit = [&](int column, int row) {
    for (int y = 1; y < 5; ++y) {
      for (int x = 1; x < 4; ++x) {
        if (target_->PixelAt(column * 5 + x, kHeight - (row + 1) * 6 + y)[0] != 0) return true;
      }
    }
    return false;
  };
  // The engine and its shaders are made on the first call, from loose files.
  UpdateLoadingScreen(1.0f, true);
  EXPECT_TRUE(cell_lit(0, 45));
  UsePackedEntries(0, 40);
  UpdateLoadingScreen(1.0f, true);
  EXPECT_TRUE(cell_lit(0, 44) && cell_lit(0, 45) && cell_lit(0, 46));
  EXPECT_FALSE(cell_lit(1, 45));
  EXPECT_FALSE(cell_lit(0, 43));
  EXPECT_FALSE(cell_lit(0, 47));
  UsePackedEntries(40, 40);
  UpdateLoadingScreen(1.0f, true);
  for (int column = 0; column < 4; ++column) EXPECT_TRUE(cell_lit(column, 46)) << column;
  EXPECT_FALSE(cell_lit(4, 46));
  EXPECT_TRUE(NoGLError());
}

TEST(LoadingViewport, LetterboxKeepsTheAspectCentred) {
  const ScreenRect wide = LoadingScreenViewport(2000, 600, 16.0f / 9.0f);
  EXPECT_EQ(wide.x, 467);
  EXPECT_EQ(wide.y, 0);
  EXPECT_EQ(wide.width, 1066);
  EXPECT_EQ(wide.height, 600);
  const ScreenRect tall = LoadingScreenViewport(800, 800, 16.0f / 9.0f);
  EXPECT_EQ(tall.x, 0);
  EXPECT_EQ(tall.y, 175);
  EXPECT_EQ(tall.width, 800);
  EXPECT_EQ(tall.height, 450);
}

TEST(LoadingViewport, DegenerateWindowsGiveAUsableViewport) {
  const ScreenRect no_height = LoadingScreenViewport(640, 0, 16.0f / 9.0f);
  EXPECT_GE(no_height.width, 1);
  EXPECT_GE(no_height.height, 1);
  const ScreenRect no_aspect = LoadingScreenViewport(640, 480, 0.0f);
  EXPECT_EQ(no_aspect.width, 640);
  EXPECT_EQ(no_aspect.height, 480);
  for (const float aspect : {0.0f, -1.0f, std::nanf(""), 1e30f}) {
    const ScreenRect empty = LoadingScreenViewport(0, 0, aspect);
    EXPECT_EQ(empty.width, 1) << aspect;
    EXPECT_EQ(empty.height, 1) << aspect;
  }
  const ScreenRect thin = LoadingScreenViewport(1, 1000, 16.0f / 9.0f);
  EXPECT_EQ(thin.width, 1);
  EXPECT_EQ(thin.height, 1);
  EXPECT_FLOAT_EQ(LoadingShare(3, 0), 0.0f);
}

TEST(LoadingScreenDeathTest, EscapeWhileLoadingEndsTheProcessWithCode1) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        data_init_finished = false;
        SetLoadingEscapeSource([] { return true; });
        UpdateLoadingScreen(1.0f, false);
      },
      ::testing::ExitedWithCode(1), "");
}

TEST_F(LoadingScreenTest, UnknownKindIsFatal) {
  system_settings->loading_screen_kind = 3;
  EXPECT_EXIT(UpdateLoadingScreen(1.0f, true), ::testing::ExitedWithCode(1), "Unknown loading screen");
}
