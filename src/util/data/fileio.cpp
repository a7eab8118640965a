#include "util/data/fileio.h"

#include <sys/stat.h>

FilePtr OpenRegularFile(const std::string& name, const std::string& mode, uint64_t& length) {
  FilePtr file(std::fopen(name.c_str(), mode.c_str()));
  struct stat info {};
  if (!file || fstat(fileno(file.get()), &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;
  length = static_cast<uint64_t>(info.st_size);
  return file;
}

uint32_t LoadU32LittleEndian(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

uint64_t MaxInflatedSize(uint64_t compressed_size) {
  constexpr uint64_t kMaxInflateRatio = 1032;
  constexpr uint64_t kFramingSlack = 64;
  return compressed_size * kMaxInflateRatio + kFramingSlack;
}
