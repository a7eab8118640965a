#pragma once
// Modulators shape the value of a held note over time: envelopes (ADSR), low-frequency
// oscillators (LFO) and arpeggiators (Arp). Each is bound to one note track and built once from
// the music description file.

#include <cstdint>
#include <vector>

enum class ModulatorKind : int32_t { Envelope = 0, LFO = 1, Arp = 2 };

class Modulator {
 public:
  Modulator(ModulatorKind kind, int32_t key) : key(key), kind(kind) {}
  virtual ~Modulator() = default;
  Modulator(const Modulator&) = delete;
  Modulator& operator=(const Modulator&) = delete;

  // note_on and note_off are the beats of the latest note start and end at or before beat; the
  // note is held when note_on > note_off, and note_on < 0 means no note has started yet.
  virtual double GetValue(double bpm, double beat, double note_off, double note_on) const = 0;

  // Takes the period of the first range holding the controller value (min <= value <= max);
  // a value no range holds leaves the period as it is. A value above 127 is fatal.
  void ApplyControllerValue(int value);

  int32_t key = -1;  // the controller number of an LFO, else -1
  ModulatorKind kind;
  double intensity = 1.0;  // stored for the data's sake; the values do not apply it
  double period = 0.0;     // beats (LFO and Arp)
  // The range table of an LFO's template file, one entry per range in file order.
  std::vector<uint8_t> rangeMin;
  std::vector<uint8_t> rangeMax;
  std::vector<double> rangePeriod;
};

// The length in beats of numerator / denominator notes (4 beats to the whole note), two thirds
// of it for a triplet; a denominator of 0 gives 0.
double NotePeriod(int numerator, int denominator, bool triplet);
