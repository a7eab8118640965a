// Reading a packed data file of about 50 MB of mixed assets, against a bare zlib uncompress of
// the same stream, and the peak memory the read needs.
//
// Goals: ReadDataFile reaches at least 0.8 of the bare uncompress throughput
// (counter "speed_vs_uncompress"), and its peak memory stays within 3 times the unpacked size
// (counter "peak_vs_unpacked").

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>
#include <malloc.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>

#include "util/data/data.h"

namespace {

const char kPackedPath[] = "/tmp/bench_datafile.vtl";
constexpr size_t kMegabyte = 1 << 20;

std::vector<uint8_t> TextAsset(std::mt19937& random, size_t size) {
  static const char* const kWords[] = {"uniform", "vec3", "float", "gl_FragColor", "return",
                                       "texture2D", "normalize", "\"name\":", "{", "}", "0.5",
                                       "mix(", "<track", "row=", "/>", "\n", "  ", ";"};
  std::vector<uint8_t> bytes;
  bytes.reserve(size + 32);
  while (bytes.size() < size) {
    const char* word = kWords[random() % std::size(kWords)];
    bytes.insert(bytes.end(), word, word + std::char_traits<char>::length(word));
    bytes.push_back(' ');
  }
  bytes.resize(size);
  return bytes;
}

// Already-compressed assets (mp3, png, jpg) look like noise to zlib.
std::vector<uint8_t> NoiseAsset(std::mt19937& random, size_t size) {
  std::vector<uint8_t> bytes(size);
  for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(random());
  return bytes;
}

// RGBA pixels: smooth gradients with a little noise, like raw texture data.
std::vector<uint8_t> ImageAsset(std::mt19937& random, size_t side) {
  std::vector<uint8_t> bytes(side * side * 4);
  for (size_t y = 0; y < side; ++y) {
    for (size_t x = 0; x < side; ++x) {
      uint8_t* pixel = &bytes[(y * side + x) * 4];
      pixel[0] = static_cast<uint8_t>(x * 255 / side + random() % 4);
      pixel[1] = static_cast<uint8_t>(y * 255 / side);
      pixel[2] = static_cast<uint8_t>((x + y) / 8);
      pixel[3] = 255;
    }
  }
  return bytes;
}

struct PackedSet {
  uint64_t unpacked_size = 0;
  uint64_t file_size = 0;
  std::vector<uint8_t> file_bytes;  // for the bare uncompress
};

// Writes the packed file once per process with the real writer.
const PackedSet& GetPackedSet() {
  static const PackedSet set = [] {
    ResetDataFileState();
    data_mode = DataMode::Write;
    std::mt19937 random(2020);
    for (int i = 0; i < 10; ++i) {
      AddDataFileEntry({"data/text/" + std::to_string(i) + ".glsl", TextAsset(random, 2 * kMegabyte), false});
      AddDataFileEntry({"data/music/" + std::to_string(i) + ".mp3", NoiseAsset(random, 1536 * 1024), false});
    }
    for (int i = 0; i < 5; ++i) {
      AddDataFileEntry({"data/textures/" + std::to_string(i) + ".raw", ImageAsset(random, 1024), false});
    }
    PackedSet result;
    for (const DataFileEntry& entry : data_file_entries) {
      result.unpacked_size += 14 + entry.name.size() + entry.data.size();
    }
    // The writer lists every file; keep that out of the benchmark's report.
    std::fflush(stdout);
    const int saved_stdout = dup(STDOUT_FILENO);
    const int null_device = open("/dev/null", O_WRONLY);
    dup2(null_device, STDOUT_FILENO);
    WriteDataFile(kPackedPath);
    std::fflush(stdout);
    dup2(saved_stdout, STDOUT_FILENO);
    close(null_device);
    close(saved_stdout);
    ResetDataFileState();
    std::ifstream in(kPackedPath, std::ios::binary);
    result.file_bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    result.file_size = result.file_bytes.size();
    return result;
  }();
  return set;
}

double ReadDataFileSeconds() {
  ResetDataFileState();
  malloc_trim(0);
  data_mode = DataMode::Read;
  const auto start = std::chrono::steady_clock::now();
  ReadDataFile(kPackedPath);
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  benchmark::DoNotOptimize(data_file_entries.data());
  // Both contenders start with every page handed back, so neither reuses the other's memory.
  ResetDataFileState();
  malloc_trim(0);
  return elapsed.count();
}

double BareUncompressSeconds(const PackedSet& set) {
  const auto start = std::chrono::steady_clock::now();
  auto stream = std::make_unique_for_overwrite<uint8_t[]>(set.unpacked_size);
  uLongf produced = set.unpacked_size;
  const int result = uncompress(stream.get(), &produced, set.file_bytes.data() + 24, set.file_size - 24);
  benchmark::DoNotOptimize(stream.get());
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  if (result != Z_OK || produced != set.unpacked_size) std::abort();
  stream.reset();
  malloc_trim(0);
  return elapsed.count();
}

uint64_t StatusKilobytes(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field + ":", 0) == 0) return std::stoull(line.substr(field.size() + 1));
  }
  return 0;
}

// Peak resident memory added by one ReadDataFile, from a freshly reset high-water mark.
uint64_t ReadDataFilePeakBytes() {
  ResetDataFileState();
  malloc_trim(0);
  std::ofstream("/proc/self/clear_refs") << "5";
  const uint64_t before = StatusKilobytes("VmRSS");
  data_mode = DataMode::Read;
  ReadDataFile(kPackedPath);
  const uint64_t peak = StatusKilobytes("VmHWM");
  ResetDataFileState();
  malloc_trim(0);
  return (peak - before) * 1024;
}

void BM_ReadDataFile(benchmark::State& state) {
  const PackedSet& set = GetPackedSet();
  for (auto _ : state) state.SetIterationTime(ReadDataFileSeconds());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * set.unpacked_size));
}
BENCHMARK(BM_ReadDataFile)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_BareUncompress(benchmark::State& state) {
  const PackedSet& set = GetPackedSet();
  for (auto _ : state) state.SetIterationTime(BareUncompressSeconds(set));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * set.unpacked_size));
}
BENCHMARK(BM_BareUncompress)->UseManualTime()->Unit(benchmark::kMillisecond);

// Both in turn in every iteration, so that the ratio is not skewed by drift between runs.
void BM_ReadDataFileAgainstUncompress(benchmark::State& state) {
  const PackedSet& set = GetPackedSet();
  const uint64_t peak = ReadDataFilePeakBytes();
  double read_seconds = 0.0;
  double uncompress_seconds = 0.0;
  for (auto _ : state) {
    const double read = ReadDataFileSeconds();
    uncompress_seconds += BareUncompressSeconds(set);
    read_seconds += read;
    state.SetIterationTime(read);
  }
  state.counters["speed_vs_uncompress"] = uncompress_seconds / read_seconds;
  state.counters["peak_MB"] = static_cast<double>(peak) / kMegabyte;
  state.counters["unpacked_MB"] = static_cast<double>(set.unpacked_size) / kMegabyte;
  state.counters["file_MB"] = static_cast<double>(set.file_size) / kMegabyte;
  state.counters["peak_vs_unpacked"] = static_cast<double>(peak) / set.unpacked_size;
  state.counters["peak_vs_file"] = static_cast<double>(peak) / set.file_size;
}
BENCHMARK(BM_ReadDataFileAgainstUncompress)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
