#pragma once
// A raw indexed picture (one colour number 0-15 a byte, row-major from the top row) shown in an
// AsciiEngine as coloured full blocks, colour 0 being transparent.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class AsciiEngine;

// File colour number -> engine colour number: the files keep red in bit 0 and blue in bit 2,
// the engine the other way round.
inline constexpr std::array<uint8_t, 16> kAsciiColourRemap = {0, 4,  2, 6,  1, 5,  3, 7,
                                                               8, 12, 10, 14, 9, 13, 11, 15};

// The engine colour of a file byte. Bytes above 15 keep their low four bits, so a stray value
// still shows as some text-mode colour and never reads past the table.
inline uint8_t RemapAsciiColour(uint8_t file_byte) { return kAsciiColourRemap[file_byte & 15]; }

class RawLoader {
 public:
  static constexpr uint8_t kFullBlock = 219;

  // Reads the picture now; a missing, short or impossible-sized picture is fatal.
  RawLoader(AsciiEngine* engine, const std::string& file_name, int32_t width, int32_t height);

  // Writes the picture with its pixel (x, y) at cell (0, 0), leaving other cells as they are.
  void draw(int32_t x, int32_t y);

  AsciiEngine* engine;
  int32_t width;
  int32_t height;
  std::array<uint8_t, 16> remap = kAsciiColourRemap;
  std::vector<uint8_t> picture;
};
