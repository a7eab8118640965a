#include <cstring>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "notes_test_util.h"
#include "util/data/data.h"
#include "util/music/modulators/adsr.h"
#include "util/music/modulators/arp.h"
#include "util/music/modulators/lfo.h"
#include "util/music/music_xml.h"

namespace {

using notes_test::Events;

constexpr const char* kEnvelope = R"(<envelope>
      <attack unit="s" slope="linear">0.5</attack>
      <decay unit="s" slope="exp">0.25</decay>
      <sustain unit="percent">50</sustain>
      <release unit="s" slope="exp_inv">1</release>
    </envelope>)";

constexpr const char* kArp = R"(<arp><pattern>updown</pattern><octaves>2</octaves>
      <numerator>1</numerator><denominator>16</denominator></arp>)";

constexpr const char* kLfo = R"(<lfo><wave>saw</wave><tempo><numerator>1</numerator>
      <denominator>8t</denominator><controller><cc>74</cc><template file="lfo.xml" />
      </controller></tempo></lfo>)";

constexpr const char* kTemplate = R"(<unit><template>
    <range><min>0</min><max>63</max><value><numerator>1</numerator><denominator>4</denominator></value></range>
    <range><min>64</min><max>127</max><value><numerator>1</numerator><denominator>16t</denominator></value></range>
  </template></unit>)";

// A folder holding a MIDI file with the tracks "Lead" and "Pad" at 150 BPM (400000 µs), a
// template file, and music descriptions written by each test.
class MusicXml : public ::testing::Test {
 protected:
  void SetUp() override {
    data_mode = DataMode::Disk;
    const auto track = [](const char* name, uint8_t key) {
      Events events;
      events.At(0, {0xFF, 0x03, static_cast<uint8_t>(std::strlen(name))});
      for (const char* c = name; *c; ++c) events.bytes.push_back(static_cast<uint8_t>(*c));
      return events.At(0, {0xFF, 0x51, 3, 0x06, 0x1A, 0x80})
          .At(0, {0x90, key, 100})
          .At(480, {0x80, key, 0})
          .End()
          .bytes;
    };
    dir.Write("notes.mid", notes_test::MidiFileBytes({track("Lead", 60), track("Pad", 48)}));
    dir.Write("lfo.xml", kTemplate);
  }

  // A description whose root holds the given attributes and modulator elements.
  std::string Describe(const std::string& attributes, const std::string& modulators) {
    return dir.Write("music.xml", fmt::format("<?xml version=\"1.0\"?>\n<modulators {}>\n{}\n</modulators>\n",
                                              attributes, modulators));
  }
  std::string DescribeModulators(const std::string& modulators) {
    return Describe(R"(stream_filename="song.ogg" notedata_filename="notes.mid")", modulators);
  }
  static std::string Element(const std::string& name, const std::string& track,
                             const std::string& body) {
    return fmt::format(R"(<modulator name="{}" association="{}">{}</modulator>)", name, track, body);
  }

  std::unique_ptr<NoteData> Load(const std::string& file) {
    return LoadMusicXml(file, [this](const std::string& stream) { streams.push_back(stream); });
  }
  NoteTrack& Track(NoteData& notes, const std::string& name) {
    for (NoteTrack& track : notes.tracks)
      if (track.name == name) return track;
    ADD_FAILURE() << "no track " << name;
    return notes.tracks.at(0);
  }

  notes_test::ScratchDir dir;
  std::vector<std::string> streams;
};

