#include "support/gl_test_files.h"

#include "support/test_files.h"
#include "util/data/data.h"

TempDataDir::TempDataDir() : root_(MakeTemporaryFolder("gl_test")), saved_data_mode_(data_mode) {
  data_mode = DataMode::Disk;
}

TempDataDir::~TempDataDir() {
  data_mode = saved_data_mode_;
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

std::string TempDataDir::Path(const std::string& relative_name) const {
  return (root_ / relative_name).string();
}

std::string TempDataDir::Write(const std::string& relative_name, const std::string& text) const {
  return WriteTestFile(root_ / relative_name, text);
}

std::string TempDataDir::Write(const std::string& relative_name,
                               const std::vector<uint8_t>& bytes) const {
  return WriteTestFile(root_ / relative_name, bytes);
}

ScopedWorkingDir::ScopedWorkingDir(const std::filesystem::path& path)
    : saved_(std::filesystem::current_path()) {
  std::filesystem::current_path(path);
}

ScopedWorkingDir::~ScopedWorkingDir() { std::filesystem::current_path(saved_); }
