// The spectrum history: how many snapshots a song gets, which one a beat reads, and silence
// outside the store.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "scenes/scene_vwmtrain/fftsnapshots.h"

namespace {

TEST(FftSnapshotsTest, CountIsOnePerSixteenthAndOneMoreWithinBounds) {
  const struct {
    double beats;
    int64_t expected;
  } cases[] = {
      {0.0, 1},   {416.0, 6657}, {0.03, 1}, {0.0625, 2}, {-5.0, 1}, {NAN, 1},
      {233333.331, FftSnapshots::kMaxCount},  // the dummy clock's length would want 15 GB
  };
  for (const auto& c : cases) EXPECT_EQ(FftSnapshots::CountFor(c.beats), c.expected) << c.beats;
}

TEST(FftSnapshotsTest, IndexOfABeat) {
  const struct {
    double beat;
    int64_t expected;
  } cases[] = {{-0.01, -1}, {NAN, -1}, {0.0, 0}, {0.0624, 0}, {0.0625, 1}, {10.5, 168}, {1e300, 2147483647}};
  for (const auto& c : cases) EXPECT_EQ(FftSnapshots::IndexOf(c.beat), c.expected) << c.beat;
}

TEST(FftSnapshotsTest, SnapshotsAreTakenAtSixteenthBeatsAndSilentOutside) {
  FftSnapshots store;
  std::vector<double> beats;
  store.Build(5, [&](float* out, double beat) {
    beats.push_back(beat);
    std::fill(out, out + FftSnapshots::kBins, static_cast<float>(beat));
  });
  EXPECT_EQ(beats, (std::vector<double>{0.0, 0.0625, 0.125, 0.1875, 0.25}));
  ASSERT_EQ(store.size(), 5u);
  EXPECT_EQ(store.At(3)[1023], 0.1875f);
  for (int64_t outside : {-1, 5, 1000000}) {
    ASSERT_EQ(store.At(outside).size(), FftSnapshots::kBins);
    for (float bin : store.At(outside)) ASSERT_EQ(bin, 0.0f) << outside;
  }
}

}  // namespace
