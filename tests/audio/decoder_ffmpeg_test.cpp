// Our decoders against ffmpeg's, an independent implementation, on the same files: the same
// length to the frame and the same samples within rounding.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "audio/tone_files.h"
#include "system/audio_decoder.h"

namespace {

// ffmpeg's decode of a file as interleaved signed 16-bit samples.
std::vector<int16_t> DecodeWithFfmpeg(const std::string& path) {
  const std::string command = "ffmpeg -v error -i '" + path + "' -f s16le -acodec pcm_s16le -";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::vector<int16_t> samples;
  if (!pipe) return samples;
  int16_t buffer[4096];
  size_t got = 0;
  while ((got = std::fread(buffer, sizeof(int16_t), 4096, pipe.get())) > 0) {
    samples.insert(samples.end(), buffer, buffer + got);
  }
  return samples;
}

}  // namespace

TEST(AudioDecoderAgainstFfmpeg, SameLengthAndSamples) {
  for (const char* name : {"tone_stereo.mp3", "tone_stereo.ogg", "tone_48k.ogg", "tone_mono.mp3"}) {
    const std::string path = ToneFile(name);
    AudioPcm pcm;
    std::string error;
    ASSERT_TRUE(DecodeAudio(ReadWholeFile(path), pcm, error)) << name << ": " << error;
    const std::vector<int16_t> reference = DecodeWithFfmpeg(path);
    ASSERT_EQ(pcm.samples.size(), reference.size()) << name;
    int worst = 0;
    for (size_t i = 0; i < reference.size(); ++i) worst = std::max(worst, std::abs(pcm.samples[i] - reference[i]));
    EXPECT_LE(worst, 2) << name;  // rounding of the last bit
  }
}
