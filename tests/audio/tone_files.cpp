#include "audio/tone_files.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <stdexcept>

namespace {

// Absolute, fixed at first use, so that tests may change the working folder afterwards.
const std::string& ToneFolder() {
  static const std::string folder = [] {
    const char* binary_dir = std::getenv("PLAYER_BINARY_DIR");
    return std::filesystem::absolute(std::string(binary_dir ? binary_dir : "build") + "/test_tones").string();
  }();
  return folder;
}

}  // namespace

std::string ToneFile(const std::string& name) {
  static const bool generated = [] {
    const char* source_dir = std::getenv("PLAYER_SOURCE_DIR");
    const std::string script = std::string(source_dir ? source_dir : ".") + "/tools/gen_test_tones.sh";
    const std::string command = "bash '" + script + "' --tones-only '" + ToneFolder() + "'";
    return std::system(command.c_str()) == 0;
  }();
  if (!generated) throw std::runtime_error("tools/gen_test_tones.sh failed");
  return ToneFolder() + "/" + name;
}

int16_t ExpectedToneSample(uint32_t rate, uint32_t channel, uint64_t frame) {
  const double frequency = channel == 0 ? 441.0 : 882.0;
  const double amplitude = channel == 0 ? 16384.0 : 8192.0;
  return static_cast<int16_t>(std::lround(amplitude * std::sin(2.0 * std::numbers::pi * frequency * frame / rate)));
}

AudioPcm MakeTonePcm(uint32_t rate, double seconds) {
  AudioPcm pcm;
  pcm.rate = rate;
  pcm.channels = 2;
  const uint64_t frames = static_cast<uint64_t>(rate * seconds);
  pcm.samples.resize(frames * 2);
  for (uint64_t f = 0; f < frames; ++f) {
    pcm.samples[f * 2] = ExpectedToneSample(rate, 0, f);
    pcm.samples[f * 2 + 1] = ExpectedToneSample(rate, 1, f);
  }
  return pcm;
}

void UseDummyAudioDriver() { setenv("SDL_AUDIODRIVER", "dummy", 1); }
