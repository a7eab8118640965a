#pragma once
// The greetings typed onto the CRT: the greeted names and where each typed line goes. The
// names are read from "data/scenes/vwm20/greetings.txt" (one a line); the layout works out,
// for a typing progress in characters, which lines show and how much of each.

#include <cstdint>
#include <string>
#include <vector>

#include "scenes/scene_vwmtrain/fftbars.h"

struct GreetingLine {
  std::string text;  // the part typed so far, as printed in the monitor's face
  float x = 0.0f;    // fractions of the text layout size
  float y = 0.0f;
};

struct GreetingSettings {
  float x = 0.0f;
  float y = 0.0f;
  float stretch = 1.0f;
  float line_distance = 0.1f;
  // "textSize" as a face size in points, held to 1..kMaxFaceSize (not a number: 1).
  uint32_t face_size = 20;
  int32_t first_line = 0;
  int64_t characters = 0;

  static GreetingSettings FromTracks(const TrackReader& track);
};

class Greetings {
 public:
  static constexpr size_t kCount = 20;
  // FreeType has no face of size 0 or below; a huge size would only fill memory.
  static constexpr int32_t kMaxFaceSize = 1024;
  static constexpr const char* kFile = "data/scenes/vwm20/greetings.txt";
  // The monitor's 14-segment face draws ' ' as a sliver a quarter of a letter wide, so two
  // words would run together; its '!' is the display's blank, a letter cell with no segment
  // lit. The typed lines print this between words.
  static constexpr char kWordGap = '!';

  // The names from the text of the greetings file: one a line, blank lines and lines
  // starting with '#' skipped, surrounding spaces trimmed. Fewer or more than kCount names is
  // a std::runtime_error naming the count.
  static std::vector<std::string> Parse(const std::string& text);

  // The lines typed so far: from the first line on, each shows as many characters as are left
  // (at most its own length), spaces as kWordGap; a line starting outside the list shows
  // nothing.
  static std::vector<GreetingLine> Layout(const std::vector<std::string>& names,
                                          const GreetingSettings& settings);
};
