#include <gtest/gtest.h>
#include <stdexcept>

#include "util/music/sync_device.h"
#include "util/music/sync_track.h"

namespace {

SyncTrack MakeTrack(std::vector<SyncKey> keys) { return SyncTrack{"test", std::move(keys)}; }

SyncTrack TwoKeys(SyncKeyType first) { return MakeTrack({{0, 0.0f, first}, {8, 1.0f, SyncKeyType::Step}}); }

TEST(SyncGetValue, InterpolatesEachKeyTypeBetweenTwoKeys) {
  SyncTrack step = TwoKeys(SyncKeyType::Step);
  SyncTrack linear = TwoKeys(SyncKeyType::Linear);
  SyncTrack smooth = TwoKeys(SyncKeyType::Smooth);
  SyncTrack ramp = TwoKeys(SyncKeyType::Ramp);
  EXPECT_FLOAT_EQ(SyncGetValue(&step, 4.0), 0.0f);
  EXPECT_FLOAT_EQ(SyncGetValue(&linear, 4.0), 0.5f);
  EXPECT_FLOAT_EQ(SyncGetValue(&linear, 7.9), 0.9875f);
  EXPECT_FLOAT_EQ(SyncGetValue(&smooth, 4.0), 0.5f);
  EXPECT_FLOAT_EQ(SyncGetValue(&smooth, 2.0), 0.15625f);
  EXPECT_FLOAT_EQ(SyncGetValue(&ramp, 4.0), 0.25f);
  EXPECT_FLOAT_EQ(SyncGetValue(&ramp, 2.0), 0.0625f);
}

TEST(SyncGetValue, HoldsTheEndValuesOutsideTheKeys) {
  SyncTrack linear = TwoKeys(SyncKeyType::Linear);
  EXPECT_FLOAT_EQ(SyncGetValue(&linear, -3.0), 0.0f);
  EXPECT_FLOAT_EQ(SyncGetValue(&linear, -0.5), 0.0f);
  EXPECT_FLOAT_EQ(SyncGetValue(&linear, 8.0), 1.0f);
  EXPECT_FLOAT_EQ(SyncGetValue(&linear, 1e6), 1.0f);
  EXPECT_FLOAT_EQ(SyncGetValue(&linear, 1e12), 1.0f);
  EXPECT_FLOAT_EQ(SyncGetValue(&linear, -1e12), 0.0f);
}

TEST(SyncGetValue, EmptyTrackIsZeroAndOneKeyIsConstant) {
  SyncTrack empty = MakeTrack({});
  SyncTrack one = MakeTrack({{5, 2.5f, SyncKeyType::Linear}});
  EXPECT_FLOAT_EQ(SyncGetValue(&empty, 3.0), 0.0f);
  EXPECT_FLOAT_EQ(SyncGetValue(&one, -100.0), 2.5f);
  EXPECT_FLOAT_EQ(SyncGetValue(&one, 5.0), 2.5f);
  EXPECT_FLOAT_EQ(SyncGetValue(&one, 100.0), 2.5f);
}

TEST(SyncGetValue, FractionalRowsUseTheKeyAtOrBeforeTheirFloor) {
  SyncTrack track = MakeTrack({{0, 0.0f, SyncKeyType::Linear},
                               {8, 8.0f, SyncKeyType::Linear},
                               {16, 0.0f, SyncKeyType::Step},
                               {24, 5.0f, SyncKeyType::Step}});
  EXPECT_FLOAT_EQ(SyncGetValue(&track, 7.5), 7.5f);
  EXPECT_FLOAT_EQ(SyncGetValue(&track, 8.5), 7.5f);
  EXPECT_FLOAT_EQ(SyncGetValue(&track, 12.0), 4.0f);
  EXPECT_FLOAT_EQ(SyncGetValue(&track, 20.0), 0.0f);
  EXPECT_FLOAT_EQ(SyncGetValue(&track, 23.99), 0.0f);
  EXPECT_FLOAT_EQ(SyncGetValue(&track, 24.0), 5.0f);
}

TEST(SyncGetValue, NegativeRowsAndValuesInterpolate) {
  SyncTrack track = MakeTrack({{-20, -4.0f, SyncKeyType::Linear}, {-10, -2.0f, SyncKeyType::Step}});
  EXPECT_FLOAT_EQ(SyncGetValue(&track, -15.0), -3.0f);
  EXPECT_FLOAT_EQ(SyncGetValue(&track, -12.5), -2.5f);
}

TEST(SyncGetValue, UnknownKeyTypeGivesZero) {
  SyncTrack track = MakeTrack({{0, 3.0f, static_cast<SyncKeyType>(7)}, {8, 1.0f, SyncKeyType::Step}});
  EXPECT_FLOAT_EQ(SyncGetValue(&track, 4.0), 0.0f);
}

TEST(SyncKeys, SetKeyInsertsInRowOrderAndReplacesAtTheSameRow) {
  SyncTrack track = MakeTrack({});
  ASSERT_EQ(SyncSetKey(&track, {10, 1.0f, SyncKeyType::Step}), 0);
  ASSERT_EQ(SyncSetKey(&track, {-5, 2.0f, SyncKeyType::Step}), 0);
  ASSERT_EQ(SyncSetKey(&track, {3, 3.0f, SyncKeyType::Step}), 0);
  ASSERT_EQ(SyncSetKey(&track, {3, 4.0f, SyncKeyType::Ramp}), 0);
  ASSERT_EQ(track.keys.size(), 3u);
  EXPECT_EQ(track.keys[0].row, -5);
  EXPECT_EQ(track.keys[1].row, 3);
  EXPECT_EQ(track.keys[2].row, 10);
  EXPECT_FLOAT_EQ(track.keys[1].value, 4.0f);
  EXPECT_EQ(track.keys[1].type, SyncKeyType::Ramp);
}

TEST(SyncKeys, DeleteKeyRemovesOnlyAnExistingRow) {
  SyncTrack track = MakeTrack({{0, 1.0f, SyncKeyType::Step}, {4, 2.0f, SyncKeyType::Step}});
  EXPECT_EQ(SyncDeleteKey(&track, 2), -1);
  EXPECT_EQ(track.keys.size(), 2u);
  EXPECT_EQ(SyncDeleteKey(&track, 0), 0);
  ASSERT_EQ(track.keys.size(), 1u);
  EXPECT_EQ(track.keys[0].row, 4);
  EXPECT_EQ(SyncDeleteKey(&track, 4), 0);
  EXPECT_TRUE(track.keys.empty());
  EXPECT_FLOAT_EQ(SyncGetValue(&track, 4.0), 0.0f);
}

TEST(SyncDeviceTracks, OpeningTwiceKeepsTheFirstDefaultAndOneTrack) {
  SyncDevice device(kSyncBasePath, SyncMode::Editor);  // no link: nothing is read or sent
  SyncTrack* first = SyncGetTrack(device, "bpm", 120.0f);
  SyncTrack* second = SyncGetTrack(device, "bpm", 90.0f);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, second);
  EXPECT_EQ(device.tracks.size(), 1u);
  EXPECT_FLOAT_EQ(SyncSampleTrack(device, "bpm", 100.0), 120.0f);
}

