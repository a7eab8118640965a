// The decode-only stream: sample reads and spectra at any position of the song.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "audio/tone_files.h"
#include "system/audio_decode_stream.h"
#include "system/fft.h"

namespace {

std::shared_ptr<const AudioPcm> TonePcm(double seconds) {
  return std::make_shared<const AudioPcm>(MakeTonePcm(44100, seconds));
}

size_t PeakBin(const std::vector<float>& spectrum) {
  return static_cast<size_t>(std::max_element(spectrum.begin(), spectrum.end()) - spectrum.begin());
}

}  // namespace

TEST(AudioDecodeStream, ReadsFloatAndInt16SamplesAndAdvances) {
  AudioDecodeStream stream(TonePcm(0.1));
  ASSERT_TRUE(stream.SetPosition(400));  // frame 100
  std::vector<float> floats(4);
  EXPECT_EQ(stream.ReadFloat(floats), 4u);
  EXPECT_EQ(stream.GetPosition(), 408u);
  EXPECT_FLOAT_EQ(floats[0], ExpectedToneSample(44100, 0, 100) / 32768.0f);
  EXPECT_FLOAT_EQ(floats[3], ExpectedToneSample(44100, 1, 101) / 32768.0f);
  std::vector<int16_t> ints(2);
  EXPECT_EQ(stream.ReadInt16(ints), 2u);
  EXPECT_EQ(ints[0], ExpectedToneSample(44100, 0, 102));
  EXPECT_EQ(ints[1], ExpectedToneSample(44100, 1, 102));
}

TEST(AudioDecodeStream, ReadsStopAtTheEnd) {
  AudioDecodeStream stream(TonePcm(0.1));  // 4410 frames, 17640 bytes
  ASSERT_TRUE(stream.SetPosition(17640 - 8));
  std::vector<float> floats(10);
  EXPECT_EQ(stream.ReadFloat(floats), 4u);
  EXPECT_EQ(stream.GetPosition(), 17640u);
  EXPECT_EQ(stream.ReadFloat(floats), 0u);
}

TEST(AudioDecodeStream, SeekingAtOrPastTheEndFailsAndKeepsThePosition) {
  AudioDecodeStream stream(TonePcm(0.1));
  ASSERT_TRUE(stream.SetPosition(1000));
  EXPECT_FALSE(stream.SetPosition(17640));
  EXPECT_FALSE(stream.SetPosition(uint64_t{1} << 40));
  EXPECT_EQ(stream.GetPosition(), 1000u);
  ASSERT_TRUE(stream.SetPosition(1001));  // rounds down to the frame
  EXPECT_EQ(stream.GetPosition(), 1000u);
}

TEST(AudioDecodeStream, SpectrumPeaksAtTheTonesAndLeavesThePosition) {
  AudioDecodeStream stream(TonePcm(1.0));
  ASSERT_TRUE(stream.SetPosition(40000));
  std::vector<float> spectrum(kSpectrumSize);
  stream.ReadSpectrum(spectrum);
  EXPECT_EQ(stream.GetPosition(), 40000u);
  // 441 Hz lies at bin 20.5 and 882 Hz at bin 41 of 21.5 Hz bins.
  const size_t peak = PeakBin(spectrum);
  EXPECT_TRUE(peak == 20 || peak == 21) << peak;
  EXPECT_GT(spectrum[41], spectrum[35] * 10);
  EXPECT_LT(spectrum[200], 0.001f);
}

TEST(AudioDecodeStream, SpectrumPastTheEndIsSilence) {
  AudioDecodeStream stream(TonePcm(0.1));
  ASSERT_TRUE(stream.SetPosition(17640 - 4));  // the last frame, then silence
  std::vector<float> spectrum(kSpectrumSize, -1.0f);
  stream.ReadSpectrum(spectrum);
  EXPECT_LT(*std::max_element(spectrum.begin(), spectrum.end()), 0.01f);
  EXPECT_GE(*std::min_element(spectrum.begin(), spectrum.end()), 0.0f);
}
