// The frame's arithmetic without GL: letterboxing, slot selection, effect order, the buffer
// ping-pong, the audio share of a captured frame, the loading hold and the frame-time ring.

#include "scenes/framemath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(LetterboxSize, WideWindowIsPillarBoxed) {
  const RenderSize size = LetterboxSize(1920, 1080, 4.0f / 3.0f);
  EXPECT_EQ(size.width, 1440u);
  EXPECT_EQ(size.height, 1080u);
}

TEST(LetterboxSize, TallWindowIsLetterBoxed) {
  const RenderSize size = LetterboxSize(1280, 1024, 16.0f / 9.0f);
  EXPECT_EQ(size.width, 1280u);
  EXPECT_EQ(size.height, 720u);
}

TEST(LetterboxSize, OddSizesTruncate) {
  EXPECT_EQ(LetterboxSize(1001, 1001, 16.0f / 9.0f).height, 563u);  // 563.06
  EXPECT_EQ(LetterboxSize(1001, 333, 16.0f / 9.0f).width, 592u);    // 592.0
  EXPECT_EQ(LetterboxSize(50, 28, 16.0f / 9.0f).width, 49u);        // 49.78
  // Exactly the aspect: the whole window, taken by the letter-box branch.
  const RenderSize exact = LetterboxSize(1280, 720, 16.0f / 9.0f);
  EXPECT_EQ(exact.width, 1280u);
  EXPECT_EQ(exact.height, 720u);
}

TEST(LetterboxSize, ZeroHeightCountsAsOne) {
  const RenderSize size = LetterboxSize(640, 0, 16.0f / 9.0f);
  EXPECT_EQ(size.height, 1u);
  EXPECT_EQ(size.width, 1u);
}

TEST(LetterboxRect, CentresThePicture) {
  const ScreenRect pillar = LetterboxRect(1920, 1080, {1440, 1080});
  EXPECT_EQ(pillar.x, 240);
  EXPECT_EQ(pillar.y, 0);
  const ScreenRect odd = LetterboxRect(1001, 1001, {1001, 563});
  EXPECT_EQ(odd.x, 0);
  EXPECT_EQ(odd.y, 219);  // 438 / 2
  EXPECT_EQ(odd.width, 1001);
  EXPECT_EQ(odd.height, 563);
}

TEST(SceneSlotIndex, TruncatesTowardZero) {
  EXPECT_EQ(SceneSlotIndex(1.9f, 0, 3), 1u);
  EXPECT_EQ(SceneSlotIndex(-0.5f, 0, 3), 0u);
  EXPECT_EQ(SceneSlotIndex(0.0f, 0, 3), 0u);
}

TEST(SceneSlotIndex, NegativeOrPastTheEndSelectsNothing) {
  EXPECT_EQ(SceneSlotIndex(-1.0f, 0, 3), std::nullopt);
  EXPECT_EQ(SceneSlotIndex(3.0f, 0, 3), std::nullopt);
  EXPECT_EQ(SceneSlotIndex(4.0f, 0, 5), 4u);
  EXPECT_EQ(SceneSlotIndex(5.0f, 0, 5), std::nullopt);
  EXPECT_EQ(SceneSlotIndex(0.0f, 0, 0), std::nullopt);
}

TEST(SceneSlotIndex, NaNAndHugeValuesSelectNothing) {
  EXPECT_EQ(SceneSlotIndex(std::nanf(""), 0, 3), std::nullopt);
  EXPECT_EQ(SceneSlotIndex(std::numeric_limits<float>::infinity(), 0, 3), std::nullopt);
  EXPECT_EQ(SceneSlotIndex(-std::numeric_limits<float>::infinity(), 0, 3), std::nullopt);
  EXPECT_EQ(SceneSlotIndex(4.3e9f, 0, 3), std::nullopt);
  EXPECT_EQ(SceneSlotIndex(-4.3e9f, 0, 3), std::nullopt);
}

TEST(SceneSlotIndex, OffsetIsAddedAfterTruncation) {
  EXPECT_EQ(SceneSlotIndex(0.9f, 1, 3), 1u);
  EXPECT_EQ(SceneSlotIndex(-1.0f, 1, 3), 0u);
  EXPECT_EQ(SceneSlotIndex(2.0f, 1, 3), std::nullopt);
}

TEST(SelectActiveEffects, AscendingByValueTiesKeepListOrder) {
  // Dither, Fade, Blur: Fade 1 runs before Blur 2; Dither is off.
  auto active = SelectActiveEffects({-1.0f, 1.0f, 2.0f});
  ASSERT_EQ(active.size(), 2u);
  EXPECT_EQ(active[0].index, 1u);
  EXPECT_EQ(active[1].index, 2u);

  active = SelectActiveEffects({3.0f, 1.0f, 1.0f, 0.0f, 1.0f});
  ASSERT_EQ(active.size(), 5u);
  const size_t expected[] = {3, 1, 2, 4, 0};
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ(active[i].index, expected[i]) << "position " << i;
}

