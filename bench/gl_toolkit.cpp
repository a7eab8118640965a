// GL toolkit timings on the machine's GL driver (llvmpipe under Xvfb in CI): prefiltering a
// 256 x 256 cube map, and loading a 1024 x 1024 PNG into a mipmapped texture. Run from the
// repository root (the prefilter shaders are read from data/) under a display.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <GL/glew.h>
#include <stb_image_write.h>

#include "system/hidden_gl_context.h"
#include "util/data/data.h"
#include "util/texture/texture.h"
#include "util/texture/texturecube.h"
#include "util/gpuresources/gpuresources.h"

namespace {

const std::filesystem::path& BenchFolder() {
  static const std::filesystem::path folder = [] {
    if (const char* source = std::getenv("PLAYER_SOURCE_DIR")) std::filesystem::current_path(source);
    auto path = std::filesystem::temp_directory_path() / "gl_toolkit_bench";
    std::filesystem::create_directories(path);
    return path;
  }();
  return folder;
}

void EnsureContext() {
  static const auto context = std::make_unique<HiddenGLContext>(64, 64);
  static const auto resources = std::make_unique<GpuResources>();
  data_mode = DataMode::Disk;
}

// A smooth but varied picture, so that PNG compression and mipmapping do real work.
std::vector<uint8_t> Picture(int size, int seed) {
  std::vector<uint8_t> pixels(static_cast<size_t>(size) * size * 3);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      uint8_t* p = &pixels[(static_cast<size_t>(y) * size + x) * 3];
      p[0] = static_cast<uint8_t>(x * 255 / size);
      p[1] = static_cast<uint8_t>((y * 7 + seed * 40) & 255);
      p[2] = static_cast<uint8_t>(((x ^ y) + seed * 13) & 255);
    }
  }
  return pixels;
}

std::string WritePicture(const std::string& name, int size, int seed) {
  const std::string path = (BenchFolder() / name).string();
  if (!std::filesystem::exists(path)) {
    stbi_write_png(path.c_str(), size, size, 3, Picture(size, seed).data(), size * 3);
  }
  return path;
}

void BM_PrefilterCube256(benchmark::State& state) {
  EnsureContext();
  const char* faces[] = {"negx", "posx", "negy", "posy", "negz", "posz"};
  for (int face = 0; face < 6; ++face) {
    WritePicture(std::string("sky_") + faces[face] + ".png", 256, face);
  }
  const std::string base = (BenchFolder() / "sky_").string();
  for (auto _ : state) {
    state.PauseTiming();
    auto cube = std::make_unique<TextureCube>(base, "png", true);
    glFinish();
    state.ResumeTiming();
    cube->CreatePrefilteredMipmaps();
    glFinish();
  }
}
BENCHMARK(BM_PrefilterCube256)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_LoadPng1024Mipmapped(benchmark::State& state) {
  EnsureContext();
  const std::string file = WritePicture("picture_1024.png", 1024, 1);
  for (auto _ : state) {
    Texture texture(file);
    glFinish();
    benchmark::DoNotOptimize(texture.id);
  }
}
BENCHMARK(BM_LoadPng1024Mipmapped)->Unit(benchmark::kMillisecond);

}  // namespace
