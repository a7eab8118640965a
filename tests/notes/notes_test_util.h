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
#include "support/test_files.h"
#include "midi_bytes.h"

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

// A folder under the system's temporary folder, removed with everything in it.
class ScratchDir {
 public:
  ScratchDir() : path_(MakeTemporaryFolder("notes_test")) {}
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

// Elements opened inside each other `levels` deep and never closed.
inline std::string NestedElements(size_t levels) {
  std::string text;
  for (size_t i = 0; i < levels; ++i) text += "<a>";
  return text;
}

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
