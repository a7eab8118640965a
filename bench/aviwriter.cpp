// Capture must keep up with 30 frames per second: one frame plus its audio per iteration, at
// a width whose rows need padding and at one whose rows do not.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <vector>

#include "system/aviwriter.h"

namespace {

void BM_WriteFrameWithAudio(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  const int height = static_cast<int>(state.range(1));
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "bench_aviwriter";
  std::filesystem::create_directories(folder);
  AVIWriter writer;
  writer.Prepare((folder / "Bench.avi").string());
  if (!writer.Open()) {
    state.SkipWithError("cannot open the capture file");
    return;
  }
  writer.width = width;
  writer.height = height;
  writer.SetAudioFormat(MakePcmWaveFormat(2, 44100, 16));
  const std::vector<uint8_t> frame(static_cast<size_t>(width) * height * 3, 0x5A);
  const std::vector<uint8_t> audio(44100 / 30 * 4, 0x11);
  // Keeps each part small so the file system's cache, not the disk, is measured.
  writer.SetPartByteLimit(256u << 20);
  for (auto _ : state) {
    if (!writer.WriteFrame(frame) || !writer.WriteAudio(audio)) {
      state.SkipWithError("write failed");
      break;
    }
  }
  writer.Close();
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(frame.size() + audio.size()));
  std::filesystem::remove_all(folder);
}

BENCHMARK(BM_WriteFrameWithAudio)->Args({1366, 768})->Args({1920, 1080})->Unit(benchmark::kMillisecond);

}  // namespace
