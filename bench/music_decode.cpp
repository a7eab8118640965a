// Time to decode a three-minute MP3 (a generated stereo tone at 192 kbit/s) from memory into
// 16-bit samples: the cost the player pays once at start-up before the first frame.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "system/audio_decoder.h"

namespace {

std::string EnvOr(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value ? value : fallback;
}

// Made by tools/gen_test_tones.sh on first use.
std::vector<uint8_t> LoadSong() {
  const std::string folder = EnvOr("PLAYER_BINARY_DIR", "build") + "/test_tones";
  const std::string path = folder + "/song_3min.mp3";
  if (!std::filesystem::exists(path)) {
    const std::string command = "bash '" + EnvOr("PLAYER_SOURCE_DIR", ".") + "/tools/gen_test_tones.sh' '" + folder + "'";
    if (std::system(command.c_str()) != 0) throw std::runtime_error("cannot make " + path);
  }
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void BM_DecodeThreeMinuteMp3(benchmark::State& state) {
  const std::vector<uint8_t> bytes = LoadSong();
  AudioPcm pcm;
  for (auto _ : state) {
    std::string error;
    if (!DecodeAudio(bytes, pcm, error)) {
      state.SkipWithError(error.c_str());
      return;
    }
    benchmark::DoNotOptimize(pcm.samples.data());
  }
  state.counters["seconds_of_audio"] = static_cast<double>(pcm.FrameCount()) / pcm.rate;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_DecodeThreeMinuteMp3)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
