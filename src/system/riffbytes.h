#pragma once
// Little-endian byte building for RIFF records: fixed-size fields, four-character codes and
// chunks whose size field is filled in when the chunk is closed.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

// The four characters of a RIFF code as the little-endian number files store.
constexpr uint32_t MakeFourCC(std::string_view code) {
  return static_cast<uint32_t>(static_cast<uint8_t>(code[0])) |
         static_cast<uint32_t>(static_cast<uint8_t>(code[1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(code[2])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(code[3])) << 24;
}

class RiffBytes {
 public:
  void U8(uint8_t value) { bytes_.push_back(value); }
  void U16(uint16_t value);
  void U32(uint32_t value);
  void I16(int16_t value) { U16(static_cast<uint16_t>(value)); }
  void I32(int32_t value) { U32(static_cast<uint32_t>(value)); }
  void FourCC(std::string_view code) { U32(MakeFourCC(code)); }
  void Bytes(std::span<const uint8_t> data) { bytes_.insert(bytes_.end(), data.begin(), data.end()); }

  // Chunk header with a size to be filled by EndChunk; returns the header's position.
  size_t BeginChunk(std::string_view id);
  // "LIST" header with its list type; closed with EndChunk like any chunk.
  size_t BeginList(std::string_view list_type);
  // Fills the size field and pads the chunk to an even length, as RIFF requires.
  void EndChunk(size_t header_position);

  size_t size() const { return bytes_.size(); }
  const std::vector<uint8_t>& bytes() const { return bytes_; }
  std::vector<uint8_t> Take() { return std::move(bytes_); }

 private:
  void PutU32At(size_t position, uint32_t value);
  std::vector<uint8_t> bytes_;
};
