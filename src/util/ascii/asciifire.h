#pragma once
// Rising flames on a 240 x 100 heat field, shown in an AsciiEngine as shaded characters in fire
// colours (each cell covers 3 x 2 field values). The simulation runs on fixed 16 ms steps of the
// time its caller gives (the show's time), at most 5 a call, so a stall never makes it spin to
// catch up. Following the show's time rather than the wall clock, the fire of a frame depends
// only on the times of the frames before it, not on how fast they were drawn.

#include <array>
#include <cstdint>

class AsciiEngine;

class AsciiFire {
 public:
  static constexpr int kFieldWidth = 240;
  static constexpr int kFieldHeight = 100;
  static constexpr uint32_t kStepMilliseconds = 16;
  static constexpr int kMaxStepsPerCall = 5;

  // Refers to the engine (it must outlive the fire); seeds the shared generator with the tick
  // count.
  explicit AsciiFire(AsciiEngine* engine);

  // Advances the simulation to `now` (milliseconds, wrapping at 32 bits) and writes the
  // engine's hot cells. A time that leaves the next step more than a step ahead (the show
  // jumped back) starts the steps again from it.
  void update(uint32_t now);

  // The step clock is shared by every fire; it starts at the first update after a reset.
  static void ResetStepClock();

  AsciiEngine* engine;
  std::array<uint8_t, kFieldWidth * kFieldHeight> heat{};
  // The value the last update computed for each engine cell; read by fire drawn elsewhere.
  std::array<uint8_t, 80 * 50> cell_heat{};
  int32_t hot_spots = 25;
  // The extra divisor of the heat average: higher decay cools faster. Moves towards
  // decay_target by decay_speed a step.
  double decay = 0.5;
  double decay_target = 0.25;
  double decay_speed = 0.002;
  std::array<uint8_t, 25> colour_ramp = {0,  4,  12, 12, 12, 12, 12, 14, 14, 14, 14, 14, 14,
                                         14, 14, 14, 15, 15, 15, 15, 15, 15, 15, 15, 15};

 private:
  void Step(uint32_t now);
  void MoveDecay();
  void RiseAndBlur();
  void AddHotSpots();
  void WriteCells();
};
