#pragma once
// Files that tests make and read back: a fresh temporary folder, whole files written with their
// parent folders made as needed, and whole files read.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// A new, empty folder under the system's temporary folder, named from `prefix`.
std::filesystem::path MakeTemporaryFolder(const std::string& prefix);

// Writes the whole file, making its folders; returns its path as text.
std::string WriteTestFile(const std::filesystem::path& path, std::span<const uint8_t> bytes);
std::string WriteTestFile(const std::filesystem::path& path, std::string_view text);

// Every byte of the file; throws std::runtime_error when it cannot be opened.
std::vector<uint8_t> ReadWholeFile(const std::filesystem::path& path);
