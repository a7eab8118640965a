#include "system/riffbytes.h"

void RiffBytes::U16(uint16_t value) {
  bytes_.push_back(static_cast<uint8_t>(value));
  bytes_.push_back(static_cast<uint8_t>(value >> 8));
}

void RiffBytes::U32(uint32_t value) {
  U16(static_cast<uint16_t>(value));
  U16(static_cast<uint16_t>(value >> 16));
}

size_t RiffBytes::BeginChunk(std::string_view id) {
  size_t position = bytes_.size();
  FourCC(id);
  U32(0);
  return position;
}

size_t RiffBytes::BeginList(std::string_view list_type) {
  size_t position = BeginChunk("LIST");
  FourCC(list_type);
  return position;
}

void RiffBytes::EndChunk(size_t header_position) {
  size_t data_size = bytes_.size() - header_position - 8;
  PutU32At(header_position + 4, static_cast<uint32_t>(data_size));
  if (data_size % 2 != 0) U8(0);
}

void RiffBytes::PutU32At(size_t position, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes_[position + i] = static_cast<uint8_t>(value >> (8 * i));
}
