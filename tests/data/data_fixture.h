#pragma once
// Shared set-up of the data tests: a fresh temporary folder per test, the data facility back in
// its start-up state, and message boxes answered with Ok and recorded.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/messagebox_recorder.h"
#include "support/test_files.h"

class DataFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Absolute path of `relative` inside the test's folder.
  std::string PathOf(const std::string& relative) const;
  // Writes a file below the test's folder, making its parent folders.
  std::string WriteFile(const std::string& relative, const std::vector<uint8_t>& bytes) const;
  std::string WriteFile(const std::string& relative, const std::string& text) const;

  const std::vector<MessageBoxRequest>& boxes() const { return recorder_->shown(); }

  std::filesystem::path folder_;
  std::optional<MessageBoxRecorder> recorder_;
};

std::vector<uint8_t> Bytes(const std::string& text);

// A chunk stream and the packed file around it, built by hand so that tests can forge any field.
std::vector<uint8_t> Chunk(const std::string& name, const std::vector<uint8_t>& data);
std::vector<uint8_t> Chunk(const std::string& magic, uint32_t name_length, uint32_t data_length,
                           const std::string& name_and_data);
std::vector<uint8_t> PackedFile(const std::vector<uint8_t>& chunk_stream, uint32_t declared_size,
                                uint8_t major = 2, uint8_t minor = 0);
std::vector<uint8_t> PackedFile(const std::vector<uint8_t>& chunk_stream);
