#include "scenes/scene_cubeformers/greetinglayout.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include <glm/gtc/matrix_transform.hpp>

#include "system/log.h"
#include "util/cubefont/cubefont.h"

GreetingLayout::GreetingLayout(const CubeFont& font, const std::vector<std::string>& greetings) {
  height_ = CubeFont::kRows;
  for (const std::string& text : greetings) {
    bitmaps_.push_back(Spell(font, text));
    width_ = std::max(width_, bitmaps_.back().width);
    height_ = std::max(height_, bitmaps_.back().height());
  }
  if (width_ > kMaxLineCells) pitch_scale_ = static_cast<float>(kMaxLineCells) / width_;
}

uint32_t GreetingLayout::LineCells(const CubeFont& font, const std::string& line) {
  uint32_t cells = 0;
  for (char c : line) cells += font.GetLetter(c).Width();
  return line.empty() ? 0 : cells + static_cast<uint32_t>(line.size()) - 1;
}

std::vector<std::string> GreetingLayout::BreakIntoLines(const CubeFont& font,
                                                        const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream words(text);
  std::string word;
  while (words >> word) {
    if (!lines.empty() && LineCells(font, lines.back() + ' ' + word) <= kMaxLineCells) {
      lines.back() += ' ' + word;
    } else {
      lines.push_back(word);
    }
  }
  if (lines.empty()) lines.push_back(text);  // a name of spaces keeps its blank width
  return lines;
}

// The lines stack top to bottom, one empty row between them, each centred like the greetings
// in their slab (half the free columns, rounded toward zero, to its left).
GreetingLayout::Bitmap GreetingLayout::Spell(const CubeFont& font, const std::string& text) {
  std::vector<Bitmap> lines;
  Bitmap stacked;
  for (const std::string& line : BreakIntoLines(font, text)) {
    lines.push_back(SpellLine(font, line));
    stacked.width = std::max(stacked.width, lines.back().width);
  }
  for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
    if (line != lines.rbegin()) stacked.rows.emplace_back(stacked.width, 0);
    const uint32_t left = (stacked.width - line->width) / 2;
    for (const std::vector<uint8_t>& row : line->rows) {
      std::vector<uint8_t>& out = stacked.rows.emplace_back(stacked.width, 0);
      std::copy(row.begin(), row.end(), out.begin() + left);
    }
  }
  return stacked;
}

GreetingLayout::Bitmap GreetingLayout::SpellLine(const CubeFont& font, const std::string& text) {
  const uint32_t height = CubeFont::kRows;
  Bitmap bitmap;
  bitmap.rows.assign(height, {});
  for (size_t c = 0; c < text.size(); ++c) {
    const Letter& letter = font.GetLetter(text[c]);
    if (c > 0) {
      for (auto& row : bitmap.rows) row.push_back(0);  // one empty column between letters
    }
    for (uint32_t r = 0; r < height; ++r) {
      // Row r counts from the bottom; a letter shorter than the line leaves its top empty.
      const bool inside = r < letter.Height();
      for (uint32_t col = 0; col < letter.Width(); ++col) {
        bitmap.rows[r].push_back(inside ? letter.rows[letter.Height() - 1 - r][col] : 0);
      }
    }
  }
  bitmap.width = static_cast<uint32_t>(bitmap.rows[0].size());
  return bitmap;
}

bool GreetingLayout::Bitmap::IsSet(int32_t column, int32_t row) const {
  if (column < 0 || row < 0 || row >= static_cast<int32_t>(rows.size())) return false;
  if (column >= static_cast<int32_t>(width)) return false;
  return rows[row][column] != 0;
}

uint32_t GreetingLayout::Layers(float protrusion) {
  const float layers = std::trunc(protrusion + 0.5f);
  if (!(layers > 0.0f)) return 0;
  return static_cast<uint32_t>(std::min(layers, static_cast<float>(kMaxLayers)));
}

uint32_t GreetingLayout::FirstGreeting(float greet_num) {
  const float first = std::trunc(greet_num);
  if (!(first > 0.0f)) return 0;
  return static_cast<uint32_t>(std::min(first, 1.0e9f));
}

uint32_t GreetingLayout::RowsShown(uint32_t first) const {
  if (first >= greeting_count()) return 0;
  return std::min(greeting_count() - first, kRowsShown);
}

uint32_t GreetingLayout::LayOut(const GreetingTracks& tracks, CubeInstances& cubes) {
  const uint32_t layers = Layers(tracks.protrusion);
  const uint32_t first = FirstGreeting(tracks.greet_num);
  const uint32_t rows = RowsShown(first);
  const size_t count = size_t{rows} * (width_ + 2) * (height_ + 2) * layers;
  // A list of another size (not the one laid out last time) is resized too, never overrun.
  if (layers != last_layers_ || rows != last_rows_ || cubes.matrices.size() != count) {
    cubes.Resize(count);
    LogInfo("Num greetz cubes: {}", count);
    last_layers_ = layers;
    last_rows_ = rows;
    ++rebuilds_;
  }
  size_t next = 0;
  for (uint32_t g = first; g < first + rows; ++g) {
    LayOutGreeting(g, first, layers, tracks, cubes, next);
  }
  return rows;
}

void GreetingLayout::LayOutGreeting(uint32_t g, uint32_t first, uint32_t layers,
                                    const GreetingTracks& tr, CubeInstances& cubes,
                                    size_t& next) const {
  const Bitmap& bitmap = bitmaps_[g];
  const float pitch = 2.0f * tr.dist * pitch_scale_;
  // Centred: half the free columns and rows (rounded toward zero) left of and below the text.
  const int32_t free_columns = static_cast<int32_t>(width_) - static_cast<int32_t>(bitmap.width);
  const int32_t free_rows = static_cast<int32_t>(height_) - static_cast<int32_t>(bitmap.height());
  const float x0 = static_cast<float>(width_) * pitch * 0.5f;
  const float y0 = static_cast<float>(height_) * pitch * 0.5f;
  const float z0 = static_cast<float>(g) * tr.greet_spacing;
  const float fade = tr.greet_num - static_cast<float>(g) + 1.0f;
  const bool current = static_cast<float>(g) <= tr.greet_num && tr.greet_num < g + 1.0f;
  const float set_glow = current ? tr.glow : (fade > 0.0f ? fade : 0.0f);
  const glm::vec3 centre(tr.explode_cx, tr.explode_cy, -z0);
  const int32_t rows = static_cast<int32_t>(height_);
  const int32_t columns = static_cast<int32_t>(width_);
  for (int32_t r = -1; r <= rows; ++r) {
    for (int32_t col = -1; col <= columns; ++col) {
      const bool set = bitmap.IsSet(col - free_columns / 2, r - free_rows / 2);
      for (uint32_t k = 0; k < layers; ++k, ++next) {
        glm::vec3 position(col * pitch - x0, r * pitch - y0, k * pitch - z0);
        if (set) position.z -= tr.z_step;
        if (g == first) {
          const float distance = set ? tr.explode_main : tr.explode_casing;
          position += DirectionOrZero(position - centre) * distance;
        }
        cubes.matrices[next] = glm::translate(glm::mat4(1.0f), position);
        cubes.emissions[next] = glm::vec3(set ? set_glow : 0.0f);
      }
    }
  }
}
