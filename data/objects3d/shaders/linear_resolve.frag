//! Ends a frame whose light was summed in linear space: the summed (already exposed) light is
//! clamped and display-encoded once, and the frame's depth goes with it so that later draws meet
//! the 3D picture. Pixels nothing was drawn into are left to the target. With a multisampled
//! frame every sample is resolved on its own, onto the same sample of the target.
//!
//! The frame holds its surfaces' colour with their coverage in alpha: premultiplied by it when
//! the passes blended, as drawn when they did not (u_Premultiplied 0). Light that covers nothing
//! (the blurred glow, light the caller adds) comes from a picture of its own, stretched over the
//! frame, within a rectangle of frame pixels. The surfaces' colour, with that light, is encoded
//! and laid on by their coverage, and the light alone is encoded and added where they leave the
//! target showing: a see-through surface looks as it does drawn straight onto the target, and
//! the light adds to the surfaces before the encoding.
//!
//! The program is made with MULTISAMPLED, READS_DEPTH and ADDS_LIGHT defined either as
//! constants, for one kind of frame (the compiler drops the other paths, which llvmpipe would
//! otherwise run too), or as the uniform tests below, for any frame.

uniform sampler2D u_Light;
uniform sampler2D u_Depth;
uniform sampler2DMS u_LightSamples;
uniform sampler2DMS u_DepthSamples;
// 0 for a single-sampled frame.
uniform int u_Samples;
// 0 where the target takes no depth: the frame's depth is then not read.
uniform int u_ReadDepth;
// 0 where the frame's colour is not premultiplied by its coverage.
uniform int u_Premultiplied;
uniform sampler2D u_Added;
// x0, y0, x1, y1 (x1 and y1 just past the rectangle); empty when nothing is added.
uniform ivec4 u_AddedArea;
// One over the frame's width and height.
uniform vec2 u_AddedScale;

out vec4 FragColor;

const float INV_GAMMA = 1.0 / 2.2;

vec3 encode(vec3 light)
{
    return pow(clamp(light, 0.0, 1.0), vec3(INV_GAMMA));
}

void main()
{
    ivec2 at = ivec2(gl_FragCoord.xy);
    vec4 light;
    float depth = gl_FragCoord.z;
    if (MULTISAMPLED) {
        light = texelFetch(u_LightSamples, at, gl_SampleID);
        if (READS_DEPTH) depth = texelFetch(u_DepthSamples, at, gl_SampleID).r;
    } else {
        light = texelFetch(u_Light, at, 0);
        if (READS_DEPTH) depth = texelFetch(u_Depth, at, 0).r;
    }
    vec3 added = vec3(0.0);
    if (ADDS_LIGHT && all(greaterThanEqual(at, u_AddedArea.xy)) && all(lessThan(at, u_AddedArea.zw))) {
        added = textureLod(u_Added, (vec2(at) + 0.5) * u_AddedScale, 0.0).rgb;
    }
    if (light == vec4(0.0) && added == vec3(0.0)) discard;
    float coverage = max(light.a, 0.0);
    vec3 surface = coverage > 0.0 && u_Premultiplied != 0 ? light.rgb / coverage : light.rgb;
    vec3 encoded = coverage * encode(surface + added) + max(1.0 - coverage, 0.0) * encode(added);
    FragColor = vec4(encoded, coverage);
    gl_FragDepth = depth;
}
