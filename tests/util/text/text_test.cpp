// Text printed through FTGL and read back: colour, the width-relative scale, the stretch, and
// the cut of over-long text; plus the fonts the productions use.

#include <gtest/gtest.h>

#include <FTGL/ftgl.h>
#include <cstdarg>
#include <filesystem>
#include <string>

#include "support/messagebox_recorder.h"
#include "support/gl2_draw.h"
#include "util/text/text.h"

namespace {

constexpr const char* kHudFont = "data/common/fonts/digital-7__mono_.ttf";
constexpr const char* kFonts[] = {"data/common/fonts/digital-7__mono_.ttf",
                                  "data/common/fonts/GeosansLight.ttf",
                                  "data/common/fonts/courier_new_bold.ttf"};

void RequireFonts() {
  for (const char* font : kFonts) {
    ASSERT_TRUE(std::filesystem::exists(font)) << font << " missing: run tools/generate-data.sh";
  }
}

// The lit extent of the target: first and last lit column and row.
struct Extent {
  int left = -1, right = -1, bottom = -1, top = -1;
  int Width() const { return right - left + 1; }
  int Height() const { return top - bottom + 1; }
};

Extent LitExtent(const RenderTarget& target) {
  const std::vector<uint8_t> pixels = target.ReadPixels();
  Extent extent;
  for (int y = 0; y < target.height(); ++y) {
    for (int x = 0; x < target.width(); ++x) {
      if (pixels[(static_cast<size_t>(y) * target.width() + x) * 4 + 3] < 128) continue;
      if (extent.left < 0 || x < extent.left) extent.left = x;
      if (x > extent.right) extent.right = x;
      if (extent.bottom < 0) extent.bottom = y;
      extent.top = y;
    }
  }
  return extent;
}

class TextTest : public GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    RequireFonts();
    // Made here, once the fixture has a context current.
    target_ = std::make_unique<RenderTarget>(1920, 160);
  }

  // Prints into a cleared target after the text's own GL set-up.
  Extent PrintAndMeasure(Text& text, int width, int height, float x, float y, float stretch,
                         const char* string) {
    ClearTarget(*target_);
    text.Reshape(width, height);
    text.SetGLState();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    text.PrintAt(x, y, stretch, "%s", string);
    glDisable(GL_BLEND);
    return LitExtent(*target_);
  }

  std::unique_ptr<RenderTarget> target_;
};

TEST_F(TextTest, PrintsWhiteUnlessTheCallerSetsAColour) {
  Text text(kHudFont, 64);
  const Extent extent = PrintAndMeasure(text, 1280, 160, 0.1f, 0.25f, 1.0f, "HELLO");
  ASSERT_GT(extent.Width(), 10);
  // The middle of the first letter's stem is full white.
  bool found_white = false;
  const std::vector<uint8_t> pixels = target_->ReadPixels();
  for (size_t i = 0; i < pixels.size(); i += 4) {
    if (pixels[i] == 255 && pixels[i + 1] == 255 && pixels[i + 2] == 255) found_white = true;
    ASSERT_EQ(pixels[i], pixels[i + 1]);  // grey levels only: no colour cast
  }
  EXPECT_TRUE(found_white);

  ClearTarget(*target_);
  text.SetGLState();
  glColor4f(1, 0, 0, 1);
  text.PrintAt(0.1f, 0.25f, 1.0f, "HELLO");
  const std::vector<uint8_t> red = target_->ReadPixels();
  for (size_t i = 0; i < red.size(); i += 4) ASSERT_EQ(red[i + 1], 0);
  EXPECT_TRUE(NoGLError());
}

TEST_F(TextTest, PrintAtStartsAtTheFractionOfTheDrawingArea) {
  // A face whose capitals stand on the baseline (the segment display face lifts its digits).
  Text text(kFonts[1], 64);
  const Extent extent = PrintAndMeasure(text, 1280, 160, 0.5f, 0.5f, 1.0f, "HHH");
  // The baseline origin is the centre; an H sits on the baseline just right of it.
  EXPECT_NEAR(extent.left, 640, 12);
  EXPECT_NEAR(extent.bottom, 80, 2);
}

