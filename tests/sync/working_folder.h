#pragma once
// Runs a test inside a fresh temporary folder and returns to the previous working folder after.

#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>
#include "support/test_files.h"

class ScopedWorkingFolder {
 public:
  ScopedWorkingFolder()
      : previous_(std::filesystem::current_path()), folder_(MakeTemporaryFolder("synctest")) {
    std::filesystem::current_path(folder_);
  }
  ~ScopedWorkingFolder() {
    std::filesystem::current_path(previous_);
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  ScopedWorkingFolder(const ScopedWorkingFolder&) = delete;
  ScopedWorkingFolder& operator=(const ScopedWorkingFolder&) = delete;

  const std::filesystem::path& Path() const { return folder_; }

 private:
  std::filesystem::path previous_;
  std::filesystem::path folder_;
};
