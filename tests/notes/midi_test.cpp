#include <filesystem>
#include <map>

#include <gtest/gtest.h>

#include "notes_test_util.h"
#include "util/music/midi.h"

namespace {

using notes_test::Bytes;
using notes_test::Events;
using notes_test::MidiFileBytes;

MidiFile Parse(const Bytes& bytes) { return MidiFile("test.mid", bytes); }

TEST(MidiReader, NoteOnAndOffBecomeAStartAndAnEndInBeats) {
  const MidiFile midi = Parse(MidiFileBytes(
      {Events().At(480, {0x90, 60, 100}).At(480, {0x80, 60, 64}).End().bytes}));
  ASSERT_EQ(midi.tracks.size(), 1u);
  ASSERT_EQ(midi.tracks[0].lanes.size(), 1u);
  const NoteLane& lane = midi.tracks[0].lanes[0];
  EXPECT_EQ(lane.key, 60);
  EXPECT_EQ(lane.name, "C5");
  EXPECT_EQ(lane.events, (std::vector<double>{1.0, -2.0}));
  EXPECT_EQ(lane.values, (std::vector<uint8_t>{100, 0}));
  EXPECT_EQ(midi.bpm, 120.0);  // no tempo event
}

TEST(MidiReader, NoteOnWithVelocityZeroEndsTheNote) {
  const MidiFile midi = Parse(MidiFileBytes(
      {Events().At(0, {0x90, 64, 90}).At(240, {0x90, 64, 0}).End().bytes}));
  EXPECT_EQ(midi.tracks[0].lanes[0].events, (std::vector<double>{0.0, -0.5}));
}

TEST(MidiReader, RepeatedStartsAndEndsAreDropped) {
  const MidiFile midi = Parse(MidiFileBytes({Events()
                                                 .At(0, {0x90, 60, 100})
                                                 .At(480, {0x90, 60, 110})
                                                 .At(480, {0x80, 60, 0})
                                                 .At(480, {0x80, 60, 0})
                                                 .End()
                                                 .bytes}));
  EXPECT_EQ(midi.tracks[0].lanes[0].events, (std::vector<double>{0.0, -2.0}));
}

TEST(MidiReader, NoteEndingAtBeatZeroLetsTheNextNoteStart) {
  // The end at tick 0 is stored as -0.0 and must count as an end.
  const MidiFile midi = Parse(MidiFileBytes({Events()
                                                 .At(0, {0x90, 60, 100})
                                                 .At(0, {0x80, 60, 0})
                                                 .At(480, {0x90, 60, 100})
                                                 .At(480, {0x80, 60, 0})
                                                 .End()
                                                 .bytes}));
  const std::vector<double>& events = midi.tracks[0].lanes[0].events;
  ASSERT_EQ(events.size(), 4u);
  EXPECT_TRUE(std::signbit(events[1]));
  EXPECT_EQ(events[2], 1.0);
  EXPECT_EQ(events[3], -2.0);
}

TEST(MidiReader, RunningStatusRepeatsTheLastChannelStatus) {
  const MidiFile midi = Parse(MidiFileBytes({Events()
                                                 .At(0, {0x91, 60, 100})
                                                 .At(0, {64, 100})          // running note on
                                                 .At(0, {0xFF, 0x01, 2, 'h', 'i'})  // meta between
                                                 .At(480, {60, 0})          // still note on
                                                 .At(0, {64, 0})
                                                 .End()
                                                 .bytes}));
  ASSERT_EQ(midi.tracks[0].lanes.size(), 2u);
  EXPECT_EQ(midi.tracks[0].lanes[0].events, (std::vector<double>{0.0, -1.0}));
  EXPECT_EQ(midi.tracks[0].lanes[1].events, (std::vector<double>{0.0, -1.0}));
  EXPECT_EQ(midi.text, "hi");
}

TEST(MidiReader, OneLanePerKeyInOrderOfFirstUseAcrossChannels) {
  const MidiFile midi = Parse(MidiFileBytes({Events()
                                                 .At(0, {0x90, 67, 100})
                                                 .At(0, {0x95, 60, 100})
                                                 .At(0, {0x9F, 64, 100})
                                                 .At(480, {0x85, 60, 0})
                                                 .At(0, {0x80, 67, 0})
                                                 .At(0, {0x8F, 64, 0})
                                                 .End()
                                                 .bytes}));
  ASSERT_EQ(midi.tracks.size(), 1u);
  const auto& lanes = midi.tracks[0].lanes;
  ASSERT_EQ(lanes.size(), 3u);
  EXPECT_EQ(lanes[0].key, 67);
  EXPECT_EQ(lanes[1].key, 60);
  EXPECT_EQ(lanes[2].key, 64);
  EXPECT_EQ(lanes[2].name, "E5");
}

TEST(MidiReader, TempoIsRoundedToHundredthsOfABeatPerMinute) {
  auto bpm_of = [](uint32_t microseconds) {
    Events events;
    events.At(0, {0xFF, 0x51, 3, static_cast<uint8_t>(microseconds >> 16),
                  static_cast<uint8_t>(microseconds >> 8), static_cast<uint8_t>(microseconds)});
    return Parse(MidiFileBytes({events.End().bytes})).bpm;
  };
  EXPECT_NEAR(bpm_of(500000), 120.0, 1e-4);
  EXPECT_NEAR(bpm_of(480000), 125.0, 1e-4);
  EXPECT_NEAR(bpm_of(600000), 100.0, 1e-4);
  EXPECT_NEAR(bpm_of(461538), 130.0, 1e-4);  // 130.0000... rounded
}

TEST(MidiReader, ControllerChangesAreKeptPerNumberExceptVolumeAndPan) {
  const MidiFile midi = Parse(MidiFileBytes({Events()
                                                 .At(0, {0xB0, 74, 10})
                                                 .At(0, {0xB0, 7, 100})
                                                 .At(0, {0xB0, 10, 64})
                                                 .At(240, {0xB3, 74, 90})
                                                 .At(0, {0x90, 60, 1})
                                                 .End()
                                                 .bytes}));
  const NoteTrack& track = midi.tracks[0];
  EXPECT_EQ(track.keyEvents[74].times, (std::vector<double>{0.0, 0.5}));
  EXPECT_EQ(track.keyEvents[74].values, (std::vector<uint8_t>{10, 90}));
  EXPECT_TRUE(track.keyEvents[7].times.empty());
  EXPECT_TRUE(track.keyEvents[10].times.empty());
}

TEST(MidiReader, PressureAndPitchBendAreSkipped) {
  const MidiFile midi = Parse(MidiFileBytes({Events()
                                                 .At(0, {0xA0, 60, 5})
                                                 .At(0, {0xD0, 5})
                                                 .At(0, {0xE0, 0, 64})
                                                 .At(0, {0x90, 60, 1})
                                                 .End()
                                                 .bytes}));
  EXPECT_EQ(midi.tracks[0].lanes[0].events, (std::vector<double>{0.0}));
}

TEST(MidiReader, ChunksWithoutNotesAddNoTrackAndNamesComeFromMeta) {
  const MidiFile midi = Parse(MidiFileBytes({
      Events().At(0, {0xFF, 0x03, 5, 'T', 'e', 'm', 'p', 'o'}).At(0, {0xB0, 1, 2}).End().bytes,
      Events().At(0, {0xFF, 0x03, 4, 'B', 'a', 's', 's'}).At(0, {0x90, 40, 100}).End().bytes,
  }));
  ASSERT_EQ(midi.tracks.size(), 1u);
  EXPECT_EQ(midi.tracks[0].name, "Bass");
}

TEST(MidiReader, LongDeltaTimesAndTextsAreRead) {
  Events events;
  events.At(0, {0xFF, 0x02, 0x81, 0x00});  // a copyright text of 128 bytes
  events.bytes.resize(events.bytes.size() + 128, 'c');
  events.At(0x0FFFFFFF, {0x90, 60, 1}).End();
  const MidiFile midi = Parse(MidiFileBytes({events.bytes}, 1));
  EXPECT_EQ(midi.copyright, std::string(128, 'c'));
  EXPECT_EQ(midi.tracks[0].lanes[0].events[0], static_cast<double>(static_cast<float>(0x0FFFFFFF)));
}

// Refusals: each ends the run with a message naming what was wrong.

TEST(MidiReaderRefuses, FilesWithoutAMidiHeader) {
  EXPECT_FATAL(Parse(Bytes{}), "Unknown header info");
  EXPECT_FATAL(Parse(Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 6}), "Unknown header info");
  EXPECT_FATAL(Parse(Bytes{'M', 'T', 'h', 'd', 1, 0, 0, 6}), "Unknown header info");
}

