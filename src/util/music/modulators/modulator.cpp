#include "util/music/modulators/modulator.h"

#include "system/log.h"

void Modulator::ApplyControllerValue(int value) {
  if (value > 127) ExitMsgFmt(__FILE__, __LINE__, "Value out of bounds: {}", value);
  for (size_t i = 0; i < rangePeriod.size(); ++i) {
    if (rangeMin[i] <= value && value <= rangeMax[i]) {
      period = rangePeriod[i];
      return;
    }
  }
}

double NotePeriod(int numerator, int denominator, bool triplet) {
  if (denominator == 0) return 0.0;
  // The product is taken in single precision and the division in double, so that periods match
  // the values the music data was tuned with.
  const float whole = 4.0f * static_cast<float>(numerator);
  double period = static_cast<double>(whole) / denominator;
  if (triplet) period *= 2.0 / 3.0;
  return period;
}
