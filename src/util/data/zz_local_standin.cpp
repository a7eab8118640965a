// LOCAL ONLY, never committed: until the data facility lands in main.
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include "util/data/data.h"
std::vector<uint8_t> ReadFileFromDisk(const std::string& name, const std::string& mode, bool add_nul) {
  FILE* f = std::fopen(name.c_str(), mode.c_str());
  if (!f) throw std::runtime_error("Failed to open file " + name);
  std::fseek(f, 0, SEEK_END); long len = std::ftell(f); std::fseek(f, 0, SEEK_SET);
  std::vector<uint8_t> v(len + (add_nul ? 1 : 0));
  size_t got = std::fread(v.data(), 1, len, f); std::fclose(f);
  if (got == 0) throw std::runtime_error("Tried to read " + std::to_string(len) + " bytes from " + name + ", got 0");
  v.resize(got + (add_nul ? 1 : 0)); if (add_nul) v.back() = 0;
  return v;
}
std::vector<uint8_t> GetFileBytes(const std::string& name, const std::string& mode, bool add_nul) { return ReadFileFromDisk(name, mode, add_nul); }
bool FileExists(const std::string& name) { return std::filesystem::exists(name); }
