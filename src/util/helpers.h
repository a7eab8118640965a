#pragma once
// Small colour, text and vector helpers used by the scenes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <glm/glm.hpp>

// The longest of the matrix's x, y and z axes: how much it scales a sphere's radius (for
// matrices without shear).
float LargestAxisScale(const glm::mat4& m);

// (hue, saturation, lightness), each in 0..1, to (red, green, blue).
glm::vec3 HSLToRGB(const glm::vec3& hsl);

// A copy with A-Z lower-cased; every other byte stays.
std::string ToLower(const std::string& text);

// Replaces v[i..i+2] by the x, y, z of M x (v[i], v[i+1], v[i+2], 1), with no division by w.
// Throws std::runtime_error when v holds fewer than i + 3 floats.
void transform_vec3(const glm::mat4& M, std::vector<float>& v, size_t i);

// The value truncated toward zero and held within [low, high]; NaN gives low. For counts and
// sizes read from sync tracks, where a wild key must not turn into a huge loop or allocation.
int32_t ClampedInt(float value, int32_t low, int32_t high);