TEST(MidiReaderRefuses, CutShortHeaders) {
  EXPECT_FATAL(Parse(Bytes{'M', 'T', 'h', 'd', 0, 0}), "cut short: header length");
  EXPECT_FATAL(Parse(Bytes{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1}), "cut short: header");
  EXPECT_FATAL(Parse(Bytes{'M', 'T', 'h', 'd', 0, 0, 0, 2, 0, 1}), "header of 2 bytes");
}

TEST(MidiReaderRefuses, ZeroAndSmpteTimeDivisions) {
  EXPECT_FATAL(Parse(MidiFileBytes({Events().End().bytes}, 0)), "time division of 0 ticks");
  EXPECT_FATAL(Parse(MidiFileBytes({Events().End().bytes}, 0xE728)), "SMPTE");
}

TEST(MidiReaderRefuses, TempoOfZero) {
  EXPECT_FATAL(Parse(MidiFileBytes({Events().At(0, {0xFF, 0x51, 3, 0, 0, 0}).End().bytes})),
               "tempo of 0 microseconds");
}

TEST(MidiReaderRefuses, MissingOrCutShortTrackChunks) {
  Bytes two_counted_one_present = notes_test::MidiHeader(2, 480);
  notes_test::AppendTrack(two_counted_one_present, Events().End().bytes);
  EXPECT_FATAL(Parse(two_counted_one_present), "Could not find track chunk header");

  Bytes length_past_end = MidiFileBytes({Events().At(0, {0x90, 60, 1}).End().bytes});
  length_past_end.resize(length_past_end.size() - 2);
  EXPECT_FATAL(Parse(length_past_end), "cut short: track chunk at byte 22 needs 8 bytes, 6 are left");

  Bytes other_chunk = notes_test::MidiHeader(1, 480);
  notes_test::Append(other_chunk, {'X', 'Y', 'Z', 'W', 0, 0, 0, 0});
  EXPECT_FATAL(Parse(other_chunk), "Could not find track chunk header");
}

