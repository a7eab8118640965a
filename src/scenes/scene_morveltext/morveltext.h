#pragma once
// The text scene of productions 3 and 4: the musician's handle with the production's title,
// or the musician's other name with a second person's name.

#include <string>

#include "scenes/scene_wm20text/wm20text.h"

class MorvelText : public WM20Text {
 public:
  // The running production's title word: the part of "artist - title" after " - ", lower
  // case; a title without that separator is used whole.
  static std::string TitleWord(const std::string& production_title);
  static TextPairs PairsFor(const std::string& production_title);

 protected:
  TextPairs Pairs() const override;
};
