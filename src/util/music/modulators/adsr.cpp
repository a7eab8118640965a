#include "util/music/modulators/adsr.h"

#include <algorithm>
#include <cmath>

#include "system/log.h"

float ADSR::Rise(ADSRSlope slope, float x) const {
  const float b = exponentialBase;
  switch (slope) {
    case ADSRSlope::Linear:
      return x;
    case ADSRSlope::Exp:
      return (std::pow(b, x) - 1.0f) / (b - 1.0f);
    case ADSRSlope::ExpInv:
      return 1.0f - (std::pow(b, 1.0f - x) - 1.0f) / (b - 1.0f);
  }
  ExitMsgFmt(__FILE__, __LINE__, "Unrecognized slope type {}", static_cast<int>(slope));
}

double ADSR::GetValue(double /*bpm*/, double beat, double note_off, double note_on) const {
  if (note_on < 0.0) return 0.0;
  const float t = static_cast<float>(beat - note_on);
  if (t < attack) return Rise(attackSlope, t / attack);
  if (t < attack + decay) {
    const float x = t - attack;
    return sustain + (1.0f - sustain) * Rise(decaySlope, 1.0f - x / decay);
  }
  const bool held = note_on > note_off;
  if (held) return sustain;
  // The release starts when the note ends, but not before the decay has finished.
  const double release_start = std::max(note_off, note_on + attack + decay);
  const float r = static_cast<float>(beat - release_start);
  if (release > 0.0f && r < release) return sustain * Rise(releaseSlope, 1.0f - r / release);
  return 0.0;
}
