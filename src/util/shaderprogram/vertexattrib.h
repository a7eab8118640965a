#pragma once
// The fixed vertex attribute locations shared by every GLSL source, the vertex arrays and the 3D
// renderer. Sources write the placeholder names (VertexAttribNormal, ...) in place of the
// numbers; ReplaceVertexAttribNames turns them into numbers before compiling.

#include <cstdint>
#include <string>

enum VertexAttrib : int32_t {
  VertexAttribPosition = 0,
  VertexAttribNormal = 1,
  VertexAttribTexCoord1 = 2,
  VertexAttribTangent = 3,
  VertexAttribColor = 4,
  VertexAttribInstancedBaseColor = 5,
  VertexAttribInstancedEmissionColor = 6,
  VertexAttribTexCoord2 = 7,
  VertexAttribMatrix = 8,  // a mat4: its columns take locations 8 to 11
  VertexAttribTargetPosition0 = 12,
  VertexAttribTargetPosition1 = 13,
  VertexAttribTargetPosition2 = 14,
  VertexAttribTargetPosition3 = 15,
  VertexAttribTargetPosition4 = 16,
  VertexAttribTargetPosition5 = 17,
  VertexAttribTargetPosition6 = 18,
  VertexAttribTargetPosition7 = 19,
  VertexAttribTargetNormal0 = 20,
  VertexAttribTargetNormal1 = 21,
  VertexAttribTargetNormal2 = 22,
  VertexAttribTargetNormal3 = 23,
  VertexAttribTargetTangent0 = 24,
  VertexAttribTargetTangent1 = 25,
  VertexAttribTargetTangent2 = 26,
  VertexAttribTargetTangent3 = 27,
  VertexAttribMax = 28,  // count of locations, never a placeholder in sources
};

// The placeholder name of a location; throws std::runtime_error for values without a name
// (below 0, above 28, and the matrix columns 9 to 11).
std::string GetVertexAttribString(int32_t value);

// Replaces every placeholder name in the text by its location number. The match is a plain
// substring match, so a longer identifier containing a placeholder is changed too.
std::string ReplaceVertexAttribNames(std::string source);
