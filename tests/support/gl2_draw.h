#pragma once
// Small helpers shared by the drawing tests: flat-colour programs and pixel counting.

#include <memory>
#include <string>
#include <vector>

#include <glm/glm.hpp>

#include "support/gl_fixture.h"
#include "util/shaderprogram/shaderprogram.h"

// A flat white program (the 2D or 3D preset) with the given projection and an identity
// model-view; bound on return.
std::unique_ptr<ShaderProgram> UseFlatProgram(bool three_d, const glm::mat4& projection);

// A program drawing 2D positions moved by the per-instance matrix at VertexAttribMatrix, white.
std::unique_ptr<ShaderProgram> UseInstancedProgram(const glm::mat4& projection);

// How many pixels of the target have a red channel above half.
int CountLitPixels(const RenderTarget& target);

// The first and last column holding a lit pixel, or (-1, -1) for an empty picture.
std::pair<int, int> LitColumns(const RenderTarget& target);

void ClearTarget(const RenderTarget& target);
