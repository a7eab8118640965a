#pragma once
// Files that tests make: a fresh temporary folder, and whole files written below it with their
// parent folders made as needed.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

// A new, empty folder under the system's temporary folder, named from `prefix`.
std::filesystem::path MakeTemporaryFolder(const std::string& prefix);

// Writes the whole file, making its folders; returns its path as text.
std::string WriteTestFile(const std::filesystem::path& path, std::span<const uint8_t> bytes);
std::string WriteTestFile(const std::filesystem::path& path, std::string_view text);
