#include "scenes/scene_vwmtrain/greetings.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <sstream>
#include <stdexcept>
#include <utility>

#include <fmt/format.h>

#include "util/helpers.h"

namespace {

std::string Trimmed(const std::string& line) {
  const auto first = line.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  const auto last = line.find_last_not_of(" \t\r");
  return line.substr(first, last - first + 1);
}

// A track value as a whole count, truncated towards zero and held inside the type. The bounds
// are compared as powers of two, which doubles hold exactly: the type's largest value itself
// (2^63 - 1 for 64 bits) would round up to 2^63, and converting 2^63 is out of range.
template <typename Int>
Int TruncatedCount(float value) {
  static_assert(std::numeric_limits<Int>::is_signed);
  if (std::isnan(value)) return 0;
  const double beyond = std::ldexp(1.0, std::numeric_limits<Int>::digits);  // 2^31 or 2^63
  const double whole = std::trunc(static_cast<double>(value));
  if (whole >= beyond) return std::numeric_limits<Int>::max();
  if (whole <= -beyond) return std::numeric_limits<Int>::min();
  return static_cast<Int>(whole);
}

}  // namespace

GreetingSettings GreetingSettings::FromTracks(const TrackReader& track) {
  GreetingSettings s;
  s.x = track("textX");
  s.stretch = track("textScaleX");
  s.y = track("textY");
  s.line_distance = track("textDistY");
  s.face_size = static_cast<uint32_t>(ClampedInt(track("textSize"), 1, Greetings::kMaxFaceSize));
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
    std::string typed = name.substr(0, shown);
    std::replace(typed.begin(), typed.end(), ' ', kWordGap);
    lines.push_back({std::move(typed), s.x, y});
    y += s.line_distance;
    characters -= static_cast<int64_t>(name.size());
  }
  return lines;
}
