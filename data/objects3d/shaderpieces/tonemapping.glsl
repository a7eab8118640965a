//! Colour space helpers of the fragment stage: sRGB texels to linear light, and the exposure and
//! display encoding of the final colour. A pass that draws into the linear-light frame (whose
//! passes add up before one display encoding at its end) writes exposed linear light instead.

uniform float u_Exposure;
uniform bool u_LinearTarget;

const float GAMMA = 2.2;
const float INV_GAMMA = 1.0 / GAMMA;

vec3 linearTosRGB(vec3 color)
{
    return pow(max(color, vec3(0.0)), vec3(INV_GAMMA));
}

vec3 sRGBToLinear(vec3 srgb_in)
{
    return pow(max(srgb_in, vec3(0.0)), vec3(GAMMA));
}

vec4 sRGBToLinear(vec4 srgb_in)
{
    return vec4(sRGBToLinear(srgb_in.xyz), srgb_in.w);
}

// ACES filmic fit (Narkowicz): keeps highlights from clipping hard.
vec3 toneMapACES(vec3 color)
{
    const float A = 2.51;
    const float B = 0.03;
    const float C = 2.43;
    const float D = 0.59;
    const float E = 0.14;
    return clamp((color * (A * color + B)) / (color * (C * color + D) + E), 0.0, 1.0);
}

// Linear light as the target takes it: as it is (not clamped, so that sums stay true) for the
// linear-light frame, else clamped and display-encoded. The shadowed passes draw into the
// linear-light frame only, so their programs leave the encoding out: llvmpipe computes both sides
// of a branch, even one on a uniform.
vec3 encodeOutput(vec3 color)
{
#if defined(DRAW_MODE_AMBIENT) || defined(DRAW_MODE_LIGHTING)
    return max(color, vec3(0.0));
#else
    if (u_LinearTarget) return max(color, vec3(0.0));
    return linearTosRGB(clamp(color, 0.0, 1.0));
#endif
}

vec3 toneMap(vec3 color)
{
    color *= u_Exposure;
#ifdef USE_HDR
    color = toneMapACES(color);
#endif
    return encodeOutput(color);
}
