#include "util/ascii/asciifire.h"

#include <cmath>

#include "system/clock.h"
#include "util/ascii/asciiengine.h"
#include "util/random.h"

namespace {

struct StepClock {
  bool started = false;
  uint32_t next_step = 0;
};

StepClock& FireClock() {
  static StepClock clock;
  return clock;
}

// True when tick a is later than tick b, correct across the 32-bit wrap of the tick count.
bool Later(uint32_t a, uint32_t b) { return static_cast<int32_t>(a - b) > 0; }

// A random field column 0..239 from the shared generator.
int RandomColumn() {
  return static_cast<int>(SharedRandom::Next() * 239u / SharedRandom::kMax);
}

// The average stored as a byte. Decay set from outside may make the divisor tiny or negative;
// the result is held to the byte range instead of overflowing the conversion.
uint8_t HeatByte(int sum, double divisor) {
  const double value = std::trunc(sum / divisor);
  if (!(value > 0.0)) return 0;
  if (value >= 255.0) return 255;
  return static_cast<uint8_t>(value);
}

}  // namespace

AsciiFire::AsciiFire(AsciiEngine* engine) : engine(engine) { SharedRandom::Seed(GetTickCount()); }

void AsciiFire::ResetStepClock() { FireClock() = StepClock{}; }

void AsciiFire::update(uint32_t now) {
  StepClock& clock = FireClock();
  // The next step is at most one step ahead of the time it was set at.
  if (!clock.started || Later(clock.next_step, now + kStepMilliseconds)) {
    clock.started = true;
    clock.next_step = now;
  }
  int steps = 0;
  while (!Later(clock.next_step, now)) {
    if (steps == kMaxStepsPerCall) {
      clock.next_step = now;
      break;
    }
    clock.next_step += kStepMilliseconds;
    Step(now);
    ++steps;
  }
  WriteCells();
}

void AsciiFire::Step(uint32_t now) {
  MoveDecay();
  RiseAndBlur();
  SharedRandom::Seed(now * 247238u);
  AddHotSpots();
}

void AsciiFire::MoveDecay() {
  if (decay_speed > 0) {
    if (decay > decay_target) decay -= decay_speed;
  } else if (decay < decay_target) {
    decay -= decay_speed;
  }
}

// Each value moves up one row as the average of its neighbours. The update is in place, so
// neighbours already moved in the row above count with their new values.
void AsciiFire::RiseAndBlur() {
  for (int y = 1; y < kFieldHeight; ++y) {
    const bool bottom = y == kFieldHeight - 1;
    uint8_t* above = &heat[(y - 1) * kFieldWidth];
    const uint8_t* row = &heat[y * kFieldWidth];
    const uint8_t* below = bottom ? nullptr : &heat[(y + 1) * kFieldWidth];
    for (int x = 0; x < kFieldWidth; ++x) {
      const int left = x > 0 ? x - 1 : x;
      const int right = x < kFieldWidth - 1 ? x + 1 : x;
      int sum = 0;
      for (int nx = left; nx <= right; ++nx) {
        sum += above[nx];
        if (below) sum += below[nx];
        if (nx != x) sum += row[nx];
      }
      const int count = (right - left + 1) * (bottom ? 2 : 3) - 1;
      above[x] = HeatByte(sum, decay + count);
    }
  }
}

void AsciiFire::AddHotSpots() {
  uint8_t* bottom = &heat[(kFieldHeight - 1) * kFieldWidth];
  for (int32_t i = 0; i < hot_spots; ++i) {
    for (int cold = 0; cold < 3; ++cold) bottom[RandomColumn()] = 0;
    bottom[RandomColumn()] = 255;
  }
}

void AsciiFire::WriteCells() {
  for (int j = 0; j < AsciiEngine::kRows; ++j) {
    for (int k = 0; k < AsciiEngine::kColumns; ++k) {
      int sum = 0;
      for (int y = 2 * j; y < 2 * j + 2; ++y) {
        for (int x = 3 * k; x < 3 * k + 3; ++x) sum += heat[y * kFieldWidth + x];
      }
      const uint8_t v = static_cast<uint8_t>(sum / 3);
      const int cell = AsciiEngine::CellIndex(k, j);
      cell_heat[cell] = v;
      const int shade = (v / 10) % 25;
      if (shade == 0) continue;
      engine->characters[cell] = static_cast<uint8_t>(v / 4 + 136);
      engine->foreground[cell] = colour_ramp[shade];
      engine->background[cell] = 0;
    }
  }
}