TEST_F(MusicXml, LoadsStreamNoteDataAndModulatorsRelativeToItsFolder) {
  std::unique_ptr<NoteData> notes = Load(DescribeModulators(
      Element("env", "Lead", kEnvelope) + Element("wobble", "Lead", kLfo) +
      Element("arp", "Pad", std::string(kArp) + R"(<intensity unit="float">0.75</intensity>)")));
  EXPECT_EQ(streams, (std::vector<std::string>{dir.Path() + "song.ogg"}));
  ASSERT_EQ(notes->tracks.size(), 2u);
  EXPECT_NEAR(notes->bpm, 150.0, 1e-4);

  NoteTrack& lead = Track(*notes, "Lead");
  ASSERT_EQ(lead.modulators.size(), 2u);
  ASSERT_EQ(lead.modulators[0]->kind, ModulatorKind::Envelope);
  const ADSR& adsr = static_cast<const ADSR&>(*lead.modulators[0]);
  // Seconds become beats at the note data's tempo: 0.5 s at 150 BPM is 1.25 beats.
  EXPECT_NEAR(adsr.attack, 1.25, 1e-5);
  EXPECT_NEAR(adsr.decay, 0.625, 1e-5);
  EXPECT_NEAR(adsr.sustain, 0.5, 1e-6);
  EXPECT_NEAR(adsr.release, 2.5, 1e-5);
  EXPECT_EQ(adsr.attackSlope, ADSRSlope::Linear);
  EXPECT_EQ(adsr.decaySlope, ADSRSlope::Exp);
  EXPECT_EQ(adsr.releaseSlope, ADSRSlope::ExpInv);
  EXPECT_EQ(adsr.intensity, 1.0);

  ASSERT_EQ(lead.modulators[1]->kind, ModulatorKind::LFO);
  const LFO& lfo = static_cast<const LFO&>(*lead.modulators[1]);
  EXPECT_EQ(lfo.key, 74);
  EXPECT_EQ(lfo.wave, LFOWave::Saw);
  EXPECT_DOUBLE_EQ(lfo.period, 1.0 / 3.0);
  EXPECT_EQ(lfo.rangeMin, (std::vector<uint8_t>{0, 64}));
  EXPECT_EQ(lfo.rangeMax, (std::vector<uint8_t>{63, 127}));
  ASSERT_EQ(lfo.rangePeriod.size(), 2u);
  EXPECT_DOUBLE_EQ(lfo.rangePeriod[0], 1.0);
  EXPECT_DOUBLE_EQ(lfo.rangePeriod[1], 1.0 / 6.0);

  NoteTrack& pad = Track(*notes, "Pad");
  ASSERT_EQ(pad.modulators.size(), 1u);
  const Arp& arp = static_cast<const Arp&>(*pad.modulators[0]);
  EXPECT_EQ(arp.pattern, ArpPattern::UpDown);
  EXPECT_EQ(arp.octaves, 2);
  EXPECT_DOUBLE_EQ(arp.period, 0.25);
  EXPECT_FLOAT_EQ(arp.intensity, 0.75);
}

TEST_F(MusicXml, LoadedModulatorsShapeTheNoteValues) {
  std::unique_ptr<NoteData> notes = Load(DescribeModulators(Element("env", "Lead", kEnvelope)));
  const int lead = notes->tracks[0].name == "Lead" ? 0 : 1;
  // The note lasts beats 0 to 1; the attack of 1.25 beats has not finished when it ends.
  EXPECT_NEAR(GetNoteValue(notes.get(), lead, 0.625, notes->bpm), 0.5, 1e-5);
}

TEST_F(MusicXml, TheOlderNoteDataAttributeIsAccepted) {
  std::unique_ptr<NoteData> notes =
      Load(Describe(R"(stream_filename="a/song.mp3" mididata_filename="notes.mid")", ""));
  EXPECT_EQ(notes->tracks.size(), 2u);
  EXPECT_EQ(streams, (std::vector<std::string>{dir.Path() + "a/song.mp3"}));
}

TEST_F(MusicXml, LiveSetNoteData) {
  dir.WriteGzip("set.als",
                R"(<Ableton><LiveSet><Tracks><MidiTrack><Name><EffectiveName Value="Keys" /></Name>)"
                R"(<DeviceChain><MainSequencer><ClipTimeable><ArrangerAutomation><Events>)"
                R"(<MidiClip><CurrentEnd Value="4" /><Notes><KeyTracks><KeyTrack><Notes>)"
                R"(<MidiNoteEvent Time="1" Duration="1" /></Notes><MidiKey Value="60" /></KeyTrack>)"
                R"(</KeyTracks></Notes></MidiClip></Events></ArrangerAutomation></ClipTimeable>)"
                R"(</MainSequencer></DeviceChain></MidiTrack></Tracks><MasterTrack><DeviceChain>)"
                R"(<Mixer><Tempo><Manual Value="90" /></Tempo></Mixer></DeviceChain></MasterTrack>)"
                R"(</LiveSet></Ableton>)");
  std::unique_ptr<NoteData> notes =
      Load(Describe(R"(stream_filename="song.ogg" notedata_filename="set.als")",
                    Element("env", "Keys", kEnvelope)));
  EXPECT_EQ(notes->bpm, 90.0);
  ASSERT_EQ(notes->tracks.size(), 1u);
  EXPECT_NEAR(static_cast<const ADSR&>(*notes->tracks[0].modulators[0]).attack, 0.75, 1e-5);
}

