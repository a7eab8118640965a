#include <gtest/gtest.h>

#include "notes_test_util.h"
#include "util/music/modulators/adsr.h"
#include "util/music/modulators/arp.h"
#include "util/music/modulators/lfo.h"
#include "util/music/notedata.h"

namespace {

constexpr double kBpm = 120.0;

NoteLane Lane(uint8_t key, std::vector<double> events) {
  NoteLane lane;
  lane.key = key;
  lane.name = GetNoteName(key);
  lane.events = std::move(events);
  return lane;
}

NoteData OneTrack(std::vector<NoteLane> lanes) {
  NoteData notes;
  notes.tracks.emplace_back();
  notes.tracks[0].lanes = std::move(lanes);
  return notes;
}

float Value(NoteData& notes, double beat) { return GetNoteValue(&notes, 0, beat, kBpm); }

TEST(NoteValues, PlainNoteIsOneStrictlyAfterItsStartUntilJustAfterItsEnd) {
  NoteData notes = OneTrack({Lane(60, {4, -5})});
  EXPECT_EQ(Value(notes, 3.0), 0.0f);
  EXPECT_EQ(Value(notes, 4.0), 0.0f);
  EXPECT_EQ(Value(notes, 4.5), 1.0f);
  EXPECT_EQ(Value(notes, 5.0), 1.0f);
  EXPECT_EQ(Value(notes, 5.01), 0.0f);
}

TEST(NoteValues, OverlappingNotesOfOneKeyHoldUntilTheLastEnds) {
  NoteData notes = OneTrack({Lane(60, {4, 4.5, -5, -6})});
  EXPECT_EQ(Value(notes, 5.5), 1.0f);
  EXPECT_EQ(Value(notes, 6.0), 1.0f);
  EXPECT_EQ(Value(notes, 6.01), 0.0f);

  // The envelope sees the first start and the last end: on 4, off 6.
  ADSR* adsr = new ADSR;
  adsr->attack = 1;
  adsr->sustain = 0.5f;
  adsr->release = 4;
  notes.tracks[0].modulators.emplace_back(adsr);
  EXPECT_NEAR(Value(notes, 4.5), 0.5, 1e-6);  // attack from beat 4, not 4.5
  EXPECT_NEAR(Value(notes, 8.0), 0.25, 1e-6);  // release from beat 6
}

TEST(NoteValues, AnEndAtBeatZeroIsAnEnd) {
  // A zero-length note at the very start stores its end as -0.0.
  NoteData notes = OneTrack({Lane(60, {0.0, -0.0, 2, -3})});
  EXPECT_EQ(Value(notes, 0.5), 0.0f);
  EXPECT_EQ(Value(notes, 1.5), 0.0f);
  EXPECT_EQ(Value(notes, 2.5), 1.0f);
}

TEST(NoteValues, OneValuePerLaneInLaneOrder) {
  NoteData notes = OneTrack({Lane(60, {1, -2}), Lane(64, {1.5, -3}), Lane(67, {5, -6})});
  EXPECT_EQ(GetNoteValues(&notes, 0, 1.75, kBpm), (std::vector<float>{1, 1, 0}));
  EXPECT_EQ(GetNoteValues(&notes, 0, 2.5, kBpm), (std::vector<float>{0, 1, 0}));
  EXPECT_EQ(GetNoteValues(&notes, 0, -1, kBpm), (std::vector<float>{0, 0, 0}));
}

TEST(NoteValues, WithoutNoteDataNothingSounds) {
  EXPECT_TRUE(GetNoteValues(nullptr, 3, 1.0, kBpm).empty());
  EXPECT_EQ(GetNoteValue(nullptr, 3, 1.0, kBpm), 0.0f);
  EXPECT_TRUE(GetNoteTrackKeys(nullptr).empty());
}

TEST(NoteValues, TrackIndexOutsideTheListIsFatal) {
  NoteData notes = OneTrack({Lane(60, {4, -5})});
  EXPECT_FATAL(GetNoteValues(&notes, 1, 4.5, kBpm), "Track number out of bounds");
  EXPECT_FATAL(GetNoteValues(&notes, -1, 4.5, kBpm), "Track number out of bounds");
  EXPECT_FATAL(GetNoteValue(&notes, -1, -4.5, kBpm), "Track number out of bounds");
  EXPECT_FATAL(GetNoteValue(&notes, 7, 4.5, kBpm), "Track number out of bounds");
}

TEST(NoteValues, ModulatedValueIsTheProductOfTheModulators) {
  NoteData notes = OneTrack({Lane(60, {10, -20})});
  ADSR* adsr = new ADSR;
  adsr->attack = 2;
  LFO* lfo = new LFO(1);
  lfo->period = 4;
  notes.tracks[0].modulators.emplace_back(adsr);
  notes.tracks[0].modulators.emplace_back(lfo);
  // At beat 11: attack halfway (0.5) times the sine a quarter period in (0.5).
  EXPECT_NEAR(Value(notes, 11.0), 0.25, 1e-6);
  EXPECT_NEAR(Value(notes, 12.0), 1.0, 1e-6);
}

TEST(NoteValues, ModulatedValuesAllZeroGiveZero) {
  NoteData notes = OneTrack({Lane(60, {10, -11}), Lane(62, {12, -13})});
  notes.tracks[0].modulators.emplace_back(new LFO(1));  // period 0: silent
  EXPECT_EQ(Value(notes, 10.5), 0.0f);
}

TEST(NoteValues, LfoPeriodFollowsItsControllerAtTheBeat) {
  NoteData notes = OneTrack({Lane(60, {10, -30})});
  LFO* lfo = new LFO(74);
  lfo->wave = LFOWave::Saw;
  lfo->period = 100;
  lfo->rangeMin = {0, 64};
  lfo->rangeMax = {63, 127};
  lfo->rangePeriod = {1.0, 0.5};
  notes.tracks[0].modulators.emplace_back(lfo);
  NoteKeyEvents& cc = notes.tracks[0].keyEvents[74];
  cc.times = {12, 14};
  cc.values = {64, 63};

  EXPECT_NEAR(Value(notes, 11.75), 1.75, 1e-6);   // no controller value yet: period 100
  EXPECT_NEAR(Value(notes, 12.75), 0.25, 1e-6);   // 64: period 0.5
  EXPECT_NEAR(Value(notes, 14.75), 0.75, 1e-6);   // 63: period 1
}

TEST(NoteValues, ControllerValueAbove127IsFatal) {
  NoteData notes = OneTrack({Lane(60, {10, -30})});
  notes.tracks[0].modulators.emplace_back(new LFO(74));
  notes.tracks[0].keyEvents[74].times = {1};
  notes.tracks[0].keyEvents[74].values = {200};
  EXPECT_FATAL(Value(notes, 12), "Value out of bounds: 200");
}

class ArpValues : public ::testing::Test {
 protected:
  ArpValues() {
    // Eight lanes; 2, 5 and 7 are held from beats 6, 7 and 8, so the latest change is beat 8.
    std::vector<NoteLane> lanes;
    for (uint8_t i = 0; i < 8; ++i) lanes.push_back(Lane(60 + i, {}));
    lanes[0].events = {1, -2};
    lanes[2].events = {6, -20};
    lanes[5].events = {7, -20};
    lanes[7].events = {8, -20};
    notes = OneTrack(std::move(lanes));
    arp = new Arp;
    arp->period = 0.5;
    notes.tracks[0].modulators.emplace_back(arp);
  }
  // The index of the one sounding lane, or -1.
  int Selected(double beat) {
    const std::vector<float> values = GetNoteValues(&notes, 0, beat, kBpm);
    int selected = -1;
    for (size_t i = 0; i < values.size(); ++i) {
      if (values[i] == 0.0f) continue;
      EXPECT_EQ(selected, -1) << "more than one lane sounds at beat " << beat;
      selected = static_cast<int>(i);
    }
    return selected;
  }
  NoteData notes;
  Arp* arp;
};

TEST_F(ArpValues, UpDownStepsThroughTheHeldLanesOnePerPeriod) {
  EXPECT_EQ(Selected(8.2), 2);
  EXPECT_EQ(Selected(8.7), 5);
  EXPECT_EQ(Selected(9.2), 7);
  EXPECT_EQ(Selected(9.7), 5);
  EXPECT_EQ(Selected(10.2), 2);
  EXPECT_EQ(Selected(10.7), 5);
}

TEST_F(ArpValues, OneHeldLaneSoundsAlone) {
  EXPECT_EQ(Selected(1.5), 0);
  EXPECT_EQ(Selected(6.5), 2);
}

TEST_F(ArpValues, NoHeldLaneLeavesAllSilent) {
  EXPECT_EQ(Selected(4), -1);
  EXPECT_EQ(Selected(21), -1);
}

TEST_F(ArpValues, PeriodOfZeroStaysOnTheFirstHeldLane) {
  arp->period = 0;
  EXPECT_EQ(Selected(9.2), 2);
}

TEST_F(ArpValues, PatternsOtherThanUpDownAreFatalWithSeveralHeldLanes) {
  arp->pattern = ArpPattern::Up;
  EXPECT_EQ(Selected(6.5), 2);
  EXPECT_FATAL(Selected(9.2), "Unhandled arp pattern 1!");
}

TEST(NoteTrackKeys, AreTheLaneKeysOfTheFifteenthTrack) {
  NoteData notes;
  notes.tracks.resize(15);
  notes.tracks[14].lanes = {Lane(40, {}), Lane(36, {}), Lane(45, {})};
  EXPECT_EQ(GetNoteTrackKeys(&notes), (std::vector<uint8_t>{40, 36, 45}));
}

TEST(NoteTrackKeys, FewerThanFifteenTracksIsFatal) {
  NoteData notes;
  notes.tracks.resize(14);
  EXPECT_FATAL(GetNoteTrackKeys(&notes), "Track number out of bounds");
}

TEST(NoteNames, NameAndOctaveOfAKey) {
  EXPECT_EQ(GetNoteName(60), "C5");
  EXPECT_EQ(GetNoteName(61), "C#5");
  EXPECT_EQ(GetNoteName(0), "C0");
  EXPECT_EQ(GetNoteName(127), "G10");
  EXPECT_EQ(GetNoteName(70), "A#5");
}

}  // namespace
