#include "util/ascii/asciiengine.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <set>

#include "support/gl_fixture.h"

namespace {

using Pixel = std::array<uint8_t, 4>;

constexpr Pixel kBlack = {0, 0, 0, 255};

// Renders the engine's picture 1:1 into a target of the picture's size.
class AsciiEngineTest : public GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    target_ = std::make_unique<RenderTarget>(AsciiEngine::kPictureWidth, AsciiEngine::kPictureHeight);
  }
  void TearDown() override {
    target_.reset();
    GLTest::TearDown();
  }

  void Present(AsciiEngine& engine) {
    target_->Bind();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    engine.viewport = {0, 0, AsciiEngine::kPictureWidth, AsciiEngine::kPictureHeight};
    engine.render(true);
    pixels_ = target_->ReadPixels();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
  }

  // Pixel (x, y) of the picture with y counted from the top, as the cells are.
  Pixel At(int x, int y) const {
    const size_t index = (static_cast<size_t>(AsciiEngine::kPictureHeight - 1 - y) *
                              AsciiEngine::kPictureWidth + x) * 4;
    return {pixels_[index], pixels_[index + 1], pixels_[index + 2], pixels_[index + 3]};
  }

  // The distinct colours inside the cell (column, row).
  std::set<Pixel> CellColours(int column, int row) const {
    std::set<Pixel> colours;
    for (int y = 0; y < AsciiEngine::kCellHeight; ++y) {
      for (int x = 0; x < AsciiEngine::kCellWidth; ++x) {
        colours.insert(At(column * AsciiEngine::kCellWidth + x, row * AsciiEngine::kCellHeight + y));
      }
    }
    return colours;
  }

  std::unique_ptr<RenderTarget> target_;
  std::vector<uint8_t> pixels_;
};

}  // namespace

TEST_F(AsciiEngineTest, ANewEngineRendersAllBlack) {
  AsciiEngine engine;
  Present(engine);
  for (size_t i = 0; i < pixels_.size(); i += 4) {
    ASSERT_EQ(pixels_[i] | pixels_[i + 1] | pixels_[i + 2], 0) << "byte " << i;
  }
  EXPECT_TRUE(NoGLError());
}

TEST_F(AsciiEngineTest, FullBlockFillsExactlyItsCellInTheForegroundColour) {
  AsciiEngine engine;
  engine.characters[AsciiEngine::CellIndex(0, 0)] = 219;
  engine.foreground[AsciiEngine::CellIndex(0, 0)] = 12;
  Present(engine);
  EXPECT_EQ(CellColours(0, 0), (std::set<Pixel>{{255, 0, 0, 255}}));
  EXPECT_EQ(At(8, 0), kBlack);
  EXPECT_EQ(At(0, 12), kBlack);
  EXPECT_EQ(At(7, 11), (Pixel{255, 0, 0, 255}));
}

TEST_F(AsciiEngineTest, GlyphShowsForegroundOverBackgroundInItsCellOnly) {
  AsciiEngine engine;
  const int cell = AsciiEngine::CellIndex(10, 20);
  engine.characters[cell] = 'A';
  engine.foreground[cell] = 14;  // yellow
  engine.background[cell] = 1;   // dark blue
  Present(engine);
  EXPECT_EQ(CellColours(10, 20), (std::set<Pixel>{{255, 255, 0, 255}, {0, 0, 128, 255}}));
  for (const auto& [column, row] : {std::pair{9, 20}, {11, 20}, {10, 19}, {10, 21}}) {
    EXPECT_EQ(CellColours(column, row), std::set<Pixel>{kBlack}) << column << ", " << row;
  }
  // The lower-right cell is the last one of the grid: it must not be cut or shifted.
  engine.characters[AsciiEngine::CellIndex(79, 49)] = 219;
  engine.foreground[AsciiEngine::CellIndex(79, 49)] = 10;
  Present(engine);
  EXPECT_EQ(CellColours(79, 49), (std::set<Pixel>{{0, 255, 0, 255}}));
}