TEST_F(TextTest, WidthFollowsTheWindowWidth) {
  Text text(kHudFont, 64);
  const Extent full = PrintAndMeasure(text, 1280, 160, 0.0f, 0.25f, 1.0f, "HELLO WORLD");
  const Extent half = PrintAndMeasure(text, 640, 160, 0.0f, 0.25f, 1.0f, "HELLO WORLD");
  const Extent large = PrintAndMeasure(text, 1920, 160, 0.0f, 0.25f, 1.0f, "HELLO WORLD");
  ASSERT_GT(half.Width(), 20);
  EXPECT_NEAR(full.Width(), 2.0 * half.Width(), 3.0);
  EXPECT_NEAR(full.Height(), 2.0 * half.Height(), 3.0);
  EXPECT_NEAR(large.Width(), 1.5 * full.Width(), 3.0);
}

TEST_F(TextTest, StretchWidensOnly) {
  Text text(kHudFont, 48);
  const Extent plain = PrintAndMeasure(text, 1280, 160, 0.0f, 0.25f, 1.0f, "HELLO");
  const Extent wide = PrintAndMeasure(text, 1280, 160, 0.0f, 0.25f, 2.0f, "HELLO");
  EXPECT_NEAR(wide.Width(), 2.0 * plain.Width(), 3.0);
  EXPECT_EQ(wide.Height(), plain.Height());
}

TEST_F(TextTest, TextBeyond255CharactersIsCut) {
  Text text(kHudFont, 32);
  // 255 blanks, then letters: the letters lie past the cut and never print.
  const std::string line = std::string(255, ' ') + "WWWW";
  const Extent extent = PrintAndMeasure(text, 1280, 160, 0.0f, 0.25f, 1.0f, line.c_str());
  EXPECT_EQ(extent.left, -1);
  const char* no_format = nullptr;
  text.Print(no_format);  // prints nothing and does not fail
  EXPECT_EQ(LitExtent(*target_).left, -1);
  EXPECT_TRUE(NoGLError());
}

TEST_F(TextTest, OutlineTypeUsesTheFlatColourProgram) {
  Text text(kHudFont, 64);
  text.font_type = TextFontType::Outline;
  text.Reshape(1280, 160);
  text.SetGLState();
  GLint program = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &program);
  EXPECT_NE(program, 0);
  text.font_type = TextFontType::Buffer;
  text.UseShader();
  GLint buffer_program = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &buffer_program);
  EXPECT_NE(buffer_program, program);
  EXPECT_TRUE(NoGLError());
}

std::string Format(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  std::string text = FormatPrintText(format, arguments);
  va_end(arguments);
  return text;
}

TEST(TextFormat, FormatsPrintfStyleAndCutsAt255) {
  EXPECT_EQ(Format("%d fps %.1f", 60, 2.25), "60 fps 2.2");
  const std::string long_text(400, 'x');
  EXPECT_EQ(Format("%s", long_text.c_str()), std::string(255, 'x'));
}

TEST(TextFonts, EveryProductionFontHasAUnicodeMapAndPrintableAscii) {
  RequireFonts();
  for (const char* path : kFonts) {
    FTBufferFont font(path);
    ASSERT_EQ(font.Error(), 0) << path;
    EXPECT_TRUE(font.CharMap(ft_encoding_unicode)) << path;
    ASSERT_TRUE(font.FaceSize(32, 72)) << path;
    for (char c = '!'; c <= '~'; ++c) {
      const char glyph[2] = {c, 0};
      // The segment display face puts its decimal point into the previous digit's cell.
      if (path == kHudFont && c == '.') continue;
      EXPECT_GT(font.Advance(glyph), 0.0f) << path << " '" << c << "'";
    }
  }
}

TEST(TextDeathTest, PrintAndSetUpBeforeReshapeAreFatal) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  RequireFonts();
  EXPECT_EXIT(
      {
        EchoMessageBoxesToStderr();
        Text text(kHudFont, 20);
        text.Print("late");
      },
      testing::ExitedWithCode(1), "Can't print before calling Text::Reshape\\(\\) at least once!");
  EXPECT_EXIT(
      {
        EchoMessageBoxesToStderr();
        Text text(kHudFont, 20);
        text.PrintAt(0, 0, 1, "late");
      },
      testing::ExitedWithCode(1), "Can't print before calling Text::Reshape");
  EXPECT_EXIT(
      {
        EchoMessageBoxesToStderr();
        Text text(kHudFont, 20);
        text.SetGLState();
      },
      testing::ExitedWithCode(1),
      "Can't set gl state before calling Text::Reshape\\(\\) at least once!");
}

TEST(TextDeathTest, AFileThatIsNoFontIsFatal) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        EchoMessageBoxesToStderr();
        Text text("tools/gen_fonts.sh", 20);
      },
      testing::ExitedWithCode(1), "Failed to create font from tools/gen_fonts.sh");
}

}  // namespace
