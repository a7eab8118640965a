#include <cmath>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "notes_test_util.h"
#include "util/data/data.h"
#include "util/music/als.h"

namespace {

struct Note {
  double time;
  double duration;
};

struct KeyTrackNotes {
  int key;
  std::vector<Note> notes;
};

struct ClipLayout {
  double start;
  double end;
  bool looped = false;
  double loop_start = 0;
  double loop_end = 0;
  std::vector<KeyTrackNotes> key_tracks;
};

std::string ClipXml(const ClipLayout& clip) {
  std::string key_tracks;
  for (const KeyTrackNotes& key_track : clip.key_tracks) {
    std::string notes;
    for (const Note& note : key_track.notes)
      notes += fmt::format(R"(<MidiNoteEvent Time="{}" Duration="{}" Velocity="100" />)",
                           note.time, note.duration);
    key_tracks += fmt::format(R"(<KeyTrack><Notes>{}</Notes><MidiKey Value="{}" /></KeyTrack>)",
                              notes, key_track.key);
  }
  return fmt::format(
      R"(<MidiClip Time="{0}"><CurrentStart Value="{0}" /><CurrentEnd Value="{1}" />)"
      R"(<Loop><LoopStart Value="{2}" /><LoopEnd Value="{3}" /><LoopOn Value="{4}" /></Loop>)"
      R"(<Notes><KeyTracks>{5}</KeyTracks></Notes></MidiClip>)",
      clip.start, clip.end, clip.loop_start, clip.loop_end, clip.looped ? "true" : "false",
      key_tracks);
}

std::string MidiTrackXml(const std::string& name, const std::vector<ClipLayout>& clips) {
  std::string clip_xml;
  for (const ClipLayout& clip : clips) clip_xml += ClipXml(clip);
  return fmt::format(
      R"(<MidiTrack><Name><EffectiveName Value="{}" /></Name><DeviceChain><MainSequencer>)"
      R"(<ClipTimeable><ArrangerAutomation><Events>{}</Events></ArrangerAutomation>)"
      R"(</ClipTimeable></MainSequencer></DeviceChain></MidiTrack>)",
      name, clip_xml);
}

std::string SetXml(const std::string& tracks, double tempo = 128) {
  return fmt::format(
      R"(<?xml version="1.0" encoding="UTF-8"?><Ableton MajorVersion="5"><LiveSet>)"
      R"(<Tracks>{}</Tracks><MasterTrack><DeviceChain><Mixer><Tempo><Manual Value="{}" />)"
      R"(</Tempo></Mixer></DeviceChain></MasterTrack></LiveSet></Ableton>)",
      tracks, tempo);
}

AlsFile ParseOneTrack(const std::vector<ClipLayout>& clips) {
  return AlsFile("test.als", SetXml(MidiTrackXml("Lead", clips)));
}

std::vector<double> FirstLaneEvents(const AlsFile& als) {
  EXPECT_EQ(als.tracks.size(), 1u);
  if (als.tracks.empty() || als.tracks[0].lanes.empty()) return {};
  return als.tracks[0].lanes[0].events;
}

TEST(LiveSetReader, ReadsTempoTrackNamesAndLanesPerKey) {
  const std::string tracks =
      MidiTrackXml("Bass", {{0, 8, false, 0, 0, {{36, {{0, 1}}}, {43, {{2, 0.5}}}}}}) +
      R"(<AudioTrack><Name><EffectiveName Value="Drums" /></Name></AudioTrack>)" +
      MidiTrackXml("Lead", {{4, 8, false, 0, 0, {{72, {{0, 2}}}}}});
  const AlsFile als("test.als", SetXml(tracks, 133.5));
  EXPECT_EQ(als.bpm, 133.5);
  ASSERT_EQ(als.tracks.size(), 2u);
  EXPECT_EQ(als.tracks[0].name, "Bass");
  ASSERT_EQ(als.tracks[0].lanes.size(), 2u);
  EXPECT_EQ(als.tracks[0].lanes[0].key, 36);
  EXPECT_EQ(als.tracks[0].lanes[0].name, "C3");
  EXPECT_EQ(als.tracks[0].lanes[1].events, (std::vector<double>{2, -2.5}));
  EXPECT_TRUE(als.tracks[0].lanes[1].values.empty());
  EXPECT_EQ(als.tracks[1].name, "Lead");
  EXPECT_EQ(als.tracks[1].lanes[0].events, (std::vector<double>{4, -6}));
}

TEST(LiveSetReader, LoopedClipRepeatsUntilItsEnd) {
  // The pass at offset 16 stops at once: its note would start at the clip's end.
  const AlsFile als = ParseOneTrack({{8, 16, true, 0, 4, {{60, {{0, 1}}}}}});
  EXPECT_EQ(FirstLaneEvents(als), (std::vector<double>{8, -9, 12, -13}));
}

TEST(LiveSetReader, UnloopedClipPlaysOnce) {
  const AlsFile als = ParseOneTrack({{8, 16, false, 0, 4, {{60, {{0, 1}}}}}});
  EXPECT_EQ(FirstLaneEvents(als), (std::vector<double>{8, -9}));
}

TEST(LiveSetReader, NoteRunningPastTheClipEndKeepsItsLength) {
  const AlsFile als = ParseOneTrack({{0, 4, false, 0, 0, {{60, {{3, 2}, {4, 1}}}}}});
  EXPECT_EQ(FirstLaneEvents(als), (std::vector<double>{3, -5}));
}

TEST(LiveSetReader, LoopThatDoesNotMoveForwardPlaysOnce) {
  EXPECT_EQ(FirstLaneEvents(ParseOneTrack({{0, 16, true, 4, 4, {{60, {{0, 1}}}}}})),
            (std::vector<double>{0, -1}));
  EXPECT_EQ(FirstLaneEvents(ParseOneTrack({{0, 16, true, 4, 2, {{60, {{0, 1}}}}}})),
            (std::vector<double>{0, -1}));
}

TEST(LiveSetReader, ZeroLengthNoteAtBeatZeroEndsWithANegativeZero) {
  const std::vector<double> events = FirstLaneEvents(ParseOneTrack({{0, 4, false, 0, 0, {{60, {{0, 0}}}}}}));
  ASSERT_EQ(events.size(), 2u);
  EXPECT_TRUE(IsNoteStart(events[0]));
  EXPECT_TRUE(IsNoteEnd(events[1]));
}

TEST(LiveSetReader, TimesAreRoundedToSinglePrecision) {
  const std::vector<double> events = FirstLaneEvents(ParseOneTrack({{0, 4, false, 0, 0, {{60, {{0.1, 0.2}}}}}}));
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0], static_cast<double>(0.1f));
  EXPECT_EQ(events[1], -static_cast<double>(static_cast<float>(0.1 + 0.2)));
}

