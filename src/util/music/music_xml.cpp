#include "util/music/music_xml.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>

#include <tinyxml.h>

#include "system/log.h"
#include "util/data/data.h"
#include "util/music/als.h"
#include "util/music/midi.h"
#include "util/music/modulators/adsr.h"
#include "util/music/modulators/arp.h"
#include "util/music/modulators/lfo.h"
#include "util/music/music.h"
#include "util/music/xml_nesting.h"

namespace {

// The folder part of a path, with its trailing "/"; empty without one.
std::string DirectoryOf(const std::string& file) {
  const size_t slash = file.find_last_of('/');
  return slash == std::string::npos ? "" : file.substr(0, slash + 1);
}

std::string ExtensionOf(const std::string& file) {
  const size_t dot = file.find_last_of('.');
  const size_t slash = file.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  return file.substr(dot);
}

void ParseXmlFile(const std::string& file, TiXmlDocument& document) {
  const std::vector<uint8_t> bytes = GetFileBytes(file, "rb", true);
  // Cut at the first zero byte, so that the parser never runs past the data whether or not the
  // stored bytes carry the terminating zero.
  std::string text(bytes.begin(), bytes.end());
  text.resize(std::strlen(text.c_str()));
  if (XmlNestingDepth(text) > kMaxXmlNesting)
    ExitMsgFmt(__FILE__, __LINE__, "Could not load {}. Error='{}'. Exiting.", file,
               fmt::format("Elements nest deeper than {} levels", kMaxXmlNesting));
  document.Parse(text.c_str());
  if (document.Error())
    ExitMsgFmt(__FILE__, __LINE__, "Could not load {}. Error='{}'. Exiting.", file,
               document.ErrorDesc());
}

const TiXmlElement* RequireChild(const TiXmlElement* parent, const char* name) {
  const TiXmlElement* child = parent->FirstChildElement(name);
  if (!child)
    ExitMsgFmt(__FILE__, __LINE__, "Assert failed: <{}> at line {} has no <{}> element",
               parent->Value(), parent->Row(), name);
  return child;
}

const TiXmlElement* RequireRoot(const TiXmlDocument& document, const char* name,
                                const std::string& file) {
  const TiXmlElement* root = document.FirstChildElement(name);
  if (!root)
    ExitMsgFmt(__FILE__, __LINE__, "Assert failed: {} has no <{}> root element", file, name);
  return root;
}

std::string RequireAttribute(const TiXmlElement* element, const char* name) {
  const char* value = element->Attribute(name);
  if (!value)
    ExitMsgFmt(__FILE__, __LINE__, "Element <{}> at line {} lacks the attribute \"{}\"",
               element->Value(), element->Row(), name);
  return value;
}

std::string TextOf(const TiXmlElement* element) {
  const char* text = element->GetText();
  return text ? text : "";
}

// The text of a required child, which must not be empty.
std::string NumberText(const TiXmlElement* parent, const char* name) {
  const std::string text = TextOf(RequireChild(parent, name));
  if (text.empty()) ExitMsg(__FILE__, __LINE__, "sscanf failed");
  return text;
}

// Reads a whole number the way "%i" does (decimal, or octal and hex by prefix) and hands back
// where it stopped. Text without a number is fatal "sscanf failed"; a number beyond int is
// refused instead of being converted with undefined results.
int ParseInt(const std::string& text, const char** rest) {
  errno = 0;
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 0);
  if (end == text.c_str()) ExitMsg(__FILE__, __LINE__, "sscanf failed");
  if (errno == ERANGE || value < std::numeric_limits<int>::min() ||
      value > std::numeric_limits<int>::max())
    ExitMsgFmt(__FILE__, __LINE__, "Number {} is too large", text);
  if (rest) *rest = end;
  return static_cast<int>(value);
}

int ReadInt(const TiXmlElement* parent, const char* name) {
  return ParseInt(NumberText(parent, name), nullptr);
}

// A "%f" number of a required child; text holding no number gives the fallback. Too large a
// number reads as an infinity, never as undefined behaviour.
float ReadFloat(const TiXmlElement* parent, const char* name, float fallback) {
  const std::string text = NumberText(parent, name);
  char* end = nullptr;
  const float value = std::strtof(text.c_str(), &end);
  return end == text.c_str() ? fallback : value;
}

// numerator / denominator of a whole note in beats; a unit word after the denominator that
// begins with "t" marks a triplet ("8t").
double ReadPeriod(const TiXmlElement* parent) {
  const int numerator = ReadInt(parent, "numerator");
  // The unit word points into this text, so the text must outlive the parse.
  const std::string text = NumberText(parent, "denominator");
  const char* unit = nullptr;
  const int denominator = ParseInt(text, &unit);
  while (std::isspace(static_cast<unsigned char>(*unit))) ++unit;
  const bool triplet = *unit == 't' || *unit == 'T';
  return NotePeriod(numerator, denominator, triplet);
}

