#include "util/music/xml_nesting.h"

#include <algorithm>

namespace {

// The position just past `terminator` at or after `from`, or the end of the text.
size_t PastTerminator(std::string_view text, size_t from, std::string_view terminator) {
  const size_t found = text.find(terminator, from);
  return found == std::string_view::npos ? text.size() : found + terminator.size();
}

// The position just past the '>' ending the tag that starts at `from`, skipping quoted
// attribute values; `self_closing` tells whether the tag ended in "/>".
size_t PastTag(std::string_view text, size_t from, bool& self_closing) {
  char quote = 0;
  for (size_t i = from; i < text.size(); ++i) {
    const char c = text[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      self_closing = i > from && text[i - 1] == '/';
      return i + 1;
    }
  }
  self_closing = false;
  return text.size();
}

}  // namespace

size_t XmlNestingDepth(std::string_view text) {
  size_t depth = 0, deepest = 0;
  size_t i = text.find('<');
  while (i != std::string_view::npos && i < text.size()) {
    const std::string_view rest = text.substr(i);
    if (rest.starts_with("<!--")) {
      i = PastTerminator(text, i + 4, "-->");
    } else if (rest.starts_with("<![CDATA[")) {
      i = PastTerminator(text, i + 9, "]]>");
    } else if (rest.starts_with("<?") || rest.starts_with("<!")) {
      i = PastTerminator(text, i + 2, ">");
    } else if (rest.starts_with("</")) {
      if (depth > 0) --depth;
      i = PastTerminator(text, i + 2, ">");
    } else {
      bool self_closing = false;
      i = PastTag(text, i + 1, self_closing);
      // An empty element is parsed one level down too, but leaves the depth as it was.
      deepest = std::max(deepest, ++depth);
      if (self_closing) --depth;
    }
    i = text.find('<', i);
  }
  return deepest;
}
