#pragma once
// A temporary folder for the files a test reads through the data facility (loose files on
// disk); removed with everything in it when the test ends. Also switches the data mode to
// loose files for the test's duration.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

class TempDataDir {
 public:
  TempDataDir();
  ~TempDataDir();
  TempDataDir(const TempDataDir&) = delete;
  TempDataDir& operator=(const TempDataDir&) = delete;

  // Writes the file (folders made as needed) and returns its full path.
  std::string Write(const std::string& relative_name, const std::string& text) const;
  std::string Write(const std::string& relative_name, const std::vector<uint8_t>& bytes) const;
  std::string Path(const std::string& relative_name) const;
  const std::filesystem::path& root() const { return root_; }

 private:
  std::filesystem::path root_;
  uint32_t saved_data_mode_;
};

// Makes the folder the working folder while it lives, so that relative data paths
// ("data/common/shaders/...") resolve inside it.
class ScopedWorkingDir {
 public:
  explicit ScopedWorkingDir(const std::filesystem::path& path);
  ~ScopedWorkingDir();

 private:
  std::filesystem::path saved_;
};