TEST_F(AsciiEngineTest, EveryPaletteColourReachesThePicture) {
  const std::array<Pixel, 16> palette = {{
      {0, 0, 0, 255}, {0, 0, 128, 255}, {0, 128, 0, 255}, {0, 128, 128, 255},
      {128, 0, 0, 255}, {128, 0, 128, 255}, {128, 128, 0, 255}, {192, 192, 192, 255},
      {128, 128, 128, 255}, {0, 0, 255, 255}, {0, 255, 0, 255}, {0, 255, 255, 255},
      {255, 0, 0, 255}, {255, 0, 255, 255}, {255, 255, 0, 255}, {255, 255, 255, 255}}};
  AsciiEngine engine;
  for (int colour = 0; colour < 16; ++colour) {
    engine.background[AsciiEngine::CellIndex(colour, 3)] = static_cast<uint8_t>(colour);
  }
  Present(engine);
  for (int colour = 0; colour < 16; ++colour) {
    EXPECT_EQ(CellColours(colour, 3), std::set<Pixel>{palette[colour]}) << "colour " << colour;
  }
}

TEST_F(AsciiEngineTest, ShadesGetDenserFromLightToDark) {
  AsciiEngine engine;
  for (int i = 0; i < 3; ++i) {
    engine.characters[AsciiEngine::CellIndex(i, 0)] = static_cast<uint8_t>(176 + i);
    engine.foreground[AsciiEngine::CellIndex(i, 0)] = 15;
  }
  Present(engine);
  std::array<int, 3> lit{};
  for (int i = 0; i < 3; ++i) {
    for (int y = 0; y < 12; ++y) {
      for (int x = 0; x < 8; ++x) lit[i] += At(i * 8 + x, y)[0] == 255 ? 1 : 0;
    }
  }
  EXPECT_GT(lit[0], 0);
  EXPECT_LT(lit[0], lit[1]);
  EXPECT_LT(lit[1], lit[2]);
  EXPECT_LT(lit[2], 96);
}

TEST_F(AsciiEngineTest, EnginesShareOneBufferThatOutlivesThem) {
  auto first = std::make_unique<AsciiEngine>();
  auto second = std::make_unique<AsciiEngine>();
  EXPECT_EQ(first->buffer, second->buffer);
  EXPECT_EQ(first->buffer->width, 640);
  EXPECT_EQ(first->buffer->height, 600);
  const FBO* shared = first->buffer;
  first.reset();
  second.reset();
  AsciiEngine third;
  EXPECT_EQ(third.buffer, shared);
}

TEST_F(AsciiEngineTest, ChartIsTheBuiltInImageInTheCellLayout) {
  AsciiEngine engine;
  EXPECT_EQ(engine.chart.width, 640u);
  EXPECT_EQ(engine.chart.height, 120u);
  EXPECT_EQ(engine.chart.bpp, 32u);
  // Stored bottom row first: chart pixel (x, y from the top).
  auto chart = [&](int x, int y) {
    const size_t i = (static_cast<size_t>(119 - y) * 640 + x) * 4;
    return Pixel{engine.chart.image_data[i], engine.chart.image_data[i + 1],
                 engine.chart.image_data[i + 2], engine.chart.image_data[i + 3]};
  };
  EXPECT_EQ(chart(12 * 8 + 3, 8 * 12 + 5), (Pixel{255, 0, 0, 255}));  // colour 12
  EXPECT_EQ(chart(7 * 8 + 3, 8 * 12 + 5), (Pixel{192, 192, 192, 255}));
  EXPECT_EQ(chart(219 % 80 * 8, 219 / 80 * 12), (Pixel{255, 255, 255, 255}));      // full block
  EXPECT_EQ(chart(219 % 80 * 8, (219 / 80 + 4) * 12), (Pixel{0, 0, 0, 255}));     // inverted
  EXPECT_EQ(chart(5, 9 * 12 + 5), kBlack);
}

TEST_F(AsciiEngineTest, PackedCellsRunBottomUp) {
  AsciiEngine engine;
  engine.characters[AsciiEngine::CellIndex(2, 0)] = 65;
  engine.foreground[AsciiEngine::CellIndex(2, 0)] = 7;
  engine.background[AsciiEngine::CellIndex(2, 0)] = 4;
  const std::vector<uint8_t> bytes = engine.PackCells();
  ASSERT_EQ(bytes.size(), 16000u);
  const size_t texel = (49 * 80 + 2) * 4;
  EXPECT_EQ(bytes[texel], 65);
  EXPECT_EQ(bytes[texel + 1], 7);
  EXPECT_EQ(bytes[texel + 2], 4);
  EXPECT_EQ(bytes[texel + 3], 0);
}
