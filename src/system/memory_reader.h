#pragma once
// A read cursor over bytes in memory with POSIX-like read and seek, for decoder libraries
// that take I/O callbacks instead of a buffer.

#include <cstddef>
#include <cstdint>
#include <span>

class MemoryReader {
 public:
  explicit MemoryReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  // Copies up to `size` bytes from the cursor; returns the count copied (0 at the end).
  size_t Read(void* destination, size_t size);
  // whence is SEEK_SET, SEEK_CUR or SEEK_END; returns the new offset, or -1 for a target
  // outside the data (the cursor then stays where it was).
  int64_t Seek(int64_t offset, int whence);
  int64_t Tell() const { return static_cast<int64_t>(position_); }

 private:
  std::span<const uint8_t> bytes_;
  size_t position_ = 0;
};
