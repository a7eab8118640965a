// The cube font: the shape of every glyph, both cases of each letter, and lookups outside the
// table.

#include <gtest/gtest.h>

#include <cctype>
#include <stdexcept>
#include <string>
#include <vector>

#include "util/cubefont/cubefont.h"

namespace {

struct GlyphCase {
  char key;
  uint32_t width;
  uint32_t set_cells;
  const char* rows;  // seven rows, top first, apart by spaces; '#' a set cell, '.' an empty one
};

// The whole table as the artwork was drawn: a mirrored, shifted or swapped glyph differs here.
const GlyphCase kGlyphs[] = {
    {'A', 6, 30, ".####. ##..## ##..## ###### ##..## ##..## ##..##"},
    {'B', 6, 31, "#####. ##..## ##..## #####. ##..## ##..## #####."},
    {'C', 6, 22, ".####. ##..## ##.... ##.... ##.... ##..## .####."},
    {'D', 6, 30, "#####. ##..## ##..## ##..## ##..## ##..## #####."},
    {'E', 5, 22, "##### ##... ##... ####. ##... ##... #####"},
    {'F', 5, 19, "##### ##... ##... ####. ##... ##... ##..."},
    {'G', 6, 27, ".####. ##..## ##.... ##.### ##..## ##..## .####."},
    {'H', 6, 30, "##..## ##..## ##..## ###### ##..## ##..## ##..##"},
    {'I', 6, 22, "###### ..##.. ..##.. ..##.. ..##.. ..##.. ######"},
    {'J', 6, 20, "....## ....## ....## ....## ##..## ##..## .####."},
    {'K', 6, 27, "##..## ##.##. ####.. ###... ####.. ##.##. ##..##"},
    {'L', 6, 20, "##.... ##.... ##.... ##.... ##.... ##..## ######"},
    {'M', 7, 37, "##...## ###.### ####### ####### ##.#.## ##...## ##...##"},
    {'N', 6, 34, "##..## ###.## ###### ###### ##.### ##..## ##..##"},
    {'O', 6, 28, ".####. ##..## ##..## ##..## ##..## ##..## .####."},
    {'P', 6, 26, "#####. ##..## ##..## ##..## #####. ##.... ##...."},
    {'Q', 7, 30, ".#####. ##...## ##...## ##...## ##...## ##..##. .###.##"},
    {'R', 6, 30, "#####. ##..## ##..## #####. ####.. ##.##. ##..##"},
    {'S', 6, 24, ".####. ##..## ##.... .####. ....## ##..## .####."},
    {'T', 6, 18, "###### ..##.. ..##.. ..##.. ..##.. ..##.. ..##.."},
    {'U', 6, 28, "##..## ##..## ##..## ##..## ##..## ##..## .####."},
    {'V', 6, 26, "##..## ##..## ##..## ##..## ##..## .####. ..##.."},
    {'W', 7, 34, "##...## ##...## ##...## ##.#.## ####### ###.### ##...##"},
    {'X', 6, 26, "##..## ##..## .####. ..##.. .####. ##..## ##..##"},
    {'Y', 6, 22, "##..## ##..## ##..## .####. ..##.. ..##.. ..##.."},
    {'Z', 6, 26, "###### ##..## ...##. ..##.. .##... ##..## ######"},
    {'0', 7, 30, ".#####. ##...## ##...## ##...## ##...## ##...## .#####."},
    {'1', 6, 19, "..##.. .###.. ..##.. ..##.. ..##.. ..##.. ######"},
    {'2', 7, 30, ".#####. ##...## ....### ..####. .####.. ###.... #######"},
    {'3', 7, 25, ".###### ....##. ...##.. ..####. .....## ##...## .#####."},
    {'4', 7, 26, "...###. ..####. .##.##. ##..##. ####### ....##. ....##."},
    {'5', 7, 27, "######. ##..... ######. .....## .....## ##...## .#####."},
    {'6', 7, 27, "..####. .##.... ##..... ######. ##...## ##...## .#####."},
    {'7', 7, 21, "####### ##...## ....##. ...##.. ..##... ..##... ..##..."},
    {'8', 7, 33, ".#####. ##...## ###..## .#####. ##..### ##...## .#####."},
    {'9', 7, 27, ".#####. ##...## ##...## .###### .....## ....##. .####.."},
    {'-', 2, 2, ".. .. .. ## .. .. .."},
    {' ', 2, 0, ".. .. .. .. .. .. .."},
};

std::vector<std::vector<uint8_t>> CellsOf(const char* text) {
  std::vector<std::vector<uint8_t>> rows(1);
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c == ' ') {
      rows.emplace_back();
    } else {
      rows.back().push_back(*c == '#' ? 1 : 0);
    }
  }
  return rows;
}