TEST(SyncDeviceTracks, TracksKeepTheOrderOfFirstRequest) {
  SyncDevice device(kSyncBasePath, SyncMode::Editor);
  SyncGetTrack(device, "b", 0.0f);
  SyncGetTrack(device, "a", 0.0f);
  SyncGetTrack(device, "b", 0.0f);
  ASSERT_EQ(device.tracks.size(), 2u);
  EXPECT_EQ(device.tracks[0]->name, "b");
  EXPECT_EQ(device.tracks[1]->name, "a");
}

TEST(SyncDeviceTracks, SamplingAnUnopenedNameThrows) {
  SyncDevice device(kSyncBasePath, SyncMode::Editor);
  SyncGetTrack(device, "cameraEyeX", 1.0f);
  try {
    SyncSampleTrack(device, "cameraEyeY", 0.0);
    FAIL() << "no exception";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "Can't find sync value for cameraEyeY");
  }
}

TEST(SyncDeviceTracks, NameTooLongForATrackFileIsRefused) {
  SyncDevice device(kSyncBasePath, SyncMode::Editor);
  // "data/sync_tracker/" (18) + "_" + name + ".track" (6) may take 259 characters.
  EXPECT_NE(SyncGetTrack(device, std::string(234, 'n'), 0.0f), nullptr);
  EXPECT_EQ(SyncGetTrack(device, std::string(235, 'n'), 0.0f), nullptr);
}

}  // namespace
