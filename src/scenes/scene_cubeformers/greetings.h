#pragma once
// The greeted names CubeFormers spells in cubes: the first 16 names of the greetings file the
// train scene types, in its order.

#include <cstddef>
#include <string>
#include <vector>

constexpr char kGreetingsFile[] = "data/scenes/vwm20/greetings.txt";
constexpr size_t kCubeGreetings = 16;

// The names of a greetings text: one a line, blank lines and lines starting with '#' skipped,
// surrounding spaces trimmed; at most kCubeGreetings of them.
std::vector<std::string> CubeGreetingsFromText(const std::string& text);

// The names from the greetings file (read through the data file facility).
std::vector<std::string> LoadCubeGreetings();