TEST(MidiReaderRefuses, FilesCutShortInsideTheirLastEvent) {
  // The chunk declares 8 bytes and the file holds 7: the end-of-track length byte is missing.
  Bytes bytes = MidiFileBytes({Bytes{0, 0x90, 60, 100, 0, 0xFF, 0x2F, 0}});
  bytes.pop_back();
  notes_test::ScratchDir dir;
  const std::string file = dir.Write("cut.mid", bytes);
  EXPECT_FATAL(MidiFile{file}, "cut short: track chunk at byte 22 needs 8 bytes, 7 are left");
}

TEST(MidiReaderRefuses, EventsRunningPastTheirChunk) {
  // The chunk ends inside a note event, although the file has bytes after it.
  Bytes bytes = MidiFileBytes({Bytes{0, 0x90, 60}});
  notes_test::Append(bytes, {100, 0, 0xFF, 0x2F, 0});
  EXPECT_FATAL(Parse(bytes), "cut short: note velocity");
  EXPECT_FATAL(Parse(MidiFileBytes({Bytes{0, 0xFF, 0x03, 10, 'a'}})), "cut short: meta text");
  EXPECT_FATAL(Parse(MidiFileBytes({Bytes{0x81}})), "cut short: delta time");
  EXPECT_FATAL(Parse(MidiFileBytes({Bytes{0, 0xFF, 0x51, 3, 7}})), "cut short: tempo");
}

