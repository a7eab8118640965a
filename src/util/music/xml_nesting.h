#pragma once
// TinyXML parses nested elements by recursion, so a document that nests deeply enough (a few
// hundred bytes of gzip can unpack to tens of thousands of levels) overflows the stack. The
// readers of outside XML measure the nesting first and refuse such documents.

#include <cstddef>
#include <string_view>

// Music descriptions and Live sets nest a few dozen levels; this is far beyond either.
constexpr size_t kMaxXmlNesting = 256;

// The deepest element nesting of the text, counted the way the parser will meet the tags
// (comments, CDATA sections, declarations and quoted attribute values are skipped). Text after
// a NUL is counted too, which can only over-count.
size_t XmlNestingDepth(std::string_view text);
