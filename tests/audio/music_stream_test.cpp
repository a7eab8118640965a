// Music playing a decoded song on the dummy audio driver: the loaded format and samples, the
// clock from the playback position, pause, seeks, the end of the song and the spectrum.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <thread>

#include "audio/music_fixture.h"
#include "audio/tone_files.h"

namespace {

using namespace std::chrono_literals;

class MusicStreamTest : public MusicFixture {
 protected:
  std::unique_ptr<Music> MakeMusicFor(const std::string& tone_file) {
    Settings().music_file = ToneFile(tone_file);
    return MakeMusic();
  }
};

size_t PeakBin(const std::vector<float>& spectrum) {
  return static_cast<size_t>(std::max_element(spectrum.begin(), spectrum.end()) - spectrum.begin());
}

}  // namespace

TEST_F(MusicStreamTest, LoadsTheSongsFormatAndSamples) {
  auto music = MakeMusicFor("tone_stereo.mp3");
  EXPECT_FALSE(music->dummy);
  EXPECT_EQ(music->format.format_tag, 1);
  EXPECT_EQ(music->format.channels, 2);
  EXPECT_EQ(music->format.samples_per_second, 44100u);
  EXPECT_EQ(music->format.bits_per_sample, 16);
  EXPECT_EQ(music->format.block_align, 4);
  EXPECT_EQ(music->format.average_bytes_per_second, 176400u);
  EXPECT_EQ(music->sampleCount, 88200u * 2);
  ASSERT_EQ(music->samples.size(), music->sampleCount);
  EXPECT_TRUE(music->samples16.empty());  // only made for video capture
  EXPECT_NEAR(music->samples[2 * 1000], ExpectedToneSample(44100, 0, 1000) / 32768.0, 0.02);
  EXPECT_NEAR(music->samples[2 * 1000 + 1], ExpectedToneSample(44100, 1, 1000) / 32768.0, 0.02);
  EXPECT_DOUBLE_EQ(music->GetLengthInSeconds(), 2.0);
  EXPECT_DOUBLE_EQ(music->GetLengthInBeats(), 4.0);
}

TEST_F(MusicStreamTest, VideoCaptureAlsoKeeps16BitSamples) {
  Settings().avi_capture = 1;
  auto music = MakeMusicFor("tone_stereo.ogg");
  ASSERT_EQ(music->samples16.size(), music->sampleCount);
  for (size_t i : {size_t{0}, size_t{777}, size_t{100001}}) {
    EXPECT_NEAR(music->samples16[i] / 32768.0f, music->samples[i], 1e-6f) << i;
  }
}

// The rate of the position itself is the playback stream's concern (stream_test.cpp).
TEST_F(MusicStreamTest, PlaysAndTheBeatFollowsThePosition) {
  Settings().beat_offset = -0.5f;
  auto music = MakeMusicFor("tone_stereo.mp3");
  music->Start();
  EXPECT_TRUE(music->IsPlaying());
  const double first = music->GetBeat();
  std::this_thread::sleep_for(200ms);
  EXPECT_GT(music->GetBeat(), first + 0.2);
  music->SetPaused(true);
  const uint64_t position = music->GetPosition();
  EXPECT_EQ(position % 4, 0u);
  EXPECT_DOUBLE_EQ(music->GetBeat(), position / 176400.0 * 2.0 - 0.5);
  EXPECT_DOUBLE_EQ(music->GetRow(), 8.0 * music->GetBeat());
}

TEST_F(MusicStreamTest, PauseAndSetRowThroughTheEditorCallbacks) {
  auto music = MakeMusicFor("tone_stereo.mp3");
  music->Start();
  std::this_thread::sleep_for(50ms);
  SyncPauseCallback(nullptr, 1);
  EXPECT_EQ(SyncIsPlayingCallback(nullptr), 0);
  SyncSetRowCallback(nullptr, 8);
  EXPECT_DOUBLE_EQ(music->GetBeat(), 1.0);
  EXPECT_EQ(music->GetPosition(), 88200u);
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(music->GetPosition(), 88200u);
  SyncPauseCallback(nullptr, 0);
  EXPECT_EQ(SyncIsPlayingCallback(nullptr), 1);
  std::this_thread::sleep_for(100ms);
  EXPECT_GT(music->GetBeat(), 1.05);
}

TEST_F(MusicStreamTest, SeeksPastTheEndLeaveThePositionAndNegativeTimesGoToTheStart) {
  auto music = MakeMusicFor("tone_stereo.mp3");
  music->Start();
  music->SetPaused(true);
  music->SetPositionSeconds(1.5);
  EXPECT_EQ(music->GetPosition(), 264600u);
  music->SetPositionSeconds(2.0);  // the end: video capture stops on the unchanged position
  EXPECT_EQ(music->GetPosition(), 264600u);
  music->SetPositionSeconds(1.0e12);
  EXPECT_EQ(music->GetPosition(), 264600u);
  music->SetPositionSeconds(-3.0);
  EXPECT_EQ(music->GetPosition(), 0u);
}

TEST_F(MusicStreamTest, StopsPlayingAtTheEndOfTheSong) {
  auto music = MakeMusicFor("tone_stereo.mp3");
  music->Start();
  music->SetPositionSeconds(1.85);
  std::this_thread::sleep_for(400ms);
  EXPECT_FALSE(music->IsPlaying());
  EXPECT_FALSE(music->paused);
  EXPECT_DOUBLE_EQ(music->GetSeconds(), 2.0);
}

TEST_F(MusicStreamTest, SpectrumAtABeatShowsTheTones) {
  Settings().beat_offset = 1.0f;
  auto music = MakeMusicFor("tone_stereo.mp3");
  std::vector<float> spectrum(1024);
  music->GetFFT(spectrum.data(), 2.0);  // 0.5 s into the song
  const size_t peak = PeakBin(spectrum);
  EXPECT_TRUE(peak == 20 || peak == 21) << peak;
  EXPECT_GT(spectrum[41], 0.05f);
  EXPECT_LT(spectrum[300], 0.01f);

  music->GetFFT(spectrum.data(), 0.5);  // before the offset: the start of the song
  EXPECT_GT(spectrum[PeakBin(spectrum)], 0.2f);

  music->GetFFT(spectrum.data(), 6.0);  // past the end: silence
  EXPECT_EQ(*std::max_element(spectrum.begin(), spectrum.end()), 0.0f);
}

TEST_F(MusicStreamTest, SpectrumOfANegativeBeatIsTakenWhereTheSongPlays) {
  auto music = MakeMusicFor("tone_stereo.mp3");
  music->Start();
  music->SetPaused(true);
  music->SetPositionSeconds(1.99);  // less than one FFT window before the end
  std::vector<float> at_end(1024);
  music->GetFFT(at_end.data(), -1.0);
  music->SetPositionSeconds(0.5);
  std::vector<float> inside(1024);
  music->GetFFT(inside.data(), -1.0);
  EXPECT_LT(at_end[PeakBin(at_end)], inside[PeakBin(inside)] * 0.5f);
}

TEST_F(MusicStreamTest, SongsThatAreNotStereoAreRefused) {
  Settings().music_file = ToneFile("tone_mono.mp3");
  EXPECT_EXIT(MakeMusic(), ::testing::ExitedWithCode(1), "Assert failed");
}

TEST_F(MusicStreamTest, FilesThatDoNotDecodeAreFatal) {
  std::ofstream("noise.mp3") << std::string(3000, 'x');
  Settings().music_file = "noise.mp3";
  EXPECT_EXIT(MakeMusic(), ::testing::ExitedWithCode(1), "Failed to create stream chan!");
}
