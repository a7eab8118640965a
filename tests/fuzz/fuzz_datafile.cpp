// Fuzzes the packed data file reader. The first input byte picks what the rest is:
//   even: a whole packed data file, as it would be read from disk;
//   odd:  a chunk stream, wrapped in a correct header and zlib stream, so that the fuzzer
//         reaches the chunk walker without having to forge zlib checksums.
// Every refused input must end in the fatal exit (FatalExit here) or in an exception the
// callers expect, never in a read outside a buffer.

#include <zlib.h>

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "fuzz_support.h"
#include "util/data/data.h"

namespace {

std::vector<uint8_t> WrapChunkStream(const uint8_t* stream, size_t size) {
  const char magic[] = "Vorantil Data File";
  std::vector<uint8_t> file(magic, magic + 18);
  file.push_back(2);
  file.push_back(0);
  for (int i = 0; i < 4; ++i) file.push_back(static_cast<uint8_t>(size >> (8 * i)));
  uLongf compressed_size = compressBound(size);
  std::vector<uint8_t> compressed(compressed_size);
  if (compress(compressed.data(), &compressed_size, stream, size) != Z_OK) __builtin_trap();
  file.insert(file.end(), compressed.begin(), compressed.begin() + compressed_size);
  return file;
}

void RequestEveryEntry() {
  std::vector<std::string> names;
  for (const DataFileEntry& entry : data_file_entries) names.push_back(entry.name);
  for (const std::string& name : names) {
    try {
      const std::vector<uint8_t> bytes = GetFileBytes(name, "rb", true);
      if (bytes.empty() || bytes.back() != 0) __builtin_trap();
    } catch (const FatalExit&) {
      throw;
    } catch (const std::runtime_error&) {
      // Duplicate names are refused on request.
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  ResetDataFileState();
  data_mode = DataMode::Read;
  std::vector<uint8_t> file = (data[0] & 1) ? WrapChunkStream(data + 1, size - 1)
                                            : std::vector<uint8_t>(data + 1, data + size);
  try {
    UnpackDataFile("fuzz.vtl", std::move(file));
    RequestEveryEntry();
  } catch (const FatalExit&) {
  }
  return 0;
}
