// Fuzzes the music description reader. The first input byte picks what the rest is:
//   even: the description "fuzz/music.xml" (its template, MIDI file and Live set are fixed);
//   odd:  the LFO template "fuzz/lfo.xml" named by a fixed description.
// Every file comes through the data layer, as from the packed data file. A description that
// loads has its note values read at a few beats with the modulators it built. Every refused
// input must end in the fatal exit (FatalExit here) or the data layer's exception for a file
// that is not there, never in undefined behaviour or a hang.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "notes/midi_bytes.h"
#include "util/data/data.h"
#include "util/music/music.h"
#include "util/music/music_xml.h"

// The audio file is not part of what is fuzzed.
void Music::LoadStream(const std::string&) {}

namespace {

const char kDescription[] = R"(<modulators stream_filename="song.ogg" notedata_filename="notes.mid">
  <m name="wobble" association="Lead"><lfo><wave>saw</wave><tempo><numerator>1</numerator>
    <denominator>8t</denominator><controller><cc>74</cc><template file="lfo.xml" /></controller>
    </tempo></lfo></m>
</modulators>)";

const char kTemplate[] = R"(<unit><template>
  <range><min>0</min><max>63</max><value><numerator>1</numerator><denominator>4</denominator></value></range>
</template></unit>)";

const char kLiveSet[] = R"(<Ableton><LiveSet><Tracks><MidiTrack><Name><EffectiveName Value="Keys" />
  </Name><DeviceChain><MainSequencer><ClipTimeable><ArrangerAutomation><Events><MidiClip>
  <CurrentStart Value="0" /><CurrentEnd Value="8" /><Notes><KeyTracks><KeyTrack><Notes>
  <MidiNoteEvent Time="0" Duration="1" /></Notes><MidiKey Value="60" /></KeyTrack></KeyTracks>
  </Notes></MidiClip></Events></ArrangerAutomation></ClipTimeable></MainSequencer></DeviceChain>
  </MidiTrack></Tracks></LiveSet></Ableton>)";

// Two tracks, "Lead" and "Pad", each one note long, with a controller change on 74.
std::vector<uint8_t> NotesFile() {
  using notes_test::Bytes;
  Bytes file = notes_test::MidiHeader(2, 480);
  for (const std::string name : {"Lead", "Pad"}) {
    Bytes events{0, 0xFF, 0x03, static_cast<uint8_t>(name.size())};
    events.insert(events.end(), name.begin(), name.end());
    notes_test::Append(events, {0, 0xB0, 74, 20, 0, 0x90, 60, 100, 0x83, 0x60, 60, 0, 0, 0xFF, 0x2F, 0});
    notes_test::AppendTrack(file, events);
  }
  return file;
}

std::vector<uint8_t> Text(const std::string& text) { return {text.begin(), text.end()}; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::vector<uint8_t> input(data + 1, data + size);
  const bool description = data[0] % 2 == 0;
  ResetDataFileState();
  data_mode = DataMode::Read;
  AddDataFileEntry({"fuzz/music.xml", description ? input : Text(kDescription), false});
  AddDataFileEntry({"fuzz/lfo.xml", description ? Text(kTemplate) : input, false});
  AddDataFileEntry({"fuzz/notes.mid", NotesFile(), false});
  AddDataFileEntry({"fuzz/notes.als", Text(kLiveSet), false});
  try {
    std::unique_ptr<NoteData> notes = LoadMusicXml("fuzz/music.xml", [](const std::string&) {});
    for (size_t track = 0; track < notes->tracks.size(); ++track)
      for (double beat : {-1.0, 0.0, 0.5, 1.5, 3.0, 1e6})
        GetNoteValues(notes.get(), static_cast<int>(track), beat, notes->bpm);
  } catch (const FatalExit&) {
  } catch (const std::runtime_error&) {
    // A file the description names that is not there: the data layer's own refusal.
  }
  return 0;
}
