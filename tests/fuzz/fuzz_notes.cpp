// Fuzzes the note readers. The first input byte picks what the rest is:
//   even: a Standard MIDI file;
//   odd:  the XML text of a Live set.
// A file that loads has its note values read at a few beats, with an envelope, an oscillator
// whose period follows controller 74 (the seed's controller) and an arpeggiator on every track. Every refused input must end in the fatal exit (FatalExit here),
// never in a read outside a buffer or a hang.

#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "util/data/data.h"
#include "util/music/als.h"
#include "util/music/midi.h"
#include "util/music/modulators/adsr.h"
#include "util/music/modulators/arp.h"
#include "util/music/modulators/lfo.h"

// The readers' file constructors are not fuzzed; these keep the target free of the data layer.
std::vector<uint8_t> GetFileBytes(const std::string& name, const std::string&, bool) {
  throw FatalExit("no file access while fuzzing: " + name);
}
std::vector<uint8_t> GetGzipFileBytes(const std::string& name, const std::string&, bool) {
  throw FatalExit("no file access while fuzzing: " + name);
}

namespace {

void ReadNoteValues(NoteData& notes) {
  for (NoteTrack& track : notes.tracks) {
    track.modulators.push_back(std::make_unique<ADSR>());
    auto lfo = std::make_unique<LFO>(74);
    lfo->rangeMin = {0, 64};
    lfo->rangeMax = {63, 100};  // values above 100 leave the period as it was
    lfo->rangePeriod = {1.0, 0.0};
    track.modulators.push_back(std::move(lfo));
    track.modulators.push_back(std::make_unique<Arp>());
    track.modulators.back()->period = 0.25;
  }
  for (size_t track = 0; track < notes.tracks.size(); ++track)
    for (double beat : {-1.0, 0.0, 0.5, 3.0, 100.0, 1e9})
      GetNoteValues(&notes, static_cast<int>(track), beat, notes.bpm);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  try {
    if (data[0] % 2 == 0) {
      MidiFile midi("fuzz.mid", std::vector<uint8_t>(data + 1, data + size));
      ReadNoteValues(midi);
    } else {
      AlsFile als("fuzz.als", std::string(reinterpret_cast<const char*>(data + 1), size - 1));
      ReadNoteValues(als);
    }
  } catch (const FatalExit&) {
  }
  return 0;
}
