#include "support/working_folder.h"

#include "support/test_files.h"

TemporaryWorkingFolder::TemporaryWorkingFolder(const std::string& prefix,
                                               std::initializer_list<const char*> linked)
    : folder_(MakeTemporaryFolder(prefix)), previous_(std::filesystem::current_path()) {
  std::filesystem::create_directories(folder_ / "data");
  for (const char* name : linked) {
    std::filesystem::create_directory_symlink(previous_ / "data" / name, folder_ / "data" / name);
  }
  std::filesystem::current_path(folder_);
}

TemporaryWorkingFolder::~TemporaryWorkingFolder() {
  std::filesystem::current_path(previous_);
  std::error_code error;
  std::filesystem::remove_all(folder_, error);
}
