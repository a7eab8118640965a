#include "scenes/scene_vwmtrain/greetings.h"

#include <cmath>
#include <limits>
#include <sstream>
#include <stdexcept>

#include <fmt/format.h>

namespace {

std::string Trimmed(const std::string& line) {
  const auto first = line.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  const auto last = line.find_last_not_of(" \t\r");
  return line.substr(first, last - first + 1);
}

// A track value as a whole count, truncated towards zero and held inside the type.
template <typename Int>
Int TruncatedCount(float value) {
  if (std::isnan(value)) return 0;
  const double lowest = static_cast<double>(std::numeric_limits<Int>::min());
  const double highest = static_cast<double>(std::numeric_limits<Int>::max());
  return static_cast<Int>(std::clamp(std::trunc(static_cast<double>(value)), lowest, highest));
}

}  // namespace

GreetingSettings GreetingSettings::FromTracks(const TrackReader& track) {
  GreetingSettings s;
  s.x = track("textX");
  s.stretch = track("textScaleX");
  s.y = track("textY");
  s.line_distance = track("textDistY");
  s.size = track("textSize");
  s.first_line = TruncatedCount<int32_t>(track("textStart"));
  s.characters = TruncatedCount<int64_t>(track("textProg"));
  return s;
}

std::vector<std::string> Greetings::Parse(const std::string& text) {
  std::vector<std::string> names;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    line = Trimmed(line);
    if (line.empty() || line[0] == '#') continue;
    names.push_back(line);
  }
  if (names.size() != kCount)
    throw std::runtime_error(
        fmt::format("{} holds {} greeted names, expected {}", kFile, names.size(), kCount));
  return names;
}

std::vector<GreetingLine> Greetings::Layout(const std::vector<std::string>& names,
                                            const GreetingSettings& s) {
  std::vector<GreetingLine> lines;
  int64_t characters = s.characters;
  float y = s.y;
  for (int64_t line = s.first_line;
       characters > 0 && line >= 0 && line < static_cast<int64_t>(names.size()); ++line) {
    const std::string& name = names[static_cast<size_t>(line)];
    const size_t shown = static_cast<size_t>(std::min<int64_t>(characters, name.size()));
    lines.push_back({name.substr(0, shown), s.x, y});
    y += s.line_distance;
    characters -= static_cast<int64_t>(name.size());
  }
  return lines;
}