NoteTrack& FindTrack(NoteData& notes, const std::string& association, const std::string& name) {
  for (NoteTrack& track : notes.tracks)
    if (track.name == association) return track;
  ExitMsgFmt(__FILE__, __LINE__, "Could not find track {} for modulator {}", association, name);
}

std::unique_ptr<Modulator> BuildLfo(const TiXmlElement* lfo_element, const std::string& name,
                                    const std::string& directory) {
  const std::string wave = TextOf(RequireChild(lfo_element, "wave"));
  LFOWave wave_kind = LFOWave::Sine;
  if (wave == "saw") {
    wave_kind = LFOWave::Saw;
  } else if (wave != "sine") {
    ExitMsgFmt(__FILE__, __LINE__, "Unrecognized LFO wave type: {}", wave);
  }
  const TiXmlElement* tempo = RequireChild(lfo_element, "tempo");
  const TiXmlElement* controller = RequireChild(tempo, "controller");
  const int cc = ReadInt(controller, "cc");
  if (cc < 0 || cc > 127)
    ExitMsgFmt(__FILE__, __LINE__, "LFO of modulator {} names controller {}, not 0 to 127", name,
               cc);
  auto lfo = std::make_unique<LFO>(cc);
  lfo->wave = wave_kind;
  lfo->period = ReadPeriod(tempo);
  LogInfo("  ..added new LFO: wave {}, cc {}, period {:.3f}", wave, cc, lfo->period);
  const std::string template_file = RequireAttribute(RequireChild(controller, "template"), "file");
  LoadModulatorFile(directory + template_file, *lfo);
  return lfo;
}

ADSRSlope ReadSlope(const TiXmlElement* element) {
  const std::string slope = RequireAttribute(element, "slope");
  if (slope == "linear") return ADSRSlope::Linear;
  if (slope == "exp") return ADSRSlope::Exp;
  if (slope == "exp_inv") return ADSRSlope::ExpInv;
  ExitMsgFmt(__FILE__, __LINE__, "Unrecognized slope type: {}", slope);
}

void RequireUnit(const TiXmlElement* element, const char* expected) {
  const std::string unit = RequireAttribute(element, "unit");
  if (unit != expected) ExitMsgFmt(__FILE__, __LINE__, "Unrecognized unit type: {}", unit);
}

// A time in seconds of the envelope, converted to beats at the tempo.
float ReadEnvelopeTime(const TiXmlElement* envelope, const char* name, ADSRSlope& slope,
                       double bpm) {
  const TiXmlElement* element = RequireChild(envelope, name);
  RequireUnit(element, "s");
  slope = ReadSlope(element);
  const float seconds = ReadFloat(envelope, name, 1.0f);
  return static_cast<float>(seconds * (1.0f / 60.0f) * bpm);
}

std::unique_ptr<Modulator> BuildEnvelope(const TiXmlElement* envelope, double bpm) {
  auto adsr = std::make_unique<ADSR>();
  adsr->attack = ReadEnvelopeTime(envelope, "attack", adsr->attackSlope, bpm);
  adsr->decay = ReadEnvelopeTime(envelope, "decay", adsr->decaySlope, bpm);
  RequireUnit(RequireChild(envelope, "sustain"), "percent");
  adsr->sustain = static_cast<float>(ReadFloat(envelope, "sustain", 1.0f) * 0.01);
  adsr->release = ReadEnvelopeTime(envelope, "release", adsr->releaseSlope, bpm);
  LogInfo("   ..added ADSR envelope [{:.2f}] [{:.2f}] [{:.2f}] [{:.2f}]", adsr->attack, adsr->decay,
          adsr->sustain, adsr->release);
  return adsr;
}

std::unique_ptr<Modulator> BuildArp(const TiXmlElement* arp_element) {
  LogInfo("Found our ARP!");
  auto arp = std::make_unique<Arp>();
  const std::string pattern = TextOf(RequireChild(arp_element, "pattern"));
  if (pattern == "updown") {
    arp->pattern = ArpPattern::UpDown;
  } else if (pattern == "up") {
    arp->pattern = ArpPattern::Up;
  } else if (pattern == "down") {
    arp->pattern = ArpPattern::Down;
  } else {
    ExitMsgFmt(__FILE__, __LINE__, "Unrecognized arp pattern: {}", pattern);
  }
  arp->octaves = ReadInt(arp_element, "octaves");
  arp->period = ReadPeriod(arp_element);
  LogInfo("  ..added new Arp: pattern {}, octaves {}, period {:.3f}", pattern, arp->octaves,
          arp->period);
  return arp;
}

// The modulator an element describes, by the first of its kinds present; null for none.
std::unique_ptr<Modulator> BuildModulator(const TiXmlElement* element, const std::string& name,
                                          const std::string& directory, double bpm) {
  if (const TiXmlElement* lfo = element->FirstChildElement("lfo")) return BuildLfo(lfo, name, directory);
  if (const TiXmlElement* envelope = element->FirstChildElement("envelope"))
    return BuildEnvelope(envelope, bpm);
  if (const TiXmlElement* arp = element->FirstChildElement("arp")) return BuildArp(arp);
  LogInfo("..ouch, unrecognized modulator type");
  return nullptr;
}

