#pragma once
// The fuzz build's fatal exit throws this instead of ending the process.

#include <stdexcept>
#include <string>

struct FatalExit : std::runtime_error {
  explicit FatalExit(const std::string& text) : std::runtime_error(text) {}
};
