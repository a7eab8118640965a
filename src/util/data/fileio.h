#pragma once
// Small file and byte helpers shared by the loose-file reader and the packed data file.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

// Opens a regular file and tells its length. Directories open fine under Linux but report
// nonsense lengths, so anything that is not a regular file gives nullptr like a missing one.
FilePtr OpenRegularFile(const std::string& name, const std::string& mode, uint64_t& length);

uint32_t LoadU32LittleEndian(const uint8_t* bytes);

// Deflate cannot expand data by more than this factor, so n compressed bytes never honestly
// unpack to more than n times this (plus a few bytes of stream framing).
uint64_t MaxInflatedSize(uint64_t compressed_size);
