#pragma once
// Helpers shared by the note tests: fatal-exit expectations, MIDI byte builders and scratch
// files.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <zlib.h>

#include "system/messagebox.h"

// The fatal exit prints its line to standard output; death tests match standard error, so the
// child sends one to the other. The message box is answered without showing anything.
#define EXPECT_FATAL(statement, pattern)                                               \
  EXPECT_EXIT(                                                                         \
      {                                                                                \
        dup2(2, 1);                                                                    \
        SetMessageBoxHandler([](const MessageBoxRequest&) { return MessageBoxResult::Ok; }); \
        statement;                                                                     \
      },                                                                               \
      ::testing::ExitedWithCode(1), pattern)

namespace notes_test {

using Bytes = std::vector<uint8_t>;

inline void Append(Bytes& out, std::initializer_list<uint8_t> bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}

inline void AppendBigEndian(Bytes& out, uint32_t value, int count) {
  for (int i = count - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

inline void AppendVariableLength(Bytes& out, uint32_t value) {
  uint8_t groups[5];
  int count = 0;
  do {
    groups[count++] = value & 0x7F;
    value >>= 7;
  } while (value);
  for (int i = count - 1; i >= 0; --i) out.push_back(groups[i] | (i ? 0x80 : 0));
}

inline Bytes MidiHeader(uint16_t chunk_count, uint16_t division, uint16_t format = 1) {
  Bytes out{'M', 'T', 'h', 'd', 0, 0, 0, 6};
  AppendBigEndian(out, format, 2);
  AppendBigEndian(out, chunk_count, 2);
  AppendBigEndian(out, division, 2);
  return out;
}

inline void AppendTrack(Bytes& out, const Bytes& events) {
  Append(out, {'M', 'T', 'r', 'k'});
  AppendBigEndian(out, static_cast<uint32_t>(events.size()), 4);
  out.insert(out.end(), events.begin(), events.end());
}

// A file of one header and the given track chunks, 480 ticks per quarter note by default.
inline Bytes MidiFileBytes(const std::vector<Bytes>& tracks, uint16_t division = 480) {
  Bytes out = MidiHeader(static_cast<uint16_t>(tracks.size()), division);
  for (const Bytes& track : tracks) AppendTrack(out, track);
  return out;
}

// Track events: a delta time followed by the event's bytes.
struct Events {
  Bytes bytes;
  Events& At(uint32_t delta, std::initializer_list<uint8_t> event) {
    AppendVariableLength(bytes, delta);
    Append(bytes, event);
    return *this;
  }
  Events& End() { return At(0, {0xFF, 0x2F, 0x00}); }
};

// A folder under the system's temporary folder, removed with everything in it.
class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "notes_test_XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~ScratchDir() { std::filesystem::remove_all(path_); }
  // The path with a trailing "/", as the data layer's callers write folder names.
  std::string Path() const { return path_.string() + "/"; }

  std::string Write(const std::string& name, const std::string& text) const {
    const std::string file = Path() + name;
    std::ofstream(file, std::ios::binary) << text;
    return file;
  }
  std::string Write(const std::string& name, const Bytes& bytes) const {
    return Write(name, std::string(bytes.begin(), bytes.end()));
  }
  std::string WriteGzip(const std::string& name, const std::string& text) const {
    const std::string file = Path() + name;
    gzFile gz = gzopen(file.c_str(), "wb");
    gzwrite(gz, text.data(), static_cast<unsigned>(text.size()));
    gzclose(gz);
    return file;
  }

 private:
  std::filesystem::path path_;
};

inline Bytes ReadFile(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The folder of outside test files: shared/testdata beside the repository (as CI lays it out),
// or the workplace's shared folder. Empty when neither exists.
inline std::string TestDataDir() {
  std::vector<std::filesystem::path> candidates;
  if (const char* dir = std::getenv("PLAYER_TESTDATA_DIR")) candidates.emplace_back(dir);
  const char* source = std::getenv("PLAYER_SOURCE_DIR");
  const std::filesystem::path root = source ? source : std::filesystem::current_path();
  candidates.push_back(root.parent_path() / "shared" / "testdata");
  candidates.push_back(root.parent_path().parent_path() / "shared" / "testdata");
  for (const auto& candidate : candidates)
    if (std::filesystem::is_directory(candidate / "midi")) return candidate.string() + "/";
  return "";
}

}  // namespace notes_test
