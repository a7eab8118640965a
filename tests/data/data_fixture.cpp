#include "data/data_fixture.h"

#include <zlib.h>

#include <cstdio>

#include "support/test_files.h"
#include "util/data/data.h"

void DataFixture::SetUp() {
  ResetDataFileState();
  folder_ = MakeTemporaryFolder("data_test");
  recorder_.emplace();
}

void DataFixture::TearDown() {
  ResetDataFileState();
  recorder_.reset();
  std::error_code error;
  std::filesystem::remove_all(folder_, error);
}

std::string DataFixture::PathOf(const std::string& relative) const {
  return (folder_ / relative).string();
}

std::string DataFixture::WriteFile(const std::string& relative,
                                   const std::vector<uint8_t>& bytes) const {
  return WriteTestFile(folder_ / relative, bytes);
}

std::string DataFixture::WriteFile(const std::string& relative, const std::string& text) const {
  return WriteTestFile(folder_ / relative, text);
}

std::vector<uint8_t> Bytes(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

namespace {

void AppendU32(std::vector<uint8_t>& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

std::vector<uint8_t> Chunk(const std::string& magic, uint32_t name_length, uint32_t data_length,
                           const std::string& name_and_data) {
  std::vector<uint8_t> chunk(magic.begin(), magic.end());
  AppendU32(chunk, name_length);
  AppendU32(chunk, data_length);
  chunk.insert(chunk.end(), name_and_data.begin(), name_and_data.end());
  return chunk;
}

std::vector<uint8_t> Chunk(const std::string& name, const std::vector<uint8_t>& data) {
  return Chunk("VTLDFC", static_cast<uint32_t>(name.size()), static_cast<uint32_t>(data.size()),
               name + std::string(data.begin(), data.end()));
}

std::vector<uint8_t> PackedFile(const std::vector<uint8_t>& chunk_stream, uint32_t declared_size,
                                uint8_t major, uint8_t minor) {
  const std::string magic = "Vorantil Data File";
  std::vector<uint8_t> file(magic.begin(), magic.end());
  file.push_back(major);
  file.push_back(minor);
  AppendU32(file, declared_size);
  uLongf compressed_size = compressBound(chunk_stream.size());
  std::vector<uint8_t> compressed(compressed_size);
  EXPECT_EQ(compress(compressed.data(), &compressed_size, chunk_stream.data(), chunk_stream.size()),
            Z_OK);
  file.insert(file.end(), compressed.begin(), compressed.begin() + compressed_size);
  return file;
}

std::vector<uint8_t> PackedFile(const std::vector<uint8_t>& chunk_stream) {
  return PackedFile(chunk_stream, static_cast<uint32_t>(chunk_stream.size()));
}
