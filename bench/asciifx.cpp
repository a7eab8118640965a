// Costs of the text-mode effects a frame: a fire update running its full five steps, a fire
// update with no step due (cells only), a rotozoom render of the whole grid and a raw picture
// draw. CPU only; the engine exists for its cells.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "system/clock.h"
#include "system/hidden_gl_context.h"
#include "util/ascii/asciiengine.h"
#include "util/ascii/asciifire.h"
#include "util/ascii/rawloader.h"
#include "util/ascii/rotozoom.h"
#include "util/gpuresources/gpuresources.h"

namespace {

uint32_t fake_tick = 0;

bool MakeContext() {
  static std::unique_ptr<HiddenGLContext> context;
  static std::unique_ptr<GpuResources> resources;
  if (context) return true;
  try {
    context = std::make_unique<HiddenGLContext>(64, 48);
  } catch (const std::exception&) {
    return false;
  }
  resources = std::make_unique<GpuResources>();
  SetTickSource([] { return fake_tick; });
  return true;
}

std::string WritePicture(const std::string& name, size_t size) {
  const std::filesystem::path path = std::filesystem::temp_directory_path() / name;
  std::vector<char> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 % 16);
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(size));
  return path.string();
}

void BM_FireFiveSteps(benchmark::State& state) {
  if (!MakeContext()) return state.SkipWithError("no GL display");
  AsciiEngine engine;
  AsciiFire fire(&engine);
  for (auto _ : state) {
    fake_tick += 80;
    fire.update(fake_tick);
  }
}
BENCHMARK(BM_FireFiveSteps)->Unit(benchmark::kMicrosecond);

void BM_FireCellsOnly(benchmark::State& state) {
  if (!MakeContext()) return state.SkipWithError("no GL display");
  AsciiEngine engine;
  AsciiFire fire(&engine);
  fire.update(fake_tick);
  for (auto _ : state) fire.update(fake_tick);
}
BENCHMARK(BM_FireCellsOnly)->Unit(benchmark::kMicrosecond);

void BM_RotoZoomRender(benchmark::State& state) {
  if (!MakeContext()) return state.SkipWithError("no GL display");
  AsciiEngine engine;
  RotoZoom roto(&engine, WritePicture("bench_rotozoom_tile.raw", 65536));
  for (auto _ : state) {
    fake_tick += 20;
    roto.update(fake_tick);
  }
}
BENCHMARK(BM_RotoZoomRender)->Unit(benchmark::kMicrosecond);

void BM_RawDraw(benchmark::State& state) {
  if (!MakeContext()) return state.SkipWithError("no GL display");
  AsciiEngine engine;
  RawLoader loader(&engine, WritePicture("bench_raw.raw", 300 * 80), 300, 80);
  int32_t x = 0;
  for (auto _ : state) loader.draw(x++ % 220, 10);
}
BENCHMARK(BM_RawDraw)->Unit(benchmark::kMicrosecond);

}  // namespace
