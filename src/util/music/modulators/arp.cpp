#include "util/music/modulators/arp.h"

double Arp::GetValue(double /*bpm*/, double /*beat*/, double note_off, double note_on) const {
  return note_on > note_off ? 1.0 : 0.0;
}

uint32_t Arp::UpDownPosition(uint32_t step, uint32_t held_count) {
  if (held_count < 2) return 0;
  const uint32_t cycle = 2 * held_count - 2;
  const uint32_t s = step % cycle;
  return s < held_count ? s : cycle - s;
}
