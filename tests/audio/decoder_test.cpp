// Decoding MP3 and Ogg Vorbis from memory: format, exact length and sample values against the
// tone the generator wrote.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "audio/tone_files.h"
#include "system/audio_decoder.h"

namespace {

AudioPcm Decode(const std::string& name) {
  AudioPcm pcm;
  std::string error;
  EXPECT_TRUE(DecodeAudio(ReadWholeFile(ToneFile(name)), pcm, error)) << error;
  return pcm;
}

// Largest difference from the written tone, as a fraction of full scale, over every frame.
double LargestError(const AudioPcm& pcm) {
  int worst = 0;
  for (uint64_t f = 0; f < pcm.FrameCount(); ++f) {
    for (uint32_t c = 0; c < pcm.channels; ++c) {
      const int diff = pcm.samples[f * pcm.channels + c] - ExpectedToneSample(pcm.rate, c, f);
      worst = std::max(worst, std::abs(diff));
    }
  }
  return worst / 32768.0;
}

}  // namespace

TEST(AudioDecoder, Mp3DecodesToStereo16BitWithItsExactLength) {
  const AudioPcm pcm = Decode("tone_stereo.mp3");
  EXPECT_EQ(pcm.rate, 44100u);
  EXPECT_EQ(pcm.channels, 2u);
  EXPECT_EQ(pcm.bits, 16u);
  // The encoder's delay and padding are removed, so the song is as long as what was encoded.
  EXPECT_EQ(pcm.FrameCount(), 88200u);
  EXPECT_EQ(pcm.LengthBytes(), 88200u * 4);
}

TEST(AudioDecoder, Mp3SamplesFollowTheEncodedTone) {
  const AudioPcm pcm = Decode("tone_stereo.mp3");
  EXPECT_LT(LargestError(pcm), 0.02);
}

TEST(AudioDecoder, OggDecodesToStereo16BitWithItsExactLengthAndSamples) {
  const AudioPcm pcm = Decode("tone_stereo.ogg");
  EXPECT_EQ(pcm.rate, 44100u);
  EXPECT_EQ(pcm.channels, 2u);
  EXPECT_EQ(pcm.FrameCount(), 88200u);
  EXPECT_LT(LargestError(pcm), 0.02);
}

TEST(AudioDecoder, KeepsTheSongsOwnRateAndChannelCount) {
  const AudioPcm ogg = Decode("tone_48k.ogg");
  EXPECT_EQ(ogg.rate, 48000u);
  EXPECT_EQ(ogg.FrameCount(), 48000u);
  const AudioPcm mono = Decode("tone_mono.mp3");
  EXPECT_EQ(mono.channels, 1u);
  EXPECT_EQ(mono.FrameCount(), 22050u);
  EXPECT_EQ(mono.BlockAlign(), 2u);
}

TEST(AudioDecoder, RefusesDataThatIsNoAudio) {
  AudioPcm pcm;
  std::string error;
  EXPECT_FALSE(DecodeAudio({}, pcm, error));
  EXPECT_FALSE(error.empty());

  std::vector<uint8_t> noise(5000);
  for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<uint8_t>(i * 7919 >> 3);
  error.clear();
  EXPECT_FALSE(DecodeAudio(noise, pcm, error));
  EXPECT_FALSE(error.empty());

  std::vector<uint8_t> fake_ogg = {'O', 'g', 'g', 'S', 0, 2, 0, 0, 0, 0};
  error.clear();
  EXPECT_FALSE(DecodeAudio(fake_ogg, pcm, error));
  EXPECT_FALSE(error.empty());
}

TEST(AudioDecoder, TruncatedFilesDecodeWhatIsThere) {
  for (const char* name : {"tone_stereo.mp3", "tone_stereo.ogg"}) {
    std::vector<uint8_t> bytes = ReadWholeFile(ToneFile(name));
    bytes.resize(bytes.size() * 3 / 4);
    AudioPcm pcm;
    std::string error;
    ASSERT_TRUE(DecodeAudio(bytes, pcm, error)) << name << ": " << error;
    EXPECT_GT(pcm.FrameCount(), 10000u) << name;
    EXPECT_LT(pcm.FrameCount(), 88200u) << name;
  }
}

TEST(AudioPcm, ConvertsBetweenBytesAndSecondsInWholeFrames) {
  AudioPcm pcm;
  pcm.rate = 44100;
  pcm.channels = 2;
  EXPECT_DOUBLE_EQ(pcm.BytesToSeconds(176400), 1.0);
  EXPECT_EQ(pcm.SecondsToBytes(1.0), 176400u);
  EXPECT_EQ(pcm.SecondsToBytes(0.5 / 44100), 0u);       // inside the first frame
  EXPECT_EQ(pcm.SecondsToBytes(1.5 / 44100), 4u);       // rounds down to frame 1
  EXPECT_EQ(pcm.SecondsToBytes(-3.0), 0u);              // negative times seek to the start
  EXPECT_EQ(pcm.SecondsToBytes(100000.0) % 4, 0u);      // far positions stay whole frames
  EXPECT_GT(pcm.SecondsToBytes(1.0e7), uint64_t{1} << 32);  // and do not wrap at 32 bits
}
