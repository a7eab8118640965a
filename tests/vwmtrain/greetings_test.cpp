// The greetings: reading the names and typing them out line by line.

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "scenes/scene_vwmtrain/greetings.h"

namespace {

const std::vector<std::string> kNames = {"ab", "cde", "f"};

struct Typed {
  std::string text;
  float y;
  bool operator==(const Typed&) const = default;
};

std::vector<Typed> TypedLines(int32_t first, int64_t characters) {
  GreetingSettings s;
  s.y = 0.5f;
  s.x = 0.25f;
  s.line_distance = 0.125f;
  s.first_line = first;
  s.characters = characters;
  std::vector<Typed> typed;
  for (const GreetingLine& line : Greetings::Layout(kNames, s)) {
    EXPECT_EQ(line.x, 0.25f);
    typed.push_back({line.text, line.y});
  }
  return typed;
}

TEST(GreetingsLayoutTest, LinesTypeThemselvesOutAsProgressGrows) {
  const struct {
    int32_t first;
    int64_t characters;
    std::vector<Typed> expected;
  } cases[] = {
      {0, 0, {}},
      {0, -5, {}},
      {0, 1, {{"a", 0.5f}}},
      {0, 2, {{"ab", 0.5f}}},
      {0, 3, {{"ab", 0.5f}, {"c", 0.625f}}},
      {0, 6, {{"ab", 0.5f}, {"cde", 0.625f}, {"f", 0.75f}}},
      {0, 1000, {{"ab", 0.5f}, {"cde", 0.625f}, {"f", 0.75f}}},
      {1, 4, {{"cde", 0.5f}, {"f", 0.625f}}},
      {-1, 10, {}},  // a first line outside the list prints nothing
      {3, 10, {}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TypedLines(c.first, c.characters), c.expected) << c.first << " " << c.characters;
}

TEST(GreetingsLayoutTest, ProgressAndFirstLineComeFromTracksAsWholeNumbers) {
  const struct {
    float start, progress;
    int32_t first;
    int64_t characters;
  } cases[] = {
      {1.9f, 7.7f, 1, 7},
      {-0.5f, -0.5f, 0, 0},
      {NAN, NAN, 0, 0},
      {3e9f, 1e19f, 2147483647, 9223372036854775807},
      // 2^31 and 2^63 themselves, one past each type's largest value, are held at it.
      {2147483648.0f, 9223372036854775808.0f, 2147483647, 9223372036854775807},
      // The floats just below them convert exactly.
      {2147483520.0f, 9223371487098961920.0f, 2147483520, 9223371487098961920},
      {-2147483648.0f, -9223372036854775808.0f, -2147483647 - 1, INT64_MIN},
      {-3e9f, -1e19f, -2147483647 - 1, INT64_MIN},
      {INFINITY, -INFINITY, 2147483647, INT64_MIN},
  };
  for (const auto& c : cases) {
    const auto s = GreetingSettings::FromTracks([&](const std::string& name) {
      if (name == "textStart") return c.start;
      if (name == "textProg") return c.progress;
      return 0.0f;
    });
    EXPECT_EQ(s.first_line, c.first);
    EXPECT_EQ(s.characters, c.characters);
  }
}

TEST(GreetingsParseTest, OneNameALineCommentsAndBlanksSkipped) {
  std::string text = "# greeted groups\n\n";
  for (int i = 0; i < 20; ++i) text += "  group " + std::to_string(i) + " \r\n";
  const auto names = Greetings::Parse(text);
  ASSERT_EQ(names.size(), 20u);
  EXPECT_EQ(names[0], "group 0");
  EXPECT_EQ(names[19], "group 19");
}

TEST(GreetingsParseTest, AWrongNumberOfNamesIsAnError) {
  for (int count : {0, 19, 21}) {
    std::string text;
    for (int i = 0; i < count; ++i) text += "name\n";
    try {
      Greetings::Parse(text);
      ADD_FAILURE() << count;
    } catch (const std::runtime_error& error) {
      EXPECT_NE(std::string(error.what()).find(std::to_string(count) + " greeted names"),
                std::string::npos);
    }
  }
}

TEST(GreetingsParseTest, TheProductionsNamesFitTheScreen) {
  std::ifstream file(std::string(Greetings::kFile));
  ASSERT_TRUE(file) << "run from the repository root";
  std::stringstream text;
  text << file.rdbuf();
  for (const std::string& name : Greetings::Parse(text.str())) {
    EXPECT_LE(name.size(), 18u) << name;  // a line of the CRT at the show's text size
    EXPECT_EQ(name.find('%'), std::string::npos);
  }
}

}  // namespace
