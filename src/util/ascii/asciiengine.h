#pragma once
// An 80 x 50 text-mode screen in the manner of a PC text display: every cell holds a character
// code and a foreground and a background colour out of the 16 text-mode colours. Users write
// the public planes directly; render turns them into a 640 x 600 picture (8 x 12 pixels a cell)
// in one draw, the shader looking each glyph up in the built-in character chart. All engines
// share one picture buffer, kept by the shared GPU resources, so a render replaces the picture
// of any earlier render.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "util/fbo/fbo.h"
#include "util/shaderprogram/shaderprogram.h"
#include "util/texture/texture.h"

// The character chart as PNG bytes, compiled into the program.
extern const std::vector<uint8_t> ascii_chart_png;

class AsciiEngine {
 public:
  static constexpr int kColumns = 80;
  static constexpr int kRows = 50;
  static constexpr int kCells = kColumns * kRows;
  static constexpr int kCellWidth = 8;
  static constexpr int kCellHeight = 12;
  static constexpr int kPictureWidth = kColumns * kCellWidth;   // 640
  static constexpr int kPictureHeight = kRows * kCellHeight;    // 600

  AsciiEngine();
  ~AsciiEngine() = default;
  AsciiEngine(const AsciiEngine&) = delete;
  AsciiEngine& operator=(const AsciiEngine&) = delete;

  // Draws the cells into the shared buffer; with present it then adds the picture (blending
  // one, one) into the engine's viewport of the framebuffer bound before the call.
  void render(bool present);

  // The cell (column x, row y from the top) of a plane.
  static constexpr int CellIndex(int x, int y) { return y * kColumns + x; }

  // The frame texture's bytes for the planes: 4 a cell (character, foreground, background, 0),
  // rows bottom-up as GL stores them.
  std::vector<uint8_t> PackCells() const;

  Texture chart;
  Texture frame;
  FBO* buffer = nullptr;  // the shared picture buffer
  std::unique_ptr<ShaderProgram> program;
  std::array<uint8_t, kCells> characters{};
  std::array<uint8_t, kCells> foreground{};
  std::array<uint8_t, kCells> background{};
  // Where a presented picture goes: x, y, width, height.
  std::array<int32_t, 4> viewport = {1, 1, 1, 1};

 private:
  void LoadChart();
  void CreateFrame();
};
