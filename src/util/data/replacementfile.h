#pragma once
// A file written under a temporary name in its own folder and renamed over its real name only
// once every byte is on disk, so that a failure part-way leaves the file that stood there whole.
// The fatal exit runs no destructors: a caller about to end the run calls Discard first.

#include <cstddef>
#include <string>

#include "util/data/fileio.h"

class ReplacementFile {
 public:
  explicit ReplacementFile(const std::string& name);
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  bool IsOpen() const { return file_ != nullptr; }
  bool Write(const void* bytes, size_t count);
  // Flushes, syncs and closes the temporary file; false (and the file discarded) on failure.
  bool Close();
  // Puts the closed temporary file in the place of the old one; false (and discarded) on failure.
  bool Rename();
  // Removes the temporary file unless it has already been renamed.
  void Discard();

 private:
  std::string name_;
  std::string temporary_;
  FilePtr file_;
  bool renamed_ = false;
};
