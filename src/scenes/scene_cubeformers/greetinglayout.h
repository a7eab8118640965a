#pragma once
// The greetings of CubeFormers spelled in cubes: every greeting becomes a slab of (W + 2) x
// (H + 2) cells (W the widest greeting, H the glyph height, one border cell all round), L
// layers deep; up to five greetings stand one behind the other, greetSpacing apart. A set cell
// stands out by zDist and glows; the front greeting explodes away from a centre.
//
// A name wider than kMaxLineCells breaks at its spaces into lines stacked one cell apart, every
// line centred; should a single word still be wider, the pitch of every greeting shrinks so
// that the widest line spans kMaxLineCells pitches. So no name is wider than that, whatever its
// length, and production 5's camera keeps that width inside the frame.
//
// The instance lists are resized only when the layer count or the number of greetings shown
// changes; otherwise every frame rewrites them in place.

#include <cstdint>
#include <string>
#include <vector>

#include "scenes/scene_cubeformers/cubearrangements.h"

class CubeFont;

struct GreetingTracks {
  float dist = 2.0f;            // half the cube pitch
  float z_step = 0.0f;          // zDist: how far set cells stand out
  float glow = 0.0f;            // glowCubes
  float greet_num = 0.0f;       // position in the list
  float greet_spacing = 50.0f;  // z distance between greetings
  float explode_casing = 0.0f;  // K: the track times 10
  float explode_main = 0.0f;    // E10: the track times 10
  float explode_cx = 0.0f;
  float explode_cy = 0.0f;
  float protrusion = 1.0f;      // layers, nearest whole number
};

class GreetingLayout {
 public:
  static constexpr uint32_t kRowsShown = 5;
  // More layers than this add nothing visible and only cost memory.
  static constexpr uint32_t kMaxLayers = 16;
  // The widest line a greeting may have, in cells of the normal pitch.
  static constexpr uint32_t kMaxLineCells = 80;

  // Measures every greeting with the font; the layout's width is the widest.
  GreetingLayout(const CubeFont& font, const std::vector<std::string>& greetings);

  uint32_t width() const { return width_; }
  uint32_t height() const { return height_; }
  uint32_t greeting_count() const { return static_cast<uint32_t>(bitmaps_.size()); }
  // 1, or less when a word wider than kMaxLineCells shrinks the pitch of every greeting.
  float pitch_scale() const { return pitch_scale_; }

  // The greeting's lines: words joined while the line fits kMaxLineCells.
  static std::vector<std::string> BreakIntoLines(const CubeFont& font, const std::string& text);
  // The width of a line in cells: its letters and one empty column between neighbours.
  static uint32_t LineCells(const CubeFont& font, const std::string& line);

  // Layers for a protrusion value: nearest whole number, 0 to kMaxLayers (NaN gives 0).
  static uint32_t Layers(float protrusion);
  // The first greeting shown: the whole part of greetNum, not below 0.
  static uint32_t FirstGreeting(float greet_num);
  // Greetings shown from `first` on: at most kRowsShown, none past the end.
  uint32_t RowsShown(uint32_t first) const;

  // Writes the frame's cubes; returns the number of greetings shown (0: draw nothing).
  uint32_t LayOut(const GreetingTracks& tracks, CubeInstances& cubes);

  // Instance rebuilds so far (the count changed).
  uint32_t rebuilds() const { return rebuilds_; }

 private:
  // One greeting's cells, bottom row first, `width` columns.
  struct Bitmap {
    uint32_t width = 0;
    std::vector<std::vector<uint8_t>> rows;
    uint32_t height() const { return static_cast<uint32_t>(rows.size()); }
    bool IsSet(int32_t column, int32_t row) const;
  };

  static Bitmap Spell(const CubeFont& font, const std::string& text);
  static Bitmap SpellLine(const CubeFont& font, const std::string& line);
  void LayOutGreeting(uint32_t g, uint32_t first, uint32_t layers, const GreetingTracks& tracks,
                      CubeInstances& cubes, size_t& next) const;

  std::vector<Bitmap> bitmaps_;
  uint32_t width_ = 0;
  uint32_t height_ = 0;
  float pitch_scale_ = 1.0f;
  uint32_t last_layers_ = 0;
  uint32_t last_rows_ = 0;
  uint32_t rebuilds_ = 0;
};
