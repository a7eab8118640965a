#include "util/data/replacementfile.h"

#include <unistd.h>

#include <cstdio>

ReplacementFile::ReplacementFile(const std::string& name)
    : name_(name), temporary_(name + ".part"), file_(std::fopen(temporary_.c_str(), "wb")) {}

ReplacementFile::~ReplacementFile() { Discard(); }

bool ReplacementFile::Write(const void* bytes, size_t count) {
  return count == 0 || (file_ && std::fwrite(bytes, 1, count, file_.get()) == count);
}

bool ReplacementFile::Close() {
  if (!file_) return false;
  bool closed = std::fflush(file_.get()) == 0 && fsync(fileno(file_.get())) == 0;
  closed = std::fclose(file_.release()) == 0 && closed;
  if (!closed) Discard();
  return closed;
}

bool ReplacementFile::Rename() {
  renamed_ = std::rename(temporary_.c_str(), name_.c_str()) == 0;
  if (!renamed_) Discard();
  return renamed_;
}

void ReplacementFile::Discard() {
  if (renamed_) return;
  file_.reset();
  std::remove(temporary_.c_str());
}
