#pragma once
// A fresh temporary folder made the working folder while the object lives, with chosen folders
// of the repository's data tree reached through links (so a test can write its own track files
// beside the real fonts or shaders). The previous working folder comes back, and the temporary
// one is removed, on destruction.

#include <filesystem>
#include <initializer_list>
#include <string>

class TemporaryWorkingFolder {
 public:
  // linked: folders under "data/" of the current working folder, e.g. "scenes".
  TemporaryWorkingFolder(const std::string& prefix, std::initializer_list<const char*> linked);
  ~TemporaryWorkingFolder();
  TemporaryWorkingFolder(const TemporaryWorkingFolder&) = delete;
  TemporaryWorkingFolder& operator=(const TemporaryWorkingFolder&) = delete;

 private:
  std::filesystem::path folder_;
  std::filesystem::path previous_;
};
