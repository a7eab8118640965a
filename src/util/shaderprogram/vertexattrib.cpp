#include "util/shaderprogram/vertexattrib.h"

#include <array>
#include <stdexcept>

std::string GetVertexAttribString(int32_t value) {
  static const std::array<const char*, VertexAttribMax + 1> kNames = {
      "VertexAttribPosition",         "VertexAttribNormal",
      "VertexAttribTexCoord1",        "VertexAttribTangent",
      "VertexAttribColor",            "VertexAttribInstancedBaseColor",
      "VertexAttribInstancedEmissionColor", "VertexAttribTexCoord2",
      "VertexAttribMatrix",           nullptr,
      nullptr,                        nullptr,
      "VertexAttribTargetPosition0",  "VertexAttribTargetPosition1",
      "VertexAttribTargetPosition2",  "VertexAttribTargetPosition3",
      "VertexAttribTargetPosition4",  "VertexAttribTargetPosition5",
      "VertexAttribTargetPosition6",  "VertexAttribTargetPosition7",
      "VertexAttribTargetNormal0",    "VertexAttribTargetNormal1",
      "VertexAttribTargetNormal2",    "VertexAttribTargetNormal3",
      "VertexAttribTargetTangent0",   "VertexAttribTargetTangent1",
      "VertexAttribTargetTangent2",   "VertexAttribTargetTangent3",
      "VertexAttribMax"};
  if (value < 0 || value > VertexAttribMax || kNames[value] == nullptr) {
    throw std::runtime_error("Unhandled vertex attribute in GetVertexAttribString()");
  }
  return kNames[value];
}

namespace {

void ReplaceAll(std::string& text, const std::string& name, const std::string& number) {
  for (size_t at = text.find(name); at != std::string::npos;
       at = text.find(name, at + number.size())) {
    text.replace(at, name.size(), number);
  }
}

}  // namespace

std::string ReplaceVertexAttribNames(std::string source) {
  // TexCoord2 goes right after TexCoord1; the order is otherwise by location. No placeholder is
  // a prefix of another, so the order does not change the result.
  static const std::array<int32_t, 25> kOrder = {0,  1,  2,  7,  3,  4,  5,  6,  8,
                                                 12, 13, 14, 15, 16, 17, 18, 19, 20,
                                                 21, 22, 23, 24, 25, 26, 27};
  for (const int32_t value : kOrder) {
    ReplaceAll(source, GetVertexAttribString(value), std::to_string(value));
  }
  return source;
}
