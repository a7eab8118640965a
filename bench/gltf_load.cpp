// Loading each shared sample model into records, against tinygltf's own parse of the same bytes
// in the same run (with the same file callbacks and picture decoder), and the peak memory of a
// load against the file size.
//
// Goal: our conversion on top of the parse costs at most 0.5 of the parse time (counter
// "overhead_vs_parse" = (load - parse) / parse). "peak_vs_file" is the resident memory a load
// adds at its peak over the bytes of the model's files (the main file, its buffers and pictures).

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "objects3d/gltf_loader.h"
#include "objects3d/gltf_parse.h"
#include "util/data/data.h"

namespace {

const std::string kSamples = "/work/shared/testdata/gltf/";

const char* const kModels[] = {
    "Box/glTF-Binary/Box.glb",
    "BoxAnimated/glTF-Binary/BoxAnimated.glb",
    "AnimatedMorphCube/glTF-Binary/AnimatedMorphCube.glb",
    "AnimatedCube/glTF/AnimatedCube.gltf",
    "InterpolationTest/glTF-Binary/InterpolationTest.glb",
    "MetalRoughSpheresNoTextures/glTF-Binary/MetalRoughSpheresNoTextures.glb",
    "MorphPrimitivesTest/glTF-Binary/MorphPrimitivesTest.glb",
    "NormalTangentMirrorTest/glTF-Binary/NormalTangentMirrorTest.glb",
    "SimpleMorph/glTF/SimpleMorph.gltf",
    "TextureSettingsTest/glTF-Binary/TextureSettingsTest.glb",
    "VertexColorTest/glTF-Binary/VertexColorTest.glb",
};

double ParseSeconds(const std::string& path, const std::vector<uint8_t>& bytes) {
  const auto start = std::chrono::steady_clock::now();
  tinygltf::Model model;
  std::string error, warning;
  if (!ParseGltfModel(path, bytes, model, error, warning)) std::abort();
  benchmark::DoNotOptimize(model.accessors.data());
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double LoadSeconds(const std::string& path, const std::vector<uint8_t>& bytes) {
  const auto start = std::chrono::steady_clock::now();
  Objects3DData data;
  LoadGltfRecords(path, bytes, data, false);
  benchmark::DoNotOptimize(data.nodes.data());
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

uint64_t StatusKilobytes(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field + ":", 0) == 0) return std::stoull(line.substr(field.size() + 1));
  }
  return 0;
}

// Resident memory a load adds at its peak, from a freshly reset high-water mark.
uint64_t LoadPeakBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  malloc_trim(0);
  std::ofstream("/proc/self/clear_refs") << "5";
  const uint64_t before = StatusKilobytes("VmRSS");
  {
    Objects3DData data;
    LoadGltfRecords(path, bytes, data, false);
  }
  const uint64_t peak = StatusKilobytes("VmHWM");
  malloc_trim(0);
  return (peak - before) * 1024;
}

// The model file and every file beside it (its buffers and pictures).
uint64_t ModelBytes(const std::string& path) {
  const std::filesystem::path file(path);
  if (file.extension() == ".glb") return std::filesystem::file_size(file);
  uint64_t total = 0;
  for (const auto& entry : std::filesystem::directory_iterator(file.parent_path())) {
    if (entry.is_regular_file()) total += entry.file_size();
  }
  return total;
}

void BM_LoadGltf(benchmark::State& state, const std::string& model) {
  ResetDataFileState();
  const std::string path = kSamples + model;
  const std::vector<uint8_t> bytes = GetFileBytes(path, "rb", false);
  double parse = 0, load = 0;
  for (auto _ : state) {
    // Alternated in one loop so both see the same machine state.
    parse += ParseSeconds(path, bytes);
    const double seconds = LoadSeconds(path, bytes);
    load += seconds;
    state.SetIterationTime(seconds);
  }
  const uint64_t peak = LoadPeakBytes(path, bytes);
  state.counters["parse_us"] = parse / state.iterations() * 1e6;
  state.counters["load_us"] = load / state.iterations() * 1e6;
  state.counters["overhead_vs_parse"] = (load - parse) / parse;
  state.counters["file_KB"] = ModelBytes(path) / 1024.0;
  state.counters["peak_vs_file"] = static_cast<double>(peak) / ModelBytes(path);
}

const bool registered = [] {
  for (const char* model : kModels) {
    const std::string name = std::filesystem::path(model).filename().string();
    benchmark::RegisterBenchmark(("BM_LoadGltf/" + name).c_str(), BM_LoadGltf, model)
        ->UseManualTime()
        ->Unit(benchmark::kMicrosecond);
  }
  return true;
}();

}  // namespace
