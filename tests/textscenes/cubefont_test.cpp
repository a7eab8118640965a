// The cube font: every glyph whole and distinct, both cases of each letter, and lookups outside
// the table.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "util/cubefont/cubefont.h"

namespace {

const std::string kLettersAndDigits = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";

uint32_t CountSetCells(const Letter& letter) {
  uint32_t count = 0;
  for (const auto& row : letter.rows) {
    for (uint8_t cell : row) count += cell;
  }
  return count;
}

bool ColumnHasSetCell(const Letter& letter, uint32_t column) {
  for (const auto& row : letter.rows) {
    if (row[column] != 0) return true;
  }
  return false;
}

// What the greetings' layout relies on: seven rows, the count of set cells that sizes the cube
// list, a glyph drawn edge to edge (the spacing between letters is the layout's own, so a blank
// margin column would open a gap) from the top row to the bottom one, lower case drawn as upper
// case, and no two characters drawn alike (a pasted glyph reads as the wrong letter).
TEST(CubeFontTest, EveryLetterAndDigitIsAWholeDistinctGlyph) {
  const CubeFont font;
  std::map<std::vector<std::vector<uint8_t>>, char> seen;
  for (char key : kLettersAndDigits) {
    SCOPED_TRACE(std::string(1, key));
    ASSERT_TRUE(font.HasLetter(key));
    const Letter& letter = font.GetLetter(key);
    ASSERT_EQ(letter.Height(), CubeFont::kRows);
    ASSERT_GE(letter.Width(), 5u);
    EXPECT_EQ(letter.set_cells, CountSetCells(letter));
    EXPECT_TRUE(ColumnHasSetCell(letter, 0));
    EXPECT_TRUE(ColumnHasSetCell(letter, letter.Width() - 1));
    EXPECT_GT(std::count(letter.rows.front().begin(), letter.rows.front().end(), 1), 0);
    EXPECT_GT(std::count(letter.rows.back().begin(), letter.rows.back().end(), 1), 0);
    const auto [where, fresh] = seen.emplace(letter.rows, key);
    EXPECT_TRUE(fresh) << "drawn like " << where->second;
    if (std::isupper(static_cast<unsigned char>(key))) {
      const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(key)));
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