TEST_F(MusicXml, ElementsOfUnknownKindAddNoModulator) {
  std::unique_ptr<NoteData> notes = Load(DescribeModulators(
      Element("env", "Lead", kEnvelope) + Element("odd", "Lead", "<chorus />")));
  EXPECT_EQ(Track(*notes, "Lead").modulators.size(), 1u);
}

TEST_F(MusicXml, IntensityBelongsToItsOwnElementsModulator) {
  std::unique_ptr<NoteData> notes = Load(DescribeModulators(
      Element("env", "Lead", kEnvelope) +
      Element("arp", "Lead", std::string(kArp) + R"(<intensity unit="float">0.25</intensity>)")));
  NoteTrack& lead = Track(*notes, "Lead");
  EXPECT_EQ(lead.modulators[0]->intensity, 1.0);
  EXPECT_FLOAT_EQ(lead.modulators[1]->intensity, 0.25);
}

TEST_F(MusicXml, PeriodsOfTheDenominatorForms) {
  auto arp_period = [this](const char* denominator) {
    const std::string body = fmt::format(
        "<arp><pattern>up</pattern><octaves>1</octaves><numerator>1</numerator>"
        "<denominator>{}</denominator></arp>",
        denominator);
    std::unique_ptr<NoteData> notes = Load(DescribeModulators(Element("a", "Pad", body)));
    return Track(*notes, "Pad").modulators[0]->period;
  };
  EXPECT_DOUBLE_EQ(arp_period("8"), 0.5);
  EXPECT_DOUBLE_EQ(arp_period("8t"), 1.0 / 3.0);
  EXPECT_DOUBLE_EQ(arp_period("8 T"), 1.0 / 3.0);
  EXPECT_DOUBLE_EQ(arp_period("4 beats"), 1.0);
  // Text too long to be stored inside the string object: its unit word lives on the heap.
  EXPECT_DOUBLE_EQ(arp_period("8 triplets, as a long word"), 1.0 / 3.0);
  EXPECT_DOUBLE_EQ(arp_period("0"), 0.0);
}

TEST_F(MusicXml, EnvelopeValuesThatAreNotNumbersReadAsOne) {
  const std::string body = R"(<envelope><attack unit="s" slope="linear">soon</attack>
      <decay unit="s" slope="linear">0</decay><sustain unit="percent">x</sustain>
      <release unit="s" slope="linear">0</release></envelope>)";
  std::unique_ptr<NoteData> notes = Load(DescribeModulators(Element("e", "Lead", body)));
  const ADSR& adsr = static_cast<const ADSR&>(*Track(*notes, "Lead").modulators[0]);
  EXPECT_NEAR(adsr.attack, 2.5, 1e-5);  // 1 s at 150 BPM
  EXPECT_NEAR(adsr.sustain, 0.01, 1e-6);
}

// Refusals: each problem in a description ends the run with its message.

TEST_F(MusicXml, RefusesBrokenOrForeignDocuments) {
  EXPECT_FATAL(Load(dir.Write("broken.xml", "<modulators><x></modulators>")),
               "Could not load .*broken.xml. Error='.*'. Exiting.");
  EXPECT_FATAL(Load(dir.Write("other.xml", "<music />")),
               "Assert failed: .*other.xml has no <modulators> root element");
  EXPECT_FATAL(Load(dir.Write("deep.xml", notes_test::NestedElements(50000))),
               "Could not load .*deep.xml. Error='Elements nest deeper than 256 levels'");
}

TEST_F(MusicXml, MissingElementsAreNamed) {
  const std::string no_denominator =
      "<arp><pattern>up</pattern><octaves>1</octaves><numerator>1</numerator></arp>";
  EXPECT_FATAL(Load(DescribeModulators(Element("a", "Pad", no_denominator))),
               "Assert failed: <arp> at line [0-9]+ has no <denominator> element");
}

