#include "util/ascii/asciifire.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "support/gl_fixture.h"
#include "util/ascii/asciiengine.h"

namespace {

class AsciiFireTest : public GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    AsciiFire::ResetStepClock();
    engine_ = std::make_unique<AsciiEngine>();
    fire_ = std::make_unique<AsciiFire>(engine_.get());
  }
  void TearDown() override {
    fire_.reset();
    engine_.reset();
    GLTest::TearDown();
  }

  // Updates at time `tick` and returns the number of steps run, read off the decay, which
  // moves by exactly one speed a step while it is above its target.
  int UpdateAt(uint32_t tick) {
    now_ = tick;
    const double before = fire_->decay;
    fire_->update(tick);
    return static_cast<int>(std::lround((before - fire_->decay) / fire_->decay_speed));
  }

  uint8_t& Heat(int y, int x) { return fire_->heat[y * AsciiFire::kFieldWidth + x]; }

  // One step on a hand-made field, with no hot spots and a fixed decay of 0.5.
  void StepQuietly() {
    fire_->hot_spots = 0;
    fire_->decay_speed = 0;
    fire_->decay_target = 0.5;
    now_ += 16;
    fire_->update(now_);
  }

  uint32_t now_ = 1000;
  std::unique_ptr<AsciiEngine> engine_;
  std::unique_ptr<AsciiFire> fire_;
};

TEST_F(AsciiFireTest, StepsFollowElapsedTimeAtMostFiveACall) {
  EXPECT_EQ(UpdateAt(1000), 1);  // the first call steps at once
  EXPECT_EQ(UpdateAt(1010), 0);  // next step due at 1016
  EXPECT_EQ(UpdateAt(1040), 2);  // 1016 and 1032; next due 1048
  EXPECT_EQ(UpdateAt(1140), 5);  // six were due; the clock jumps to now
  EXPECT_EQ(UpdateAt(1140), 1);
  EXPECT_EQ(UpdateAt(1150), 0);
  EXPECT_EQ(UpdateAt(100000), 5);  // a long stall still runs only five
  // A jump back in the show starts the steps again from there instead of waiting for the
  // show to come back to where it was.
  EXPECT_EQ(UpdateAt(2000), 1);
  EXPECT_EQ(UpdateAt(2010), 0);  // next due at 2016
  EXPECT_EQ(UpdateAt(2016), 1);
}

TEST_F(AsciiFireTest, StepClockSurvivesTheTickCountWrapping) {
  EXPECT_EQ(UpdateAt(0xFFFFFFF0u), 1);
  EXPECT_EQ(UpdateAt(0xFFFFFFF8u), 0);
  EXPECT_EQ(UpdateAt(0x00000010u), 2);  // 32 ms later, across the wrap
}

TEST_F(AsciiFireTest, DecaySettlesJustBelowItsTarget) {
  for (int step = 1; step <= 124; ++step) UpdateAt(1000 + 16 * (step - 1));
  EXPECT_GT(fire_->decay, 0.25);
  UpdateAt(1000 + 16 * 124);
  EXPECT_DOUBLE_EQ(fire_->decay, 0.24999999999999978);
  EXPECT_LT(fire_->decay, 0.25);
  for (int step = 126; step <= 140; ++step) UpdateAt(1000 + 16 * (step - 1));
  EXPECT_EQ(fire_->decay, 0.24999999999999978);

  fire_->decay_speed = -0.1;  // a negative speed moves decay up towards a higher target
  fire_->decay_target = 0.5;
  for (int step = 0; step < 10; ++step) UpdateAt(1000 + 16 * (140 + step));
  EXPECT_NEAR(fire_->decay, 0.55, 1e-9);
}

