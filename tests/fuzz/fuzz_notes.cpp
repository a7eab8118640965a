// Fuzzes the note readers. The first input byte picks what the rest is:
//   even: a Standard MIDI file;
//   odd:  the XML text of a Live set.
// Each is read twice: from memory, and through the data layer as a file of the packed data
// file; both must agree on whether the input loads and on what it holds.
// A file that loads has its note values read at a few beats, with an envelope, an oscillator
// whose period follows controller 74 (the seed's controller) and an arpeggiator on every
// track. Every refused input must end in the fatal exit (FatalExit here), never in a read
// outside a buffer or a hang.

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "util/data/data.h"
#include "util/music/als.h"
#include "util/music/midi.h"
#include "util/music/modulators/adsr.h"
#include "util/music/modulators/arp.h"
#include "util/music/modulators/lfo.h"

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

// The tracks a reader made, lane by lane; empty for an input that was refused.
std::vector<std::vector<double>> Summary(const std::function<std::unique_ptr<NoteData>()>& read) {
  std::vector<std::vector<double>> lanes;
  try {
    std::unique_ptr<NoteData> notes = read();
    lanes.push_back({notes->bpm, static_cast<double>(notes->tracks.size())});
    for (const NoteTrack& track : notes->tracks)
      for (const NoteLane& lane : track.lanes) lanes.push_back(lane.events);
    ReadNoteValues(*notes);
  } catch (const FatalExit&) {
  }
  return lanes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::vector<uint8_t> bytes(data + 1, data + size);
  const std::string name = data[0] % 2 == 0 ? "fuzz.mid" : "fuzz.als";
  ResetDataFileState();
  data_mode = DataMode::Read;
  AddDataFileEntry({name, bytes, false});
  std::vector<std::vector<double>> from_memory, from_file;
  if (data[0] % 2 == 0) {
    from_memory = Summary([&] { return std::make_unique<MidiFile>(name, bytes); });
    from_file = Summary([&] { return std::make_unique<MidiFile>(name); });
  } else {
    const std::string xml(bytes.begin(), bytes.end());
    from_memory = Summary([&] { return std::make_unique<AlsFile>(name, xml); });
    from_file = Summary([&] { return std::make_unique<AlsFile>(name); });
  }
  // Not-a-number never compares equal, so the summaries are compared bit for bit.
  if (from_memory.size() != from_file.size()) __builtin_trap();
  for (size_t i = 0; i < from_memory.size(); ++i) {
    if (from_memory[i].size() != from_file[i].size() ||
        std::memcmp(from_memory[i].data(), from_file[i].data(),
                    from_memory[i].size() * sizeof(double)) != 0)
      __builtin_trap();
  }
  return 0;
}
