// The two text scenes: which pair of lines "textScene" picks, the faded colours, the face size
// from "textSize", and the printed lines where "textX" and "textY" put them.

#include <gtest/gtest.h>

#include <FTGL/ftgl.h>

#include <cmath>
#include <limits>
#include <map>
#include <string>

#include "scene_tracks.h"
#include "scenes/scene_morveltext/morveltext.h"
#include "scenes/scene_wm20text/wm20text.h"
#include "support/gl_fixture.h"
#include "tolmesystem.h"
#include "util/text/text.h"

namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST(TextScenesTest, LinePairThresholdsAreAtHalfAndOneAndAHalf) {
  const TextPairs wm20 = WM20Text::CreditPairs();
  const TextPairs morvel = MorvelText::PairsFor("murrow - tidewheel");
  struct Case {
    float text_scene;
    const char* wm20_first;
    const char* morvel_first;
  };
  const Case cases[] = {
      {-3.0f, "Velka", "murrow"},
      {0.0f, "Velka", "murrow"},
      {0.4999f, "Velka", "murrow"},
      {0.5f, "additional graphics:", "quenbry"},
      {1.4999f, "additional graphics:", "quenbry"},
      {1.5f, "Cindercoil", "quenbry"},
      {9.0f, "Cindercoil", "quenbry"},
      {kNaN, "Velka", "murrow"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WM20Text::PairFor(wm20, c.text_scene).first, c.wm20_first) << c.text_scene;
    EXPECT_EQ(WM20Text::PairFor(morvel, c.text_scene).first, c.morvel_first) << c.text_scene;
  }
  EXPECT_EQ(WM20Text::PairFor(wm20, 2.0f).second, "Wendmoor 2020");
  EXPECT_EQ(WM20Text::PairFor(morvel, 0.0f).second, "tidewheel");
}

TEST(TextScenesTest, MorvelTextPrintsTheRunningProductionsTitle) {
  const std::pair<const char*, const char*> cases[] = {
      {"murrow - tidewheel", "tidewheel"},
      {"murrow - saltglass", "saltglass"},
      {"Solo Title", "solo title"},
      {"a - b - c", "b - c"},
  };
  for (const auto& [title, word] : cases) EXPECT_EQ(MorvelText::TitleWord(title), word);
}

TEST(TextScenesTest, FadeScalesColourAndAlphaDownToTransparentBlack) {
  EXPECT_EQ(WM20Text::LineColour(1.0f, 0.5f, 0.25f, 0.0f), glm::vec4(0, 0, 0, 0));
  EXPECT_EQ(WM20Text::LineColour(1.0f, 0.5f, 0.25f, 0.5f), glm::vec4(0.5f, 0.25f, 0.125f, 0.5f));
  EXPECT_EQ(WM20Text::LineColour(1.0f, 0.0f, 1.0f, 1.0f), glm::vec4(1, 0, 1, 1));
}

TEST(TextScenesTest, FaceSizeIsTheTruncatedTrackHeldToTheFontsRange) {
  const std::pair<float, uint32_t> cases[] = {
      {64.0f, 64}, {64.9f, 64}, {1.0f, 1}, {0.5f, 1}, {-20.0f, 1}, {kNaN, 1}, {512.0f, 512},
      {1e9f, 512}, {std::numeric_limits<float>::infinity(), 512}};
  for (const auto& [track, size] : cases) EXPECT_EQ(WM20Text::FaceSizeFor(track), size) << track;
}

// The lit extent of a region of the target: pixels differing from the background.
struct Extent {
  int left = -1, right = -1, bottom = -1, top = -1;
  bool Empty() const { return left < 0; }
};

Extent LitExtent(const RenderTarget& target, int from_y, int to_y,
                 const std::array<uint8_t, 4>& background) {
  Extent extent;
  const std::vector<uint8_t> pixels = target.ReadPixels();
  for (int y = from_y; y < to_y; ++y) {
    for (int x = 0; x < target.width(); ++x) {
      if (PixelNear(PixelOf(pixels, target.width(), x, y), background, 60)) continue;
      if (extent.left < 0 || x < extent.left) extent.left = x;
      extent.right = std::max(extent.right, x);
      if (extent.bottom < 0) extent.bottom = y;
      extent.top = y;
    }
  }
  return extent;
}

class TextScenesGLTest : public SceneTracksTest {
 protected:
  void RenderMorvel(const std::map<std::string, float>& values) {
    std::map<std::string, float> all = values;
    for (const SceneTrack& track : WM20Text::Tracks()) all.emplace(track.name, track.default_value);
    WriteTracks(all);
    scene_.music = &MusicAt();
    scene_.Init();
    target_ = std::make_unique<RenderTarget>(kWidth, kHeight);
    target_->Bind();
    glClearColor(0.25f, 0.25f, 0.25f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0, 0, 0, 0);
    scene_.Resize(kWidth, kHeight);
    scene_.Render();
  }

