#pragma once
// A 256 x 256 indexed tile, repeated, rotated and zoomed over every cell of an AsciiEngine as
// coloured full blocks. The rotation and zoom follow two phases that move once per 20 ms of the
// time the caller gives (the show's time, so that a frame's angle does not depend on how fast
// the frames before it were drawn).

#include <array>
#include <cstdint>
#include <string>

class AsciiEngine;

class RotoZoom {
 public:
  static constexpr int kTileSize = 256;
  static constexpr uint32_t kStepMilliseconds = 20;

  // Reads the tile now (a short tile throws std::runtime_error) and fills the sine tables.
  RotoZoom(AsciiEngine* engine, const std::string& tile_file_name);

  // Replaces the tile; on a short file it throws and keeps the old tile.
  void loadTile(const std::string& file_name);

  // Writes every cell: rows step along (du, dv) = (a, b) x zoom x 10 / 4096 in 12-bit fixed
  // point, successive rows along (-dv, du).
  void render(int32_t a, int32_t b, int32_t zoom);

  // Renders at the current phases, then moves them on by the time elapsed up to `now`
  // (milliseconds, wrapping at 32 bits). A time more than a step before the last one (a jump
  // back in the show) starts the clock again from it.
  void update(uint32_t now);

  // The phase clock is shared by every rotozoom; it starts at the first update after a reset.
  static void ResetPhaseClock();

  AsciiEngine* engine;
  uint32_t phase_a = 0;
  uint32_t phase_b = 0;
  std::array<int32_t, 256> table_a{};
  std::array<int32_t, 256> table_b{};
  std::array<uint8_t, kTileSize * kTileSize> tile{};

 private:
  void FillTables();
};
