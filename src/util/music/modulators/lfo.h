#pragma once
// A low-frequency oscillator restarted by every note start; its period may follow a controller
// of the track through the range table of its template file.

#include <cstdint>

#include "util/music/modulators/modulator.h"

enum class LFOWave : int32_t { Sine = 0, Saw = 1 };

class LFO : public Modulator {
 public:
  explicit LFO(int32_t controller) : Modulator(ModulatorKind::LFO, controller) {}

  // 0 unless the note is held. Sine runs from 0 at the note start to 1 at half the period; saw
  // rises from 0 to the period in beats. A period of 0 or below gives 0.
  double GetValue(double bpm, double beat, double note_off, double note_on) const override;

  LFOWave wave = LFOWave::Sine;
};
