// The playback stream on SDL's dummy driver, which consumes audio in real time: the position
// is the program's clock, so its rate, its smoothness and its behaviour around pause, seek and
// the end of the song are what the picture relies on.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "audio/tone_files.h"
#include "system/audio_device.h"
#include "system/audio_stream.h"

namespace {

using namespace std::chrono_literals;

class AudioStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseDummyAudioDriver();
    std::string error;
    device_ = AudioDevice::Open(44100, error);
    ASSERT_TRUE(device_) << error;
  }

  std::unique_ptr<AudioStream> MakeStream(double seconds, bool loop = false) {
    auto pcm = std::make_shared<const AudioPcm>(MakeTonePcm(44100, seconds));
    return std::make_unique<AudioStream>(pcm, *device_, loop);
  }

  // Bytes per second of the tone: 44100 stereo 16-bit frames.
  static constexpr double kByteRate = 44100.0 * 4;

  std::unique_ptr<AudioDevice> device_;
};

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Bytes per second of wall time, the median of three windows, so that one late wake-up of the
// dummy driver on a busy machine does not decide the result.
double MeasureByteRate(const AudioStream& stream) {
  std::vector<double> rates;
  for (int window = 0; window < 3; ++window) {
    const uint64_t first = stream.GetPosition();
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(250ms);
    rates.push_back((stream.GetPosition() - first) / SecondsSince(start));
  }
  std::sort(rates.begin(), rates.end());
  return rates[1];
}

}  // namespace

TEST_F(AudioStreamTest, OpensTheDummyDriverWhenAskedTo) {
  EXPECT_EQ(device_->DriverName(), "dummy");
  EXPECT_GT(device_->BufferFrames(), 0u);
}

// A song of another rate reopens the output at its rate; either way the clock runs at the
// song's own rate.
TEST_F(AudioStreamTest, PositionAdvancesAtTheSongsRate) {
  for (uint32_t rate : {44100u, 22050u}) {
    auto pcm = std::make_shared<const AudioPcm>(MakeTonePcm(rate, 5.0));
    AudioStream stream(pcm, *device_, false);
    ASSERT_TRUE(stream.Play());
    EXPECT_TRUE(stream.IsActive());
    std::this_thread::sleep_for(100ms);  // past the output's start-up
    EXPECT_NEAR(MeasureByteRate(stream), rate * 4.0, rate * 4.0 * 0.05) << rate;
  }
}

TEST_F(AudioStreamTest, PositionIsSmoothAndNeverGoesBack) {
  auto stream = MakeStream(5.0);
  ASSERT_TRUE(stream->Play());
  uint64_t previous = stream->GetPosition();
  int changes = 0;
  int readings = 0;
  for (auto start = std::chrono::steady_clock::now(); SecondsSince(start) < 0.3; ++readings) {
    std::this_thread::sleep_for(2ms);
    const uint64_t now = stream->GetPosition();
    ASSERT_GE(now, previous);
    ASSERT_EQ(now % 4, 0u);
    changes += now != previous;
    previous = now;
  }
  // A clock that only moved once per output buffer (23 ms) would change about 13 times.
  EXPECT_GT(changes, readings / 2);
}

TEST_F(AudioStreamTest, PauseFreezesThePositionAndPlayResumesFromIt) {
  auto stream = MakeStream(5.0);
  ASSERT_TRUE(stream->Play());
  std::this_thread::sleep_for(100ms);
  ASSERT_TRUE(stream->Pause());
  EXPECT_EQ(stream->GetState(), AudioStream::State::Paused);
  EXPECT_FALSE(stream->IsActive());
  const uint64_t paused_at = stream->GetPosition();
  EXPECT_GT(paused_at, 0u);
  std::this_thread::sleep_for(150ms);
  EXPECT_EQ(stream->GetPosition(), paused_at);
  EXPECT_FALSE(stream->Pause());  // already paused

  ASSERT_TRUE(stream->Play());
  std::this_thread::sleep_for(100ms);
  const uint64_t resumed = stream->GetPosition();
  EXPECT_GT(resumed, paused_at);
  EXPECT_LT(resumed, paused_at + static_cast<uint64_t>(kByteRate * 0.3));
}

TEST_F(AudioStreamTest, SeekWhilePausedReadsBackExactly) {
  auto stream = MakeStream(5.0);
  ASSERT_TRUE(stream->Play());
  ASSERT_TRUE(stream->Pause());
  for (uint64_t bytes : {uint64_t{0}, uint64_t{123456}, uint64_t{4000}, stream->GetLength() - 4}) {
    ASSERT_TRUE(stream->SetPosition(bytes));
    EXPECT_EQ(stream->GetPosition(), bytes);
  }
  const double seconds = 30.0 / 30.0;  // the second video frame of a capture at 1 s
  ASSERT_TRUE(stream->SetPosition(stream->Pcm().SecondsToBytes(seconds)));
  EXPECT_EQ(stream->GetPosition(), 176400u);
}