void ApplyIntensity(const TiXmlElement* element, const std::string& name, Modulator* modulator) {
  const TiXmlElement* intensity = element->FirstChildElement("intensity");
  if (!intensity) return;
  // An intensity belongs to the modulator of its own element, never to an earlier one.
  if (!modulator)
    ExitMsgFmt(__FILE__, __LINE__,
               "Modulator {} has an intensity but no lfo, envelope or arp to apply it to", name);
  const char* unit = intensity->Attribute("unit");
  if (!unit)
    ExitMsgFmt(__FILE__, __LINE__, "The intensity of modulator {} has no unit", name);
  if (std::string(unit) != "float") ExitMsg(__FILE__, __LINE__, "Unexpected intensity unit: ");
  const std::string text = NumberText(element, "intensity");
  char* end = nullptr;
  const float value = std::strtof(text.c_str(), &end);
  if (end == text.c_str()) ExitMsg(__FILE__, __LINE__, "sscanf failed");
  modulator->intensity = value;
}

std::unique_ptr<NoteData> LoadNoteData(const TiXmlElement* root, const std::string& directory) {
  const char* value = root->Attribute("notedata_filename");
  if (!value) value = root->Attribute("mididata_filename");
  if (!value) ExitMsg(__FILE__, __LINE__, "Can't find valid note data file!");
  const std::string file = value;
  const std::string extension = ExtensionOf(file);
  if (extension == ".mid") return std::make_unique<MidiFile>(directory + file);
  if (extension == ".als") return std::make_unique<AlsFile>(directory + file);
  ExitMsgFmt(__FILE__, __LINE__, "Music format {} not supported", extension);
}

}  // namespace

std::unique_ptr<NoteData> LoadMusicXml(const std::string& file,
                                       const std::function<void(const std::string&)>& load_stream) {
  LogInfo("  Loading {}, force external file is {} and internal build is {}", file,
          data_mode == DataMode::Disk, data_mode == DataMode::Read);
  TiXmlDocument document;
  ParseXmlFile(file, document);
  const std::string directory = DirectoryOf(file);
  const TiXmlElement* root = RequireRoot(document, "modulators", file);
  load_stream(directory + RequireAttribute(root, "stream_filename"));

  std::unique_ptr<NoteData> notes = LoadNoteData(root, directory);
  LogInfo("  Loading Modulators...");
  load_xml_modulators(*notes, root->FirstChildElement(), directory, notes->bpm);
  LogInfo("  Done loading {}", file);
  return notes;
}

void load_xml_modulators(NoteData& notes, const TiXmlElement* first, const std::string& directory,
                         double bpm) {
  for (const TiXmlElement* element = first; element; element = element->NextSiblingElement()) {
    const std::string name = RequireAttribute(element, "name");
    const std::string association = RequireAttribute(element, "association");
    NoteTrack& track = FindTrack(notes, association, name);
    LogInfo("   found modulator '{}' for track '{}'", name, association);
    std::unique_ptr<Modulator> modulator = BuildModulator(element, name, directory, bpm);
    ApplyIntensity(element, name, modulator.get());
    if (modulator) track.modulators.push_back(std::move(modulator));
  }
  for (const NoteTrack& track : notes.tracks)
    LogInfo("   track '{}' has {} modulators", track.name, track.modulators.size());
}

void LoadModulatorFile(const std::string& file, Modulator& modulator) {
  LogInfo("  ..loading {}", file);
  TiXmlDocument document;
  ParseXmlFile(file, document);
  LogInfo("    ..parsing {}", file);
  const TiXmlElement* unit = RequireRoot(document, "unit", file);
  const TiXmlElement* range = RequireChild(RequireChild(unit, "template"), "range");
  for (; range; range = range->NextSiblingElement("range")) {
    const int min = ReadInt(range, "min");
    const int max = ReadInt(range, "max");
    if (min < 0 || min > 127 || max < 0 || max > 127)
      ExitMsgFmt(__FILE__, __LINE__, "Range {}..{} in {} is not within 0 to 127", min, max, file);
    modulator.rangeMin.push_back(static_cast<uint8_t>(min));
    modulator.rangeMax.push_back(static_cast<uint8_t>(max));
    modulator.rangePeriod.push_back(ReadPeriod(RequireChild(range, "value")));
  }
}

void Music::LoadXml(const std::string& file) {
  if (dummy) ExitMsg(__FILE__, __LINE__, "Assert failed");
  noteData = LoadMusicXml(file, [this](const std::string& stream) { LoadStream(stream); });
  bpm = noteData->bpm;
}

std::vector<float> Music::GetNoteValues(int track, double beat) {
  return ::GetNoteValues(noteData.get(), track, beat, bpm);
}

float Music::GetNoteValue(int track, double beat) {
  return ::GetNoteValue(noteData.get(), track, beat, bpm);
}

std::vector<uint8_t> Music::GetNoteTrackKeys() { return ::GetNoteTrackKeys(noteData.get()); }
