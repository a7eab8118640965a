#include "util/ascii/rotozoom.h"

#include <cmath>
#include <stdexcept>

#include "util/ascii/asciiengine.h"
#include "util/ascii/rawloader.h"
#include "util/data/data.h"

namespace {

struct PhaseClock {
  bool started = false;
  uint32_t last = 0;
};

PhaseClock& RotoClock() {
  static PhaseClock clock;
  return clock;
}

}  // namespace

RotoZoom::RotoZoom(AsciiEngine* engine, const std::string& tile_file_name) : engine(engine) {
  loadTile(tile_file_name);
  FillTables();
}

void RotoZoom::ResetPhaseClock() { RotoClock() = PhaseClock{}; }

void RotoZoom::loadTile(const std::string& file_name) {
  const std::vector<uint8_t> bytes = GetFileBytes(file_name, "rb", false);
  if (bytes.size() < tile.size()) {
    throw std::runtime_error("RotoZoom::loadTile: File " + file_name + " is only " +
                             std::to_string(bytes.size()) + " bytes, expected 256x256 image!");
  }
  for (size_t k = 0; k < tile.size(); ++k) tile[k] = RemapAsciiColour(bytes[k]);
}

// One period of a sine over the 256 entries; A is offset so its values stay mostly positive
// (a zoom that rarely turns the picture inside out).
void RotoZoom::FillTables() {
  for (int i = 0; i < 256; ++i) {
    const float s = std::sin(static_cast<float>(i * 0.024639729632));
    const float scaled = s * 4096.0f;
    table_a[i] = static_cast<int32_t>(static_cast<double>(scaled) + 3276.8);
    table_b[i] = static_cast<int32_t>(s * 8192.0f);
  }
}

void RotoZoom::render(int32_t a, int32_t b, int32_t zoom) {
  // 32-bit arithmetic with wrap-around, done unsigned so the wrap is defined.
  const uint32_t uzoom = static_cast<uint32_t>(zoom) * 10u;
  const int32_t du = static_cast<int32_t>(static_cast<uint32_t>(a) * uzoom) >> 12;
  const int32_t dv = static_cast<int32_t>(static_cast<uint32_t>(b) * uzoom) >> 12;
  uint32_t us = 0;
  uint32_t vs = 0;
  for (int j = 0; j < AsciiEngine::kRows; ++j) {
    uint32_t u = us;
    uint32_t v = vs;
    for (int k = 0; k < AsciiEngine::kColumns; ++k) {
      const uint8_t texel = tile[((v >> 12) & 255u) * kTileSize + ((u >> 12) & 255u)];
      const int cell = AsciiEngine::CellIndex(k, j);
      engine->characters[cell] = RawLoader::kFullBlock;
      engine->foreground[cell] = texel;
      engine->background[cell] = 0;
      u += static_cast<uint32_t>(du);
      v += static_cast<uint32_t>(dv);
    }
    us -= static_cast<uint32_t>(dv);
    vs += static_cast<uint32_t>(du);
  }
}

void RotoZoom::update(uint32_t now) {
  render(table_a[phase_a], table_a[(phase_a - 128u) & 255u], table_b[phase_b]);
  PhaseClock& clock = RotoClock();
  // The clock runs at most one step ahead of the time it last saw.
  if (!clock.started || static_cast<int32_t>(clock.last - now) > static_cast<int32_t>(kStepMilliseconds)) {
    clock.started = true;
    clock.last = now;
  }
  if (static_cast<int32_t>(now - clock.last) <= 0) return;
  const uint32_t steps = (now - clock.last - 1) / kStepMilliseconds + 1;
  clock.last += kStepMilliseconds * steps;
  // The phases wrap at 256, so only the step count modulo 256 matters; a long stall costs
  // nothing.
  phase_b = (phase_b + steps) & 255u;
  phase_a = (phase_a - steps) & 255u;
}