TEST(MidiReaderRefuses, FiveByteDeltaTimes) {
  EXPECT_FATAL(Parse(MidiFileBytes({Bytes{0x81, 0x80, 0x80, 0x80, 0x00, 0x90, 60, 1}})),
               "Found 4 bytes of delta time without a 0 MSB");
}

TEST(MidiReaderRefuses, DataWithoutAnyStatus) {
  EXPECT_FATAL(Parse(MidiFileBytes({Events().At(0, {60, 100}).End().bytes})),
               "follows no status");
  // A meta event does not set a running status either.
  EXPECT_FATAL(Parse(MidiFileBytes({Events().At(0, {0xFF, 0x01, 1, 'a'}).At(0, {60, 100}).End().bytes})),
               "follows no status");
}

TEST(MidiReaderRefuses, DataBytesOf128OrMore) {
  EXPECT_FATAL(Parse(MidiFileBytes({Events().At(0, {0x90, 60, 0x90}).End().bytes})),
               "note velocity at byte 25 is 144");
}

TEST(MidiReaderRefuses, UnsupportedEvents) {
  auto parse_event = [](std::initializer_list<uint8_t> event) {
    Parse(MidiFileBytes({Events().At(0, event).End().bytes}));
  };
  EXPECT_FATAL(parse_event({0xF0, 1, 0xF7}), "Got SysEx event");
  EXPECT_FATAL(parse_event({0xC0, 5}), "MIDI_PROGRAM");
  EXPECT_FATAL(parse_event({0xF1, 5}), "Unknown event 15 from 241");
  EXPECT_FATAL(parse_event({0xFF, 0x06, 1, 'm'}), "MIDI_META_MARKER");
  EXPECT_FATAL(parse_event({0xFF, 0x54, 5, 0, 0, 0, 0, 0}), "MIDI_META_SMPTE_OFFS");
  EXPECT_FATAL(parse_event({0xFF, 0x21, 1, 0}), "Unknown meta event");
  EXPECT_FATAL(parse_event({0xFF, 0x03, 0}), "Retrieving track name failed!");
  EXPECT_FATAL(parse_event({0xFF, 0x51, 2, 0, 0}), "Expected 0x03");
  EXPECT_FATAL(parse_event({0xFF, 0x2F, 1, 0}), "Expected 0x00");
}

// Real files written by other programs. Each either loads or ends in the fatal exit with a
// message; none may crash.

class MidiTestFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = notes_test::TestDataDir();
    if (dir_.empty()) GTEST_SKIP() << "shared test data not found";
    dir_ += "midi/";
  }
  MidiFile Load(const std::string& name) {
    return MidiFile(name, notes_test::ReadFile(dir_ + name));
  }
  std::string dir_;
};

struct LoadedTrack {
  size_t lanes;
  size_t events;
  uint8_t first_key;
  double first_start;
  double first_end;
};

// Expectations worked out independently with mido: per note track the distinct keys, the kept
// starts and ends (a start only after an end, an end only after a start), and the first lane's
// first note in beats.
const std::map<std::string, std::vector<LoadedTrack>> kLoadingFiles = {
    {"test-2-tracks-type-0.mid", {{8, 16, 60, 1, 2}, {8, 16, 61, 1, 2}}},
    {"test-2-tracks-type-2.mid", {{8, 16, 60, 1, 2}, {8, 16, 61, 1, 2}}},
    {"test-control-41-portamento.mid", {{4, 16, 60, 0, 4}}},
    {"test-corrupt-file-extra-byte.mid", {{8, 16, 60, 0, 1}}},  // the byte lies after the chunk
    {"test-multichannel-chords-0.mid", {{12, 48, 60, 0, 1}}},
    {"test-multichannel-chords-2.mid", {{10, 32, 60, 0, 1}, {8, 16, 67, 0, 1}}},
    {"test-note-on-velocity.mid", {{1, 18, 60, 0, 1}}},
    {"test-rpn-00-01-fine-tuning.mid", {{13, 50, 64, 0, 1}}},
    {"test-vlq-2-byte.mid", {{8, 16, 60, 0, 1}}},
    {"test-vlq-4-byte.mid", {{8, 16, 60, 0, 1}}},
    {"test-control-7c-omni-mode-off.mid", {}},
    {"test-control-7e-mono-mode-on.mid", {}},
    {"test-silence-end-of-track.mid", {}},
};