TEST_F(MusicXml, RefusesMissingOrUnknownFiles) {
  EXPECT_FATAL(Load(Describe(R"(stream_filename="song.ogg")", "")), "Can't find valid note data file!");
  EXPECT_FATAL(Load(Describe(R"(stream_filename="song.ogg" notedata_filename="notes.MID")", "")),
               "Music format .MID not supported");
  EXPECT_FATAL(Load(Describe(R"(notedata_filename="notes.mid")", "")),
               "lacks the attribute \"stream_filename\"");
}

TEST_F(MusicXml, RefusesModulatorsForUnknownTracks) {
  EXPECT_FATAL(Load(DescribeModulators(Element("m1", "Drums", kEnvelope))),
               "Could not find track Drums for modulator m1");
  EXPECT_FATAL(Load(DescribeModulators(R"(<modulator name="m">)" + std::string(kArp) + "</modulator>")),
               "lacks the attribute \"association\"");
}

TEST_F(MusicXml, RefusesIntensityWithoutAModulatorOrInAnotherUnit) {
  EXPECT_FATAL(Load(DescribeModulators(Element("env", "Lead", kEnvelope) +
                                       Element("odd", "Lead", R"(<intensity unit="float">2</intensity>)"))),
               "Modulator odd has an intensity but no lfo, envelope or arp");
  EXPECT_FATAL(Load(DescribeModulators(
                   Element("arp", "Lead", std::string(kArp) + R"(<intensity unit="percent">50</intensity>)"))),
               "\nUnexpected intensity unit: \n");
  EXPECT_FATAL(Load(DescribeModulators(
                   Element("arp", "Lead", std::string(kArp) + R"(<intensity>0.5</intensity>)"))),
               "The intensity of modulator arp has no unit");
}

TEST_F(MusicXml, RefusesUnknownWordsInModulators) {
  auto load_body = [this](const std::string& body) {
    Load(DescribeModulators(Element("m", "Lead", body)));
  };
  std::string envelope = kEnvelope;
  EXPECT_FATAL(load_body(std::string(envelope).replace(envelope.find("unit=\"s\""), 8, "unit=\"ms\"")),
               "Unrecognized unit type: ms");
  EXPECT_FATAL(load_body(std::string(envelope).replace(envelope.find("\"linear\""), 8, "\"cubic\"")),
               "Unrecognized slope type: cubic");
  std::string lfo = kLfo;
  EXPECT_FATAL(load_body(std::string(lfo).replace(lfo.find("saw"), 3, "square")),
               "Unrecognized LFO wave type: square");
  EXPECT_FATAL(load_body(std::string(lfo).replace(lfo.find("74"), 2, "128")),
               "names controller 128, not 0 to 127");
  // The wave is judged before the rest of the oscillator is looked for.
  EXPECT_FATAL(load_body("<lfo><wave>square</wave></lfo>"), "Unrecognized LFO wave type: square");
  std::string arp = kArp;
  EXPECT_FATAL(load_body(std::string(arp).replace(arp.find("updown"), 6, "UpDown")),
               "Unrecognized arp pattern: UpDown");
  EXPECT_FATAL(load_body(std::string(arp).replace(arp.find("<octaves>2"), 10, "<octaves>")),
               "sscanf failed");
  EXPECT_FATAL(load_body("<arp><pattern>up</pattern></arp>"), "Assert failed");
  EXPECT_FATAL(load_body(std::string(arp).replace(arp.find("<octaves>2"), 10, "<octaves>99999999999")),
               "Number 99999999999 is too large");
  EXPECT_FATAL(load_body(std::string(arp).replace(arp.find(">16<"), 4, "> t<")), "sscanf failed");
}

TEST_F(MusicXml, RefusesBrokenTemplates) {
  dir.Write("lfo.xml", "<unit><template /></unit>");
  EXPECT_FATAL(Load(DescribeModulators(Element("w", "Lead", kLfo))), "Assert failed");
  dir.Write("lfo.xml",
            "<unit><template><range><min>0</min><max>300</max><value><numerator>1</numerator>"
            "<denominator>4</denominator></value></range></template></unit>");
  EXPECT_FATAL(Load(DescribeModulators(Element("w", "Lead", kLfo))), "not within 0 to 127");
}

}  // namespace
