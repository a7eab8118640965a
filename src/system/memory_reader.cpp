#include "system/memory_reader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

size_t MemoryReader::Read(void* destination, size_t size) {
  const size_t count = std::min(size, bytes_.size() - position_);
  if (count > 0) std::memcpy(destination, bytes_.data() + position_, count);
  position_ += count;
  return count;
}

int64_t MemoryReader::Seek(int64_t offset, int whence) {
  int64_t base = 0;
  if (whence == SEEK_CUR) base = static_cast<int64_t>(position_);
  else if (whence == SEEK_END) base = static_cast<int64_t>(bytes_.size());
  else if (whence != SEEK_SET) return -1;
  // Compared before adding, so that no offset can overflow the sum.
  if (offset < -base || offset > static_cast<int64_t>(bytes_.size()) - base) return -1;
  const int64_t target = base + offset;
  position_ = static_cast<size_t>(target);
  return target;
}