TEST(SelectActiveEffects, BelowZeroAndNaNAreOff) {
  const auto active = SelectActiveEffects({-0.001f, std::nanf(""), 0.0f, -1.0f});
  ASSERT_EQ(active.size(), 1u);
  EXPECT_EQ(active[0].index, 2u);
  EXPECT_TRUE(SelectActiveEffects({}).empty());
}

TEST(EffectChain, BuffersPingPongBetweenOneAndTwo) {
  EXPECT_EQ(NextCompositionBuffer(1, 3), 2u);
  EXPECT_EQ(NextCompositionBuffer(2, 3), 1u);
  EXPECT_EQ(EffectSourceBuffers(1, 3), (std::vector<uint32_t>{1}));
  // Three effects: 1 -> 2 -> 1 -> screen.
  EXPECT_EQ(EffectSourceBuffers(3, 3), (std::vector<uint32_t>{1, 2, 1}));
  EXPECT_EQ(EffectSourceBuffers(10, 3).back(), 2u);
}

TEST(AudioChunk, OneFrameOfCdAudioIs2940Values) {
  const uint32_t per_frame = AudioValuesPerFrame(2, 44100, 30);
  EXPECT_EQ(per_frame, 2940u);
  const AudioChunk chunk = AudioChunkOfFrame(10, per_frame, 44100 * 2 * 60);
  EXPECT_EQ(chunk.first, 29400u);
  EXPECT_EQ(chunk.count, 2940u);
  EXPECT_EQ(AudioValuesPerFrame(1, 22050, 30), 735u);
  EXPECT_EQ(AudioValuesPerFrame(2, 44100, 0), 0u);
}

TEST(AudioChunk, TheLastFrameGetsWhatIsLeft) {
  // 1.5 frames of audio: frame 0 whole, frame 1 the half left.
  const AudioChunk last = AudioChunkOfFrame(1, 2940, 4410);
  EXPECT_EQ(last.first, 2940u);
  EXPECT_EQ(last.count, 1470u);
  // Exactly at the end: a whole frame.
  EXPECT_EQ(AudioChunkOfFrame(1, 2940, 5880).count, 2940u);
}

TEST(AudioChunk, FramesPastTheEndGetNothing) {
  EXPECT_EQ(AudioChunkOfFrame(2, 2940, 5880).count, 0u);
  EXPECT_EQ(AudioChunkOfFrame(1000, 2940, 5880).count, 0u);
  EXPECT_EQ(AudioChunkOfFrame(0, 2940, 0).count, 0u);
  // Frame numbers whose first value overflows 32 bits still land past the end.
  EXPECT_EQ(AudioChunkOfFrame(0xFFFFFFFFu, 2940, 5880).count, 0u);
}

TEST(LoadingHold, ProgressFallsFromOneToZero) {
  EXPECT_FLOAT_EQ(LoadingHoldProgress(3500, 1000, 2500), 1.0f);
  EXPECT_FLOAT_EQ(LoadingHoldProgress(3500, 2250, 2500), 0.5f);
  EXPECT_FLOAT_EQ(LoadingHoldProgress(3500, 3500, 2500), 0.0f);
  EXPECT_FLOAT_EQ(LoadingHoldProgress(3500, 9000, 2500), 0.0f);
}

TEST(LoadingHold, ZeroHoldAndWrappingTicksStayInRange) {
  EXPECT_FLOAT_EQ(LoadingHoldProgress(1000, 1000, 0), 0.0f);
  // The end wrapped past 2^32 while now has not yet.
  const uint32_t now = 0xFFFFFF00u;
  const uint32_t end = now + 1000;
  EXPECT_NEAR(LoadingHoldProgress(end, now, 1000), 1.0f, 1e-6);
  EXPECT_NEAR(LoadingHoldProgress(end, now + 500, 1000), 0.5f, 1e-6);
  EXPECT_FALSE(TickReached(end, now + 999));
  EXPECT_TRUE(TickReached(end, now + 1000));
  EXPECT_TRUE(TickReached(end, end + 5));
}

TEST(FrameTimeRing, AveragesTheLastFiveCappedDeltas) {
  FrameTimeRing ring;
  // The first frame after set-up: the whole time since, capped at 0.25 s, with four slots still
  // at their start value.
  EXPECT_NEAR(ring.Advance(10.0), (0.25 + 4 * 0.0001) * 0.2, 1e-9);
  double time = 10.0;
  double smoothed = 0.0;
  for (int i = 0; i < 5; ++i) smoothed = ring.Advance(time += 0.02);
  EXPECT_NEAR(smoothed, 0.02, 1e-7);
  // A stall counts as 0.25 s and leaves the ring after five frames.
  EXPECT_NEAR(ring.Advance(time += 3.0), (0.25 + 4 * 0.02) * 0.2, 1e-7);
  for (int i = 0; i < 5; ++i) smoothed = ring.Advance(time += 0.01);
  EXPECT_NEAR(smoothed, 0.01, 1e-7);
  EXPECT_DOUBLE_EQ(ring.last_time(), time);
}
