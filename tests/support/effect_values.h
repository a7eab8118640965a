#pragma once
// Looks up uniforms in the lists the effects and scenes upload.

#include <string>
#include <vector>

#include "effects/uniformvalue.h"

// The uniform of that name; fails the test (and returns an empty value) when it is missing.
UniformValue FindUniform(const std::vector<UniformValue>& uniforms, const std::string& name);

// The single float of a Float uniform, NaN when missing.
float FloatUniform(const std::vector<UniformValue>& uniforms, const std::string& name);
