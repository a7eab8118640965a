#include "gl_test_files.h"

#include <fstream>
#include <random>

#include "util/data/data.h"

TempDataDir::TempDataDir() : saved_data_mode_(data_mode) {
  std::random_device random;
  root_ = std::filesystem::temp_directory_path() /
          ("gl_test_" + std::to_string(random()) + "_" + std::to_string(random()));
  std::filesystem::create_directories(root_);
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
  return Write(relative_name, std::vector<uint8_t>(text.begin(), text.end()));
}

std::string TempDataDir::Write(const std::string& relative_name,
                               const std::vector<uint8_t>& bytes) const {
  const std::filesystem::path path = root_ / relative_name;
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return path.string();
}

ScopedWorkingDir::ScopedWorkingDir(const std::filesystem::path& path)
    : saved_(std::filesystem::current_path()) {
  std::filesystem::current_path(path);
}

ScopedWorkingDir::~ScopedWorkingDir() { std::filesystem::current_path(saved_); }