TEST(LiveSetReader, OverlappingClipsAndNotesAreSortedInTime) {
  // Clips out of order, and two overlapping notes of one key, come out in time order; where a
  // note starts as another ends, the end goes first.
  const AlsFile als = ParseOneTrack({
      {8, 12, false, 0, 0, {{60, {{0, 1}}}}},
      {0, 4, false, 0, 0, {{60, {{0, 2}, {1, 2}}}}},
      {6, 8, false, 0, 0, {{60, {{0, 2}}}}},
  });
  EXPECT_EQ(FirstLaneEvents(als), (std::vector<double>{0, 1, -2, -3, 6, -8, 8, -9}));
}

TEST(LiveSetReader, LanesWithoutNotesInTheClipAreRemoved) {
  // Key 62's only note starts at the clip end; key 64 has no notes at all.
  const AlsFile als = ParseOneTrack({{0, 4, false, 0, 0, {{60, {{0, 1}}}, {62, {{4, 1}}}, {64, {}}}}});
  ASSERT_EQ(als.tracks.size(), 1u);
  ASSERT_EQ(als.tracks[0].lanes.size(), 1u);
  EXPECT_EQ(als.tracks[0].lanes[0].key, 60);
}

TEST(LiveSetReader, TracksWithoutNotesAreLeftOut) {
  const std::string tracks = MidiTrackXml("Empty", {}) +
                             MidiTrackXml("Silent", {{0, 4, false, 0, 0, {{60, {}}}}}) +
                             MidiTrackXml("Late", {{0, 4, false, 0, 0, {{60, {{5, 1}}}}}});
  EXPECT_TRUE(AlsFile("test.als", SetXml(tracks)).tracks.empty());
}

