// Decoding MP3 and Ogg Vorbis from memory: format and exact length, refusal of data that is no
// audio, cut-off files, and byte/second conversions.

#include <gtest/gtest.h>

#include <cstdio>

#include "audio/tone_files.h"
#include "system/audio_decoder.h"
#include "system/memory_reader.h"

TEST(AudioDecoder, KeepsTheSongsOwnRateAndChannelCountIn16Bit) {
  const struct {
    const char* name;
    uint32_t rate;
    uint32_t channels;
    uint64_t frames;
  } cases[] = {{"tone_stereo.mp3", 44100, 2, 88200}, {"tone_stereo.ogg", 44100, 2, 88200},
               {"tone_48k.ogg", 48000, 2, 48000}, {"tone_mono.mp3", 44100, 1, 22050}};
  for (const auto& expected : cases) {
    AudioPcm pcm;
    std::string error;
    ASSERT_TRUE(DecodeAudio(ReadWholeFile(ToneFile(expected.name)), pcm, error)) << expected.name << ": " << error;
    EXPECT_EQ(pcm.rate, expected.rate) << expected.name;
    EXPECT_EQ(pcm.channels, expected.channels) << expected.name;
    EXPECT_EQ(pcm.bits, 16u) << expected.name;
    EXPECT_EQ(pcm.BlockAlign(), 2 * expected.channels) << expected.name;
    // The encoder's delay and padding are removed: as long as what was encoded.
    EXPECT_EQ(pcm.FrameCount(), expected.frames) << expected.name;
  }
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

TEST(AudioDecoder, DamagedFilesDecodeOrFailCleanly) {
  for (const char* name : {"tone_stereo.mp3", "tone_stereo.ogg"}) {
    const std::vector<uint8_t> original = ReadWholeFile(ToneFile(name));
    for (size_t step : {size_t{97}, size_t{1013}}) {
      std::vector<uint8_t> bytes = original;
      for (size_t i = step; i < bytes.size(); i += step) bytes[i] ^= 0x5A;
      AudioPcm pcm;
      std::string error;
      if (DecodeAudio(bytes, pcm, error)) {
        EXPECT_GT(pcm.rate, 0u) << name;
        EXPECT_EQ(pcm.samples.size() % pcm.channels, 0u) << name;
      } else {
        EXPECT_FALSE(error.empty()) << name;
      }
    }
  }
}

TEST(MemoryReader, ReadsAndSeeksInsideTheDataOnly) {
  const uint8_t data[] = {1, 2, 3, 4, 5};
  MemoryReader reader(data);
  uint8_t out[8] = {};
  EXPECT_EQ(reader.Read(out, 3), 3u);
  EXPECT_EQ(out[2], 3);
  EXPECT_EQ(reader.Seek(-1, SEEK_CUR), 2);
  EXPECT_EQ(reader.Read(out, 8), 3u);  // only what is left
  EXPECT_EQ(out[0], 3);
  EXPECT_EQ(reader.Read(out, 8), 0u);
  EXPECT_EQ(reader.Seek(-6, SEEK_END), -1);  // before the start: refused, cursor kept
  EXPECT_EQ(reader.Seek(1, SEEK_END), -1);   // past the end
  EXPECT_EQ(reader.Tell(), 5);
  EXPECT_EQ(reader.Seek(INT64_MAX, SEEK_CUR), -1);  // no overflow into a small target
  EXPECT_EQ(reader.Seek(INT64_MIN, SEEK_END), -1);
  EXPECT_EQ(reader.Tell(), 5);
  EXPECT_EQ(reader.Seek(0, SEEK_SET), 0);
}
