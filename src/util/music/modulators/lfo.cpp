#include "util/music/modulators/lfo.h"

#include <cmath>

#include "system/log.h"

double LFO::GetValue(double /*bpm*/, double beat, double note_off, double note_on) const {
  const bool held = note_on > note_off;
  if (!held || period <= 0.0) return 0.0;
  const double t = beat - note_on;
  // The constants are single precision on purpose: they shape the curve the data was made for.
  const double two_pi = static_cast<double>(6.2831853f);
  const double half_pi = static_cast<double>(1.5707963f);
  switch (wave) {
    case LFOWave::Sine:
      return (std::sin(two_pi * t / period - half_pi) + 1.0) / 2.0;
    case LFOWave::Saw:
      return std::fmod(t, period);
  }
  ExitMsgFmt(__FILE__, __LINE__, "Unsupported wave type: {}", static_cast<int>(wave));
}