TEST(LiveSetReader, MissingTempoAndLoopSettingsReadAsZero) {
  const std::string xml =
      R"(<Ableton><LiveSet><Tracks><MidiTrack><DeviceChain><MainSequencer><ClipTimeable>)"
      R"(<ArrangerAutomation><Events><MidiClip><CurrentEnd Value="2" /><Notes><KeyTracks>)"
      R"(<KeyTrack><Notes><MidiNoteEvent Time="1" Duration="0.5" /></Notes>)"
      R"(<MidiKey Value="60" /></KeyTrack></KeyTracks></Notes></MidiClip></Events>)"
      R"(</ArrangerAutomation></ClipTimeable></MainSequencer></DeviceChain></MidiTrack>)"
      R"(</Tracks></LiveSet></Ableton>)";
  const AlsFile als("test.als", xml);
  EXPECT_EQ(als.bpm, 0.0);
  EXPECT_EQ(FirstLaneEvents(als), (std::vector<double>{1, -1.5}));
  EXPECT_EQ(als.tracks[0].name, "");
}

TEST(LiveSetReaderRefuses, BrokenXmlAndOtherDocuments) {
  EXPECT_FATAL(AlsFile("broken.als", "<Ableton><LiveSet>"), "Could not parse XML from broken.als");
  EXPECT_FATAL(AlsFile("empty.als", ""), "Could not parse XML from empty.als");
  EXPECT_FATAL(AlsFile("other.als", "<Bitwig />"), "Assert failed: other.als has no <Ableton> root");
}

TEST(LiveSetReaderRefuses, KeysOutsideTheMidiRange) {
  EXPECT_FATAL(ParseOneTrack({{0, 4, false, 0, 0, {{128, {{0, 1}}}}}}), "Failed to parse ALS track");
  EXPECT_FATAL(ParseOneTrack({{0, 4, false, 0, 0, {{-1, {{0, 1}}}}}}), "Failed to parse ALS track");
}

TEST(LiveSetReaderRefuses, NumbersThatAreNotUsable) {
  // Not-a-number would leave times unordered; infinities would loop forever.
  EXPECT_FATAL(AlsFile("test.als", SetXml(MidiTrackXml("A", {{0, 4, false, 0, 0, {{60, {{NAN, 1}}}}}}))),
               "value \"nan\" of <MidiNoteEvent> at line 1 is not a usable number");
  EXPECT_FATAL(ParseOneTrack({{0, INFINITY, true, 0, 1, {{60, {{0, 1}}}}}}), "\"inf\" of <CurrentEnd>");
  EXPECT_FATAL(AlsFile("test.als", SetXml("", NAN)), "of <Manual>");
}

TEST(LiveSetReaderRefuses, NotesBeforeTheStartOrOfNegativeLength) {
  // Either would store a start with the sign of an end, or the reverse.
  EXPECT_FATAL(ParseOneTrack({{-2, 4, false, 0, 0, {{60, {{1, 0.5}}}}}}),
               "a note at beat -1 lasting 0.5 beats starts before the song");
  EXPECT_FATAL(ParseOneTrack({{0, 4, false, 0, 0, {{60, {{1, -2}}}}}}),
               "a note at beat 1 lasting -2 beats");
}

