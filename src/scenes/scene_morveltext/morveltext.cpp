#include "scenes/scene_morveltext/morveltext.h"

#include "tolmesystem.h"
#include "util/helpers.h"

std::string MorvelText::TitleWord(const std::string& production_title) {
  const std::string separator = " - ";
  const size_t at = production_title.find(separator);
  const std::string word =
      at == std::string::npos ? production_title : production_title.substr(at + separator.size());
  return ToLower(word);
}

TextPairs MorvelText::PairsFor(const std::string& production_title) {
  const TextPair title = {"murrow", TitleWord(production_title)};
  const TextPair names = {"quenbry", "& ostrid"};
  // Only two pairs: everything from 0.5 up prints the names.
  return {title, names, names};
}

TextPairs MorvelText::Pairs() const { return PairsFor((*GetSystemSettings())->title); }
