#pragma once
// GL helpers of the effect tests: flat and split test pictures, drawing a picture through a
// bound program, and checking a program's active uniforms against what the code uploads.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "effects/uniformvalue.h"
#include "support/gl_fixture.h"
#include "util/shaderprogram/shaderprogram.h"
#include "util/texture/texture.h"

// A width x height RGBA texture of one colour, linear filtering, clamped.
std::unique_ptr<Texture> MakeFlatTexture(uint32_t width, uint32_t height,
                                         const std::array<uint8_t, 4>& rgba);

// A texture whose left half is `left` and right half `right`.
std::unique_ptr<Texture> MakeSplitTexture(uint32_t width, uint32_t height,
                                          const std::array<uint8_t, 4>& left,
                                          const std::array<uint8_t, 4>& right);

// Clears the target to the colour, binds the texture on unit 0 and draws the unit square with
// whatever program is bound.
void DrawPicture(const RenderTarget& target, const Texture& picture,
                 const std::array<float, 4>& clear = {0, 0, 0, 0});

// Every uniform of the list is active in the program with the GL type matching its kind and
// (for the bound program) reads back the uploaded values.
::testing::AssertionResult UniformsMatchProgram(ShaderProgram& program,
                                                const std::vector<UniformValue>& uniforms);

// The largest channel difference between the pixel and the expected colour over the target.
int LargestDifference(const RenderTarget& target, const std::array<uint8_t, 4>& expected);
