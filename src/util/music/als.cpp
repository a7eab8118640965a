#include "util/music/als.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <queue>
#include <utility>

#include <tinyxml.h>

#include "system/log.h"
#include "util/data/data.h"
#include "util/music/xml_nesting.h"

namespace {

// A clip unrolled beyond this many loop passes is taken for broken data, not music.
constexpr int kMaxLoopPasses = 100000;

const TiXmlElement* Descend(const TiXmlElement* element, std::initializer_list<const char*> path) {
  for (const char* name : path) {
    if (!element) return nullptr;
    element = element->FirstChildElement(name);
  }
  return element;
}

// Beats and tempi beyond this are broken data; the limit keeps sums of them finite and within
// single precision, to which note times are rounded.
constexpr double kLargestNumber = 1e30;

// An attribute as a number; 0 when it is missing. Not-a-number, infinities and absurd values
// are refused, as they would make times unordered or loops endless.
double NumberAttribute(const TiXmlElement* element, const char* name) {
  const char* text = element ? element->Attribute(name) : nullptr;
  if (!text) return 0.0;
  const double value = std::atof(text);
  if (!(std::fabs(value) <= kLargestNumber))
    ExitMsgFmt(__FILE__, __LINE__, "Live set value \"{}\" of <{}> at line {} is not a usable number",
               text, element->Value(), element->Row());
  return value;
}

// The attribute "Value" of the element at the path as a number; 0 when either is missing.
double ValueAt(const TiXmlElement* element, std::initializer_list<const char*> path) {
  return NumberAttribute(Descend(element, path), "Value");
}

std::string TextValueAt(const TiXmlElement* element, std::initializer_list<const char*> path) {
  const TiXmlElement* target = Descend(element, path);
  const char* value = target ? target->Attribute("Value") : nullptr;
  return value ? value : "";
}

struct Clip {
  double start = 0.0;
  double end = 0.0;
  bool looped = false;
  double loopStart = 0.0;
  double loopEnd = 0.0;
};

Clip ReadClip(const TiXmlElement* clip_element) {
  Clip clip;
  clip.start = ValueAt(clip_element, {"CurrentStart"});
  clip.end = ValueAt(clip_element, {"CurrentEnd"});
  clip.looped = TextValueAt(clip_element, {"Loop", "LoopOn"}) == "true";
  clip.loopStart = ValueAt(clip_element, {"Loop", "LoopStart"});
  clip.loopEnd = ValueAt(clip_element, {"Loop", "LoopEnd"});
  // A loop that does not move forward would repeat forever; it plays once.
  if (!(clip.loopEnd > clip.loopStart)) clip.looped = false;
  return clip;
}

// Adds the notes of one key track of a clip to its lane, once per loop pass, and returns the
// number of notes added.
int UnrollKeyTrack(const std::string& name, const Clip& clip, const TiXmlElement* key_track,
                   NoteLane& lane) {
  const TiXmlElement* notes = Descend(key_track, {"Notes"});
  int count = 0;
  double offset = clip.start;
  for (int pass = 0;; ++pass) {
    if (pass == kMaxLoopPasses)
      ExitMsgFmt(__FILE__, __LINE__, "Live set {}: a clip loops more than {} times", name,
                 kMaxLoopPasses);
    for (const TiXmlElement* note = notes ? notes->FirstChildElement("MidiNoteEvent") : nullptr;
         note; note = note->NextSiblingElement("MidiNoteEvent")) {
      const double t = offset + NumberAttribute(note, "Time");
      if (t >= clip.end) break;
      // Starts and ends are told apart by their sign, so a note before beat 0 or one ending
      // before it starts would turn into the other kind of event.
      const double duration = NumberAttribute(note, "Duration");
      if (t < 0.0 || duration < 0.0)
        ExitMsgFmt(__FILE__, __LINE__,
                   "Live set {}: a note at beat {} lasting {} beats starts before the song or "
                   "ends before it starts",
                   name, t, duration);
      ++count;
      lane.events.push_back(static_cast<float>(t));
      lane.events.push_back(-static_cast<double>(static_cast<float>(t + duration)));
    }
    const double next = offset + (clip.loopEnd - clip.loopStart);
    if (!clip.looped || next > clip.end || next == offset) break;
    offset = next;
  }
  return count;
}

// Overlapping notes of one key, and clips out of time order, leave events out of order; the
// note values need them ordered. The lane holds (start, end) pairs; they are replayed by start
// time, each end placed before any start at or after it, so that a note starting where another
// ends is seen as a new start while a zero-length note keeps its start before its end.
void SortLaneEvents(NoteLane& lane) {
  std::vector<std::pair<double, double>> notes;
  for (size_t i = 0; i + 1 < lane.events.size(); i += 2)
    notes.emplace_back(lane.events[i], std::fabs(lane.events[i + 1]));
  std::stable_sort(notes.begin(), notes.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::priority_queue<double, std::vector<double>, std::greater<double>> pending_ends;
  lane.events.clear();
  for (const auto& [start, end] : notes) {
    while (!pending_ends.empty() && pending_ends.top() <= start) {
      lane.events.push_back(-pending_ends.top());
      pending_ends.pop();
    }
    lane.events.push_back(start);
    pending_ends.push(end);
  }
  for (; !pending_ends.empty(); pending_ends.pop()) lane.events.push_back(-pending_ends.top());
}

// The key of a key track: a lane can be made only for a MIDI key 0 to 127.
uint8_t ReadKey(const TiXmlElement* key_track) {
  const TiXmlElement* key = Descend(key_track, {"MidiKey"});
  int value = 0;
  if (!key || key->QueryIntAttribute("Value", &value) != TIXML_SUCCESS || value < 0 || value > 127)
    ExitMsg(__FILE__, __LINE__, "Failed to parse ALS track");
  return static_cast<uint8_t>(value);
}

void RemoveEmptyLanes(NoteTrack& track) {
  std::erase_if(track.lanes, [](const NoteLane& lane) { return lane.events.empty(); });
}

}  // namespace

AlsFile::AlsFile(const std::string& file) {
  LogInfo("  Parsing ALS from {}", file);
  const std::vector<uint8_t> bytes = GetGzipFileBytes(file, "rb", false);
  Parse(file, std::string(bytes.begin(), bytes.end()));
}

AlsFile::AlsFile(const std::string& name, const std::string& xml) { Parse(name, xml); }

void AlsFile::Parse(const std::string& name, const std::string& xml) {
  if (XmlNestingDepth(xml) > kMaxXmlNesting)
    ExitMsgFmt(__FILE__, __LINE__, "Could not parse XML from {}. Error='{}'. Exiting.", name,
               fmt::format("Elements nest deeper than {} levels", kMaxXmlNesting));
  TiXmlDocument document;
  document.Parse(xml.c_str());
  if (document.Error())
    ExitMsgFmt(__FILE__, __LINE__, "Could not parse XML from {}. Error='{}'. Exiting.", name,
               document.ErrorDesc());
  const TiXmlElement* root = document.FirstChildElement("Ableton");
  if (!root)
    ExitMsgFmt(__FILE__, __LINE__, "Assert failed: {} has no <Ableton> root element", name);
  bpm = ValueAt(root, {"LiveSet", "MasterTrack", "DeviceChain", "Mixer", "Tempo", "Manual"});
  LogInfo("  ..got bpm of {}", bpm);
  ParseTracks(name, Descend(root, {"LiveSet", "Tracks"}));
  LogNoteTracks(*this);
}

void AlsFile::ParseTracks(const std::string& name, const TiXmlElement* tracks_element) {
  if (!tracks_element) return;
  for (const TiXmlElement* midi_track = tracks_element->FirstChildElement("MidiTrack"); midi_track;
       midi_track = midi_track->NextSiblingElement("MidiTrack")) {
    NoteTrack track;
    track.name = TextValueAt(midi_track, {"Name", "EffectiveName"});
    int note_events = 0;
    const TiXmlElement* events = Descend(
        midi_track, {"DeviceChain", "MainSequencer", "ClipTimeable", "ArrangerAutomation", "Events"});
    for (const TiXmlElement* clip_element = events ? events->FirstChildElement("MidiClip") : nullptr;
         clip_element; clip_element = clip_element->NextSiblingElement("MidiClip")) {
      const Clip clip = ReadClip(clip_element);
      const TiXmlElement* key_tracks = Descend(clip_element, {"Notes", "KeyTracks"});
      for (const TiXmlElement* key_track = key_tracks ? key_tracks->FirstChildElement("KeyTrack") : nullptr;
           key_track; key_track = key_track->NextSiblingElement("KeyTrack")) {
        NoteLane& lane = FindOrAddLane(track, ReadKey(key_track));
        note_events += UnrollKeyTrack(name, clip, key_track, lane);
        RemoveEmptyLanes(track);
      }
    }
    for (NoteLane& lane : track.lanes) SortLaneEvents(lane);
    if (note_events > 0) tracks.push_back(std::move(track));
  }
}