TEST(CubeFontTest, EveryCellOfEveryGlyphMatchesTheArtwork) {
  const CubeFont font;
  for (const GlyphCase& glyph : kGlyphs) {
    SCOPED_TRACE(std::string(1, glyph.key));
    ASSERT_TRUE(font.HasLetter(glyph.key));
    const Letter& letter = font.GetLetter(glyph.key);
    const auto expected = CellsOf(glyph.rows);
    ASSERT_EQ(letter.Height(), 7u);
    EXPECT_EQ(letter.Width(), glyph.width);
    for (size_t row = 0; row < expected.size(); ++row) {
      EXPECT_EQ(letter.rows[row], expected[row]) << "row " << row << " should be "
                                                  << std::string(glyph.rows).substr(
                                                         row * (glyph.width + 1), glyph.width);
    }
    EXPECT_EQ(letter.set_cells, glyph.set_cells);
    if (std::isupper(static_cast<unsigned char>(glyph.key))) {
      const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(glyph.key)));
      EXPECT_EQ(font.GetLetter(lower), letter) << "lower case differs";
    }
  }
  EXPECT_EQ(font.Size(), 64u);  // 26 letters twice, 10 digits, '-' and ' '
}

TEST(CubeFontTest, DashIsTheMiddleRowAndSpaceIsEmpty) {
  const CubeFont font;
  const Letter& dash = font.GetLetter('-');
  for (uint32_t row = 0; row < 7; ++row) {
    const uint8_t expected = row == 3 ? 1 : 0;
    EXPECT_EQ(dash.rows[row], std::vector<uint8_t>({expected, expected})) << row;
  }
  const Letter& space = font.GetLetter(' ');
  EXPECT_EQ(space.Width(), 2u);
  EXPECT_EQ(space.set_cells, 0u);
}

TEST(CubeFontTest, CharactersOutsideTheTableAreBlank) {
  const CubeFont font;
  // Punctuation, control bytes, and bytes of UTF-8 sequences (negative as a signed char).
  for (char c : {'.', '!', '\0', '\x7f', static_cast<char>(0xC3), static_cast<char>(0xFF)}) {
    SCOPED_TRACE(static_cast<int>(c));
    EXPECT_FALSE(font.HasLetter(c));
    const Letter& letter = font.GetLetter(c);
    EXPECT_EQ(letter.Height(), 7u);
    EXPECT_EQ(letter.Width(), 2u);
    EXPECT_EQ(letter.set_cells, 0u);
  }
}

TEST(CubeFontTest, RowsOfDifferentWidthsAreRefused) {
  EXPECT_THROW(LetterFromText({"##", "###"}), std::runtime_error);
  EXPECT_THROW(Letter(std::vector<std::vector<uint8_t>>{{1, 0}, {}}), std::runtime_error);
  const Letter empty(std::vector<std::vector<uint8_t>>{});
  EXPECT_EQ(empty.Height(), 0u);
  EXPECT_EQ(empty.Width(), 0u);
  EXPECT_EQ(empty.set_cells, 0u);
}

}  // namespace
