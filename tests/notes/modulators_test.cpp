#include <cmath>

#include <gtest/gtest.h>

#include "notes_test_util.h"
#include "util/music/modulators/adsr.h"
#include "util/music/modulators/arp.h"
#include "util/music/modulators/lfo.h"

namespace {

constexpr double kBpm = 120.0;

struct LinearEnvelope : ADSR {
  LinearEnvelope(float a, float d, float s, float r) {
    attack = a;
    decay = d;
    sustain = s;
    release = r;
  }
};

TEST(Envelope, FollowsAttackDecaySustainAndReleaseOfOneNote) {
  // A note from beat 10 to beat 11; the release starts once the decay is over, at beat 12.
  const LinearEnvelope adsr(1, 1, 0.5f, 2);
  EXPECT_NEAR(adsr.GetValue(kBpm, 10.5, 11, 10), 0.5, 1e-6);
  EXPECT_NEAR(adsr.GetValue(kBpm, 11.5, 11, 10), 0.75, 1e-6);
  EXPECT_NEAR(adsr.GetValue(kBpm, 12.0, 11, 10), 0.5, 1e-6);
  EXPECT_NEAR(adsr.GetValue(kBpm, 13.0, 11, 10), 0.25, 1e-6);
  EXPECT_EQ(adsr.GetValue(kBpm, 14.0, 11, 10), 0.0);
  EXPECT_EQ(adsr.GetValue(kBpm, 20.0, 11, 10), 0.0);
}

TEST(Envelope, HoldsTheSustainLevelWhileTheNoteIsHeld) {
  const LinearEnvelope adsr(1, 1, 0.3f, 2);
  EXPECT_NEAR(adsr.GetValue(kBpm, 50.0, -1, 10), 0.3, 1e-6);
  EXPECT_NEAR(adsr.GetValue(kBpm, 50.0, 5, 10), 0.3, 1e-6);  // the end belongs to an older note
}

TEST(Envelope, IsZeroBeforeAnyNote) {
  const LinearEnvelope adsr(1, 1, 0.5f, 2);
  EXPECT_EQ(adsr.GetValue(kBpm, 3.0, -1, -1), 0.0);
}

TEST(Envelope, ReleaseFromTheNoteEndWhenItComesAfterTheDecay) {
  const LinearEnvelope adsr(1, 1, 0.5f, 2);
  // Note 10 to 15: release from 15.
  EXPECT_NEAR(adsr.GetValue(kBpm, 16.0, 15, 10), 0.25, 1e-6);
}

TEST(Envelope, WithoutReleaseDropsToZeroAtTheEnd) {
  const LinearEnvelope adsr(0, 0, 0.8f, 0);
  EXPECT_NEAR(adsr.GetValue(kBpm, 10.5, -1, 10), 0.8, 1e-6);
  EXPECT_EQ(adsr.GetValue(kBpm, 11.5, 11, 10), 0.0);
}

TEST(Envelope, ExponentialCurves) {
  LinearEnvelope adsr(1, 1, 0.5f, 2);
  adsr.attackSlope = ADSRSlope::Exp;
  const double expected = (std::sqrt(250.0) - 1.0) / 249.0;  // about 0.0595
  EXPECT_NEAR(adsr.GetValue(kBpm, 10.5, -1, 10), expected, 1e-5);
  EXPECT_NEAR(adsr.GetValue(kBpm, 10.0, -1, 10), 0.0, 1e-6);

  adsr.attackSlope = ADSRSlope::ExpInv;
  EXPECT_NEAR(adsr.GetValue(kBpm, 10.5, -1, 10), 1.0 - expected, 1e-5);

  // An exp decay falls quickly first: halfway it has lost most of its way to the sustain.
  adsr.decaySlope = ADSRSlope::Exp;
  EXPECT_NEAR(adsr.GetValue(kBpm, 11.5, -1, 10), 0.5 + 0.5 * expected, 1e-5);
  adsr.releaseSlope = ADSRSlope::ExpInv;
  EXPECT_NEAR(adsr.GetValue(kBpm, 13.0, 11, 10), 0.5 * (1.0 - expected), 1e-5);
}

TEST(Envelope, CurvesMeetAtTheirEnds) {
  for (ADSRSlope slope : {ADSRSlope::Linear, ADSRSlope::Exp, ADSRSlope::ExpInv}) {
    LinearEnvelope adsr(1, 1, 0.5f, 2);
    adsr.attackSlope = adsr.decaySlope = adsr.releaseSlope = slope;
    EXPECT_NEAR(adsr.GetValue(kBpm, 10.999999, -1, 10), 1.0, 1e-4);
    EXPECT_NEAR(adsr.GetValue(kBpm, 11.999999, -1, 10), 0.5, 1e-4);
    EXPECT_NEAR(adsr.GetValue(kBpm, 13.999999, 11, 10), 0.0, 1e-4);
  }
}

TEST(Lfo, SineStartsAtZeroAndPeaksAtHalfThePeriod) {
  LFO lfo(1);
  lfo.period = 2.0;
  EXPECT_NEAR(lfo.GetValue(kBpm, 10.0, -1, 10), 0.0, 1e-6);
  EXPECT_NEAR(lfo.GetValue(kBpm, 10.5, -1, 10), 0.5, 1e-6);
  EXPECT_NEAR(lfo.GetValue(kBpm, 11.0, -1, 10), 1.0, 1e-6);
  EXPECT_NEAR(lfo.GetValue(kBpm, 12.0, -1, 10), 0.0, 1e-6);
}

TEST(Lfo, SawRisesToThePeriodAndWraps) {
  LFO lfo(1);
  lfo.wave = LFOWave::Saw;
  lfo.period = 0.5;
  EXPECT_NEAR(lfo.GetValue(kBpm, 10.25, -1, 10), 0.25, 1e-9);
  EXPECT_NEAR(lfo.GetValue(kBpm, 10.75, -1, 10), 0.25, 1e-9);
}

TEST(Lfo, IsZeroWhenTheNoteIsReleased) {
  LFO lfo(1);
  lfo.period = 2.0;
  EXPECT_EQ(lfo.GetValue(kBpm, 11.0, 10.5, 10), 0.0);
  EXPECT_EQ(lfo.GetValue(kBpm, 11.0, -1, -1), 0.0);
}

TEST(Lfo, PeriodOfZeroGivesZeroNotNaN) {
  for (LFOWave wave : {LFOWave::Sine, LFOWave::Saw}) {
    LFO lfo(1);
    lfo.wave = wave;
    lfo.period = NotePeriod(1, 0, false);
    const double value = lfo.GetValue(kBpm, 11.0, -1, 10);
    EXPECT_FALSE(std::isnan(value));
    EXPECT_EQ(value, 0.0);
  }
}

class LfoRanges : public ::testing::Test {
 protected:
  LfoRanges() : lfo(74) {
    lfo.period = 9.0;
    AddRange(0, 63, 1.0);
    AddRange(64, 100, 0.5);
    AddRange(101, 120, 0.25);
  }
  void AddRange(uint8_t min, uint8_t max, double period) {
    lfo.rangeMin.push_back(min);
    lfo.rangeMax.push_back(max);
    lfo.rangePeriod.push_back(period);
  }
  double PeriodAfter(int value) {
    lfo.ApplyControllerValue(value);
    return lfo.period;
  }
  LFO lfo;
};

TEST_F(LfoRanges, ValueInsideARangeTakesItsPeriod) {
  EXPECT_EQ(PeriodAfter(80), 0.5);
  EXPECT_EQ(PeriodAfter(10), 1.0);
}

TEST_F(LfoRanges, ValuesAtARangesEndsBelongToIt) {
  EXPECT_EQ(PeriodAfter(64), 0.5);  // a value equal to the minimum is in the range
  EXPECT_EQ(PeriodAfter(0), 1.0);
  EXPECT_EQ(PeriodAfter(101), 0.25);
  EXPECT_EQ(PeriodAfter(100), 0.5);
}

TEST_F(LfoRanges, ValueInNoRangeLeavesThePeriod) { EXPECT_EQ(PeriodAfter(127), 9.0); }

TEST_F(LfoRanges, ValueInAGapBetweenRangesLeavesThePeriod) {
  lfo.rangeMin[1] = 70;
  EXPECT_EQ(PeriodAfter(65), 9.0);
}

TEST_F(LfoRanges, ValueAbove127IsFatal) {
  EXPECT_FATAL(lfo.ApplyControllerValue(128), "Value out of bounds: 128");
}

TEST(Arp, UpDownRunsThereAndBackWithoutRepeatingTheEnds) {
  const uint32_t expected3[] = {0, 1, 2, 1, 0, 1, 2, 1, 0};
  for (uint32_t step = 0; step < 9; ++step) EXPECT_EQ(Arp::UpDownPosition(step, 3), expected3[step]);
  const uint32_t expected2[] = {0, 1, 0, 1};
  for (uint32_t step = 0; step < 4; ++step) EXPECT_EQ(Arp::UpDownPosition(step, 2), expected2[step]);
  EXPECT_EQ(Arp::UpDownPosition(5, 1), 0u);
}

}  // namespace
