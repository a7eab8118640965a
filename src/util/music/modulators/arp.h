#pragma once
// An arpeggiator: 1 while a note is held. Which of the held lanes sounds at a beat is chosen by
// the note values, one lane per period.

#include <cstdint>

#include "util/music/modulators/modulator.h"

enum class ArpPattern : int32_t { UpDown = 0, Up = 1, Down = 2 };

class Arp : public Modulator {
 public:
  Arp() : Modulator(ModulatorKind::Arp, -1) {}

  double GetValue(double bpm, double beat, double note_off, double note_on) const override;

  // The position in a list of held lanes selected at step (0, 1, ..., n-1, n-2, ..., 1, 0, ...).
  static uint32_t UpDownPosition(uint32_t step, uint32_t held_count);

  ArpPattern pattern = ArpPattern::UpDown;
  int32_t octaves = 1;
};
