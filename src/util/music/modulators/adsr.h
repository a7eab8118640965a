#pragma once
// An attack-decay-sustain-release envelope over the latest note of a lane, all times in beats.

#include <cstdint>

#include "util/music/modulators/modulator.h"

enum class ADSRSlope : int32_t { Linear = 0, Exp = 1, ExpInv = 2 };

class ADSR : public Modulator {
 public:
  ADSR() : Modulator(ModulatorKind::Envelope, -1) {}

  double GetValue(double bpm, double beat, double note_off, double note_on) const override;

  float attack = 0.0f;
  ADSRSlope attackSlope = ADSRSlope::Linear;
  float decay = 0.0f;
  ADSRSlope decaySlope = ADSRSlope::Linear;
  float sustain = 1.0f;  // level 0 to 1
  float release = 0.0f;
  ADSRSlope releaseSlope = ADSRSlope::Linear;
  float exponentialBase = 250.0f;

 private:
  // The rising curve of a slope at progress x (0 to 1): 0 at x = 0, 1 at x = 1.
  float Rise(ADSRSlope slope, float x) const;
};