TEST_F(AudioStreamTest, SeekAtOrPastTheEndFailsAndKeepsThePosition) {
  auto stream = MakeStream(1.0);
  ASSERT_TRUE(stream->SetPosition(8000));
  EXPECT_FALSE(stream->SetPosition(stream->GetLength()));
  EXPECT_FALSE(stream->SetPosition(uint64_t{1} << 33));
  EXPECT_EQ(stream->GetPosition(), 8000u);
}

TEST_F(AudioStreamTest, SeekWhilePlayingMovesTheClock) {
  auto stream = MakeStream(5.0);
  ASSERT_TRUE(stream->Play());
  std::this_thread::sleep_for(50ms);
  ASSERT_TRUE(stream->SetPosition(600000));
  const uint64_t after = stream->GetPosition();
  EXPECT_GE(after, 600000u);
  EXPECT_LT(after, 600000u + 20000u);
  std::this_thread::sleep_for(100ms);
  EXPECT_GT(stream->GetPosition(), 600000u + 8000u);
}

TEST_F(AudioStreamTest, StopsAtTheNaturalEnd) {
  auto stream = MakeStream(0.2);
  ASSERT_TRUE(stream->Play());
  std::this_thread::sleep_for(450ms);
  EXPECT_EQ(stream->GetState(), AudioStream::State::Stopped);
  EXPECT_FALSE(stream->IsActive());
  EXPECT_EQ(stream->GetPosition(), stream->GetLength());
  EXPECT_FALSE(stream->Pause());
}

TEST_F(AudioStreamTest, LoopFlagKeepsPlayingFromTheStart) {
  auto stream = MakeStream(0.2, true);
  ASSERT_TRUE(stream->Play());
  std::this_thread::sleep_for(450ms);
  EXPECT_TRUE(stream->IsActive());
  EXPECT_LT(stream->GetPosition(), stream->GetLength());
  stream->SetLoop(false);
  std::this_thread::sleep_for(450ms);
  EXPECT_FALSE(stream->IsActive());
}

// What the output receives, read by calling the callback body of a stream that is playing but
// no longer attached (a second stream took the output), so no audio thread reads it too.
TEST_F(AudioStreamTest, RendersTheSongScaledByTheVolumeThenSilenceAtTheEnd) {
  auto pcm = std::make_shared<AudioPcm>();
  pcm->rate = 44100;
  pcm->channels = 2;
  // Four seconds of silence before the three frames read here: the audio thread may take a
  // buffer of the stream before the second one takes the output, but cannot reach its end.
  pcm->samples.assign(4 * 44100 * 2, 0);
  pcm->samples.insert(pcm->samples.end(), {1000, -1000, 20000, -20000, 300, 400});
  AudioStream stream(pcm, *device_, false);
  ASSERT_TRUE(stream.Play());
  auto other = MakeStream(1.0);
  ASSERT_TRUE(other->Play());
  ASSERT_TRUE(stream.SetPosition(stream.GetLength() - 12));

  stream.SetVolume(0.5f);
  int16_t out[4] = {};
  stream.Render(reinterpret_cast<uint8_t*>(out), sizeof(out));
  EXPECT_EQ(out[0], 500);
  EXPECT_EQ(out[1], -500);
  EXPECT_EQ(out[2], 10000);
  EXPECT_EQ(out[3], -10000);

  stream.SetVolume(4.0f);  // louder than full scale saturates instead of wrapping
  stream.Render(reinterpret_cast<uint8_t*>(out), sizeof(out));
  EXPECT_EQ(out[0], 1200);
  EXPECT_EQ(out[1], 1600);
  EXPECT_EQ(out[2], 0);  // past the end
  EXPECT_EQ(out[3], 0);
  EXPECT_TRUE(stream.IsActive());
  stream.Render(reinterpret_cast<uint8_t*>(out), sizeof(out));
  EXPECT_EQ(stream.GetState(), AudioStream::State::Stopped);
  EXPECT_EQ(stream.GetPosition(), stream.GetLength());

  ASSERT_TRUE(stream.SetPosition(4));
  stream.Render(reinterpret_cast<uint8_t*>(out), sizeof(out));  // stopped: silence, no movement
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(stream.GetPosition(), 4u);
}

TEST(AudioDevice, FallsBackToTheDummyDriverWhenNoOutputOpens) {
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  std::string error;
  auto device = AudioDevice::Open(44100, error);
  UseDummyAudioDriver();
  ASSERT_TRUE(device) << error;
  EXPECT_EQ(device->DriverName(), "dummy");
}