  static constexpr int kWidth = 640;
  static constexpr int kHeight = 360;
  static constexpr std::array<uint8_t, 4> kGrey = {64, 64, 64, 255};
  MorvelText scene_;
  std::unique_ptr<RenderTarget> target_;
};

TEST_F(TextScenesGLTest, LinesAppearWhereTheirTracksPutThem) {
  RenderMorvel({{"textX", 0.25f}, {"textY", 0.6f}, {"textX2", 0.5f}, {"textY2", 0.2f},
                {"textSize", 64.0f}, {"textColR", 1.0f}, {"textColG", 1.0f}, {"textColB", 1.0f}});
  // Line 1 "murrow" and line 2 "tidewheel" start at their fractions of the target; letters
  // without descenders sit on the baseline.
  const Extent first = LitExtent(*target_, kHeight / 2, kHeight, kGrey);
  const Extent second = LitExtent(*target_, 0, kHeight / 2, kGrey);
  ASSERT_FALSE(first.Empty());
  ASSERT_FALSE(second.Empty());
  EXPECT_NEAR(first.left, 0.25 * kWidth, 6);
  EXPECT_NEAR(first.bottom, 0.6 * kHeight, 3);
  EXPECT_NEAR(second.left, 0.5 * kWidth, 6);
  EXPECT_NEAR(second.bottom, 0.2 * kHeight, 3);
  // 64-point text at half the 1280-pixel layout width: about 32 pixels high.
  EXPECT_NEAR(second.top - second.bottom, 0.7 * 32, 10);
  EXPECT_TRUE(NoGLError());
}

TEST_F(TextScenesGLTest, FadeZeroLeavesThePictureUnderLineOneUntouched) {
  RenderMorvel({{"textX", 0.1f}, {"textY", 0.6f}, {"textX2", 0.1f}, {"textY2", 0.2f},
                {"textFade", 0.0f}, {"textFade2", 1.0f}});
  const std::vector<uint8_t> pixels = target_->ReadPixels();
  for (int y = kHeight / 2; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      ASSERT_TRUE(PixelNear(PixelOf(pixels, kWidth, x, y), kGrey, 0)) << x << ", " << y;
    }
  }
  EXPECT_FALSE(LitExtent(*target_, 0, kHeight / 2, kGrey).Empty());
}

TEST_F(TextScenesGLTest, TheBoxAroundTheGlyphsKeepsThePicture) {
  RenderMorvel({{"textX", 0.1f}, {"textY", 0.6f}, {"textFade2", 0.0f}});
  // The line is drawn as a textured box; between and around the magenta glyphs the grey
  // stays, so nothing in the line's extent turns dark.
  const Extent line = LitExtent(*target_, kHeight / 2, kHeight, kGrey);
  ASSERT_FALSE(line.Empty());
  int grey = 0;
  const std::vector<uint8_t> pixels = target_->ReadPixels();
  for (int y = line.bottom; y <= line.top; ++y) {
    for (int x = line.left; x <= line.right; ++x) {
      const auto pixel = PixelOf(pixels, kWidth, x, y);
      ASSERT_GE(std::max(pixel[0], pixel[2]), 56) << x << ", " << y << PixelText(pixel);
      grey += PixelNear(pixel, kGrey, 0);
    }
  }
  EXPECT_GT(grey, (line.right - line.left) * (line.top - line.bottom) / 3);
}

TEST_F(TextScenesGLTest, APercentSignInANameIsPrintedAsItself) {
  system_settings->title = "murrow - 100%s%n%%";
  RenderMorvel({{"textX2", 0.1f}, {"textY2", 0.2f}, {"textFade", 0.0f}});
  const std::vector<uint8_t> by_scene = target_->ReadPixels();
  // Reading the font file may draw the loading screen: the target is bound after it.
  Text reference(WM20Text::kFontFile, WM20Text::kLoadFaceSize);
  target_->Bind();
  glClearColor(0.25f, 0.25f, 0.25f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glClearColor(0, 0, 0, 0);
  reference.Reshape(kWidth, kHeight);
  reference.SetGLState();
  reference.SetFaceSize(64);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4f(1, 1, 1, 1);
  reference.PrintAt(0.1f, 0.2f, 1.0f, "%s", "100%s%n%%");
  glDisable(GL_BLEND);
  EXPECT_EQ(target_->ReadPixels(), by_scene);
}

TEST_F(TextScenesGLTest, ATinyTargetKeepsTheTextLayoutSize) {
  RenderMorvel({});
  scene_.Resize(1, 1);
  EXPECT_EQ(scene_.text()->Width(), kWidth);
  EXPECT_EQ(scene_.text()->Height(), kHeight);
  scene_.Resize(320, 200);
  EXPECT_EQ(scene_.text()->Width(), 320);
}

}  // namespace
