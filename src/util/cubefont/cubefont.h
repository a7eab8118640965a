#pragma once
// A small bitmap font whose set cells become cubes: each glyph is 7 rows of 0/1 cells, top row
// first. Letters are stored under both cases; digits, '-' and ' ' under their one key. The
// table is built once by the constructor and read-only afterwards.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

struct Letter {
  Letter() = default;
  // Copies the rows and counts the set cells. Every row must be as wide as the first, else
  // std::runtime_error "Inconsistent letter size".
  explicit Letter(std::vector<std::vector<uint8_t>> rows);

  uint32_t Width() const { return rows.empty() ? 0 : static_cast<uint32_t>(rows[0].size()); }
  uint32_t Height() const { return static_cast<uint32_t>(rows.size()); }
  bool operator==(const Letter& other) const = default;

  std::vector<std::vector<uint8_t>> rows;  // top row first; 0 empty, 1 set
  uint32_t set_cells = 0;
};

// Builds a letter from rows written as text: '#' a set cell, anything else an empty one.
Letter LetterFromText(const std::vector<std::string>& rows);

class CubeFont {
 public:
  static constexpr uint32_t kRows = 7;

  CubeFont();

  // The glyph of c. A character outside the table gives a blank glyph (two empty columns, like
  // the space), so a greeting with an unexpected character still lays out.
  const Letter& GetLetter(char c) const;
  bool HasLetter(char c) const { return letters_.count(c) != 0; }
  size_t Size() const { return letters_.size(); }

 private:
  std::unordered_map<char, Letter> letters_;
  Letter blank_;
};