TEST_F(AsciiFireTest, HeatRisesAsTheAverageOfItsNeighbours) {
  UpdateAt(1000);
  fire_->heat.fill(0);
  Heat(50, 100) = 240;
  Heat(60, 1) = 85;
  Heat(99, 1) = 35;
  StepQuietly();
  // 240 / (8 + 0.5); the cell above the spot already sees its new left neighbour.
  EXPECT_EQ(Heat(49, 99), 28);
  EXPECT_EQ(Heat(49, 100), 3);
  EXPECT_EQ(Heat(49, 101), 28);
  EXPECT_EQ(Heat(50, 100), 31);  // the row above still held the old spot: (28 + 240) / 8.5
  EXPECT_EQ(Heat(59, 0), 15);   // left edge: 85 / (5 + 0.5)
  EXPECT_EQ(Heat(98, 0), 10);   // bottom corner: 35 / (3 + 0.5)
  EXPECT_EQ(Heat(99, 1), 35);   // the bottom row is only fed by hot spots

  // Everything cools: a second step brings no value above what the first left.
  const uint8_t hottest = *std::max_element(fire_->heat.begin(), fire_->heat.end() - 240);
  StepQuietly();
  EXPECT_LT(*std::max_element(fire_->heat.begin(), fire_->heat.end() - 240), hottest);
}

TEST_F(AsciiFireTest, HugeOrNegativeDivisorsStayInTheByteRange) {
  UpdateAt(1000);
  fire_->heat.fill(200);
  fire_->decay = -7.9;  // the divisor inside the field becomes 0.1
  StepQuietly();
  EXPECT_EQ(Heat(10, 10), 255);
  fire_->decay = -20.0;
  StepQuietly();
  EXPECT_EQ(Heat(10, 10), 0);
}

TEST_F(AsciiFireTest, HotSpotsAreTheSameForTheSameTicks) {
  for (int step = 0; step < 20; ++step) UpdateAt(1000 + 16 * step);
  const auto first = fire_->heat;
  const auto bottom = first.begin() + 99 * AsciiFire::kFieldWidth;
  const auto hot = std::count(bottom, first.end(), 255);
  EXPECT_GT(hot, 0);
  EXPECT_EQ(std::count(bottom, first.end(), 0), AsciiFire::kFieldWidth - hot);

  AsciiFire::ResetStepClock();
  now_ = 1000;
  AsciiFire again(engine_.get());
  for (int step = 0; step < 20; ++step) {
    now_ = 1000 + 16 * step;
    again.update(now_);
  }
  EXPECT_EQ(again.heat, first);
}

TEST_F(AsciiFireTest, CellsShowTheColourRampOfTheirHeat) {
  UpdateAt(1000);
  fire_->heat.fill(0);
  engine_->characters.fill(7);
  engine_->foreground.fill(9);
  engine_->background.fill(9);
  // Cell (k, j) covers field rows 2j..2j+1 and columns 3k..3k+2; v is their sum / 3.
  auto set_cell = [&](int k, int j, uint8_t each) {
    for (int y = 2 * j; y < 2 * j + 2; ++y) {
      for (int x = 3 * k; x < 3 * k + 3; ++x) Heat(y, x) = each;
    }
  };
  set_cell(0, 0, 5);    // v 10: dark red
  set_cell(1, 0, 100);  // v 200: white
  set_cell(2, 0, 4);    // v 8: too cool, left as it was
  set_cell(3, 0, 35);   // v 70: yellow
  set_cell(4, 0, 200);  // v 400 wraps to 144: yellow
  set_cell(5, 0, 125);  // v 250: ramp index 25 wraps to 0, left as it was
  fire_->update(1001);  // no step due, only the cells are written

  auto cell = [&](int k) { return AsciiEngine::CellIndex(k, 0); };
  EXPECT_EQ(engine_->characters[cell(0)], 10 / 4 + 136);
  EXPECT_EQ(engine_->foreground[cell(0)], 4);
  EXPECT_EQ(engine_->background[cell(0)], 0);
  EXPECT_EQ(engine_->characters[cell(1)], 200 / 4 + 136);
  EXPECT_EQ(engine_->foreground[cell(1)], 15);
  EXPECT_EQ(engine_->characters[cell(2)], 7);
  EXPECT_EQ(engine_->foreground[cell(2)], 9);
  EXPECT_EQ(engine_->foreground[cell(3)], 14);
  EXPECT_EQ(fire_->cell_heat[cell(4)], 144);
  EXPECT_EQ(engine_->foreground[cell(4)], 14);
  EXPECT_EQ(fire_->cell_heat[cell(5)], 250);
  EXPECT_EQ(engine_->characters[cell(5)], 7);
  EXPECT_EQ(engine_->background[cell(5)], 9);
}

}  // namespace
