#include "scenes/scene_cubeformers/greetings.h"

#include <sstream>

#include "util/data/data.h"

namespace {

std::string Trimmed(const std::string& line) {
  const size_t first = line.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  const size_t last = line.find_last_not_of(" \t\r");
  return line.substr(first, last - first + 1);
}

}  // namespace

std::vector<std::string> CubeGreetingsFromText(const std::string& text) {
  std::vector<std::string> names;
  std::istringstream lines(text);
  std::string line;
  while (names.size() < kCubeGreetings && std::getline(lines, line)) {
    const std::string name = Trimmed(line);
    if (name.empty() || name[0] == '#') continue;
    names.push_back(name);
  }
  return names;
}

std::vector<std::string> LoadCubeGreetings() {
  const std::vector<uint8_t> bytes = GetFileBytes(kGreetingsFile, "rb", false);
  return CubeGreetingsFromText(std::string(bytes.begin(), bytes.end()));
}