TEST(LiveSetReaderRefuses, ClipsLoopingWithoutEnd) {
  EXPECT_FATAL(ParseOneTrack({{0, 1e9, true, 0, 0.001, {{60, {{0, 0.0001}}}}}}), "loops more than");
}

class LiveSetFiles : public ::testing::Test {
 protected:
  void SetUp() override { data_mode = DataMode::Disk; }
};

TEST_F(LiveSetFiles, GzipFileIsReadThroughTheDataLayer) {
  notes_test::ScratchDir dir;
  const std::string file =
      dir.WriteGzip("song.als", SetXml(MidiTrackXml("Keys", {{0, 16, true, 0, 4, {{60, {{1, 1}}}}}}), 95));
  const AlsFile als(file);
  EXPECT_EQ(als.bpm, 95.0);
  EXPECT_EQ(FirstLaneEvents(als), (std::vector<double>{1, -2, 5, -6, 9, -10, 13, -14}));
}

TEST_F(LiveSetFiles, DeepNestingIsRefusedBeforeParsing) {
  // About 500 bytes of gzip that would overflow the parser's stack.
  notes_test::ScratchDir dir;
  const std::string file =
      dir.WriteGzip("deep.als", "<Ableton><LiveSet>" + notes_test::NestedElements(50000));
  EXPECT_FATAL(AlsFile{file}, "Could not parse XML from .*deep.als. Error='Elements nest deeper than 256");
}

TEST_F(LiveSetFiles, RealSetsLoadAsAnotherReaderSeesThem) {
  const std::string dir = notes_test::TestDataDir();
  if (dir.empty()) GTEST_SKIP() << "shared test data not found";
  // Expectations worked out independently with Python's gzip and ElementTree.
  const AlsFile audio_only(dir + "als/example-120.als");
  EXPECT_NEAR(audio_only.bpm, 120.0, 1e-4);
  EXPECT_TRUE(audio_only.tracks.empty());

  const AlsFile live8(dir + "als/live8-patch-markers-auto.als");
  EXPECT_EQ(live8.bpm, 0.0);  // this old format keeps its tempo only as automation
  const size_t lanes[] = {7, 6, 6, 9, 9, 9, 9, 9, 9, 7};
  const size_t events[] = {1986, 728, 616, 48, 96, 96, 96, 216, 216, 72};
  const uint8_t first_keys[] = {2, 69, 81, 62, 62, 62, 62, 62, 62, 50};
  ASSERT_EQ(live8.tracks.size(), 10u);
  for (size_t i = 0; i < 10; ++i) {
    size_t count = 0;
    for (const NoteLane& lane : live8.tracks[i].lanes) count += lane.events.size();
    EXPECT_EQ(live8.tracks[i].lanes.size(), lanes[i]) << i;
    EXPECT_EQ(count, events[i]) << i;
    EXPECT_EQ(live8.tracks[i].lanes[0].key, first_keys[i]) << i;
  }
  EXPECT_EQ(live8.tracks[0].lanes[0].events[0], 16.5);
  EXPECT_EQ(live8.tracks[0].lanes[0].events[1], -16.75);
}

TEST_F(LiveSetFiles, FilesThatAreNotGzipEndInTheFatalExit) {
  const std::string dir = notes_test::TestDataDir();
  if (dir.empty()) GTEST_SKIP() << "shared test data not found";
  for (const char* name : {"als/empty.als", "als/junk.als"}) {
    EXPECT_EXIT(
        {
          dup2(2, 1);
          SetMessageBoxHandler([](const MessageBoxRequest&) { return MessageBoxResult::Ok; });
          try {
            AlsFile als(dir + name);
          } catch (const std::exception& e) {
            // The data layer reports some failures as exceptions, which end the run at the top.
            std::fprintf(stderr, "Error in file: %s\n", e.what());
            std::exit(1);
          }
        },
        ::testing::ExitedWithCode(1), "Error in file")
        << name;
  }
}

}  // namespace
