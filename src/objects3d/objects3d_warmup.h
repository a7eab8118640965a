#pragma once
// Shader variants built while loading. A variant is otherwise compiled at the first draw that
// needs it, and the software rasteriser compiles each program again for every new combination
// of pass state (blending, depth test, target format) at its first draw: a show whose depth of
// field or glow first switches on halfway would stall for that frame. The warm-up draws every
// primitive of the scene once in every pass it can take part in, with one instance and with
// several, into a small target of the composition's sample count, then puts the scene back as
// it found it. The GL state is the caller's (blending, the depth test, multisampled rasterising,
// seamless cube maps), and so are the textures the materials show (their filtering and wrapping
// count): a variant is built for the state and the textures it is drawn with, so the caller sets
// the state its frames draw the scene in and shows what they show (warming once per state or
// texture when they meet several).

#include <cstdint>

#include "objects3d/objects3d.h"

void WarmUpShaderVariants(Objects3D& scene, int32_t samples);

// The warm-up of the primitives at and under `node` alone, each drawn once in every pass: for a
// part the show changes (a texture swapped in, say) after the whole scene was warmed, without
// building the whole scene's instanced variants again.
void WarmUpNodeShaderVariants(Objects3D& scene, const Node& node, int32_t samples);