// Files using what the reader does not support, or not MIDI at all: the message expected.
const std::map<std::string, std::string> kRefusedFiles = {
    {"test-empty-file.mid", "Unknown header info"},
    {"test-non-midi-track.mid", "Could not find track chunk header"},
    {"test-all-gm-sounds.mid", "MIDI_PROGRAM"},
    {"test-control-00-20-bank-select.mid", "MIDI_PROGRAM"},
    {"test-rpn-00-05-modulation-depth-range.mid", "MIDI_PROGRAM"},
    {"test-smpte-offset.mid", "MIDI_META_SMPTE_OFFS"},
    {"test-all-gs-sounds.mid", "Got SysEx event"},
    {"test-running-status-sysex.mid", "Got SysEx event"},
    {"test-sysex-7e-09-01-gm1-enable.mid", "Got SysEx event"},
    {"test-illegal-message-f1-xx.mid", "Unknown event 15 from 241"},
    {"test-illegal-message-f5.mid", "Unknown event 15 from 245"},
    {"test-illegal-message-fe.mid", "Unknown event 15 from 254"},
};

TEST_F(MidiTestFiles, NoteFilesLoadAsAnotherReaderSeesThem) {
  for (const auto& [name, expected] : kLoadingFiles) {
    SCOPED_TRACE(name);
    const MidiFile midi = Load(name);
    ASSERT_EQ(midi.tracks.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
      const NoteTrack& track = midi.tracks[i];
      size_t events = 0;
      for (const NoteLane& lane : track.lanes) events += lane.events.size();
      EXPECT_EQ(track.lanes.size(), expected[i].lanes);
      EXPECT_EQ(events, expected[i].events);
      ASSERT_GE(track.lanes[0].events.size(), 2u);
      EXPECT_EQ(track.lanes[0].key, expected[i].first_key);
      EXPECT_EQ(track.lanes[0].events[0], expected[i].first_start);
      EXPECT_EQ(track.lanes[0].events[1], -expected[i].first_end);
    }
  }
}

TEST_F(MidiTestFiles, UnsupportedFilesEndWithTheirMessage) {
  for (const auto& [name, message] : kRefusedFiles) {
    SCOPED_TRACE(name);
    EXPECT_FATAL(Load(name), message);
  }
}

TEST_F(MidiTestFiles, NoFileCrashesTheReader) {
  // Every file, listed above or not, loads or ends in the fatal exit; a signal is a failure.
  for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
    if (entry.path().extension() != ".mid") continue;
    const std::string name = entry.path().filename().string();
    EXPECT_EXIT(
        {
          dup2(2, 1);
          SetMessageBoxHandler([](const MessageBoxRequest&) { return MessageBoxResult::Ok; });
          Load(name);
          std::exit(0);
        },
        [](int status) {
          return WIFEXITED(status) && (WEXITSTATUS(status) == 0 || WEXITSTATUS(status) == 1);
        },
        "")
        << name;
  }
}

// Every cut-short prefix of a real file ends in a message, never a read past the data.
TEST_F(MidiTestFiles, TruncatedCopiesAreRefused) {
  const notes_test::Bytes whole = notes_test::ReadFile(dir_ + "test-multichannel-chords-2.mid");
  for (size_t length : {size_t{10}, size_t{20}, whole.size() / 2, whole.size() - 1}) {
    const notes_test::Bytes part(whole.begin(), whole.begin() + length);
    EXPECT_FATAL(Parse(part), "cut short") << length;
  }
}

}  // namespace
