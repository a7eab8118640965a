#version 420
// Depth of field: each pixel is blurred by how far its eye distance lies outside the focus band
// [focus_point - focus_range, focus_point + focus_range], reaching full blur another
// focus_falloff beyond it. Distances come from the depth buffer of the perspective projection
// with planes zNear and zFar.

uniform sampler2D tex_sharp;
uniform sampler2D tex_depth;
uniform float focus_point;
uniform float focus_range;
uniform float focus_falloff;
uniform float zNear;
uniform float zFar;

in vec2 uv;
out vec4 FragColor;

const float MAX_RADIUS_PIXELS = 6.0;
const int TAPS = 12;
const vec2 DISC[TAPS] = vec2[](
    vec2(-0.326212, -0.405805), vec2(-0.840144, -0.073580), vec2(-0.695914, 0.457137),
    vec2(-0.203345, 0.620716), vec2(0.962340, -0.194983), vec2(0.473434, -0.480026),
    vec2(0.519456, 0.767022), vec2(0.185461, -0.893124), vec2(0.507431, 0.064425),
    vec2(0.896420, 0.412458), vec2(-0.321940, -0.932615), vec2(-0.791559, -0.597705));

float eyeDistance(float depth)
{
    float ndc = depth * 2.0 - 1.0;
    float denominator = zFar + zNear - ndc * (zFar - zNear);
    return denominator > 0.0 ? 2.0 * zNear * zFar / denominator : zFar;
}

float blurAmount(float distance)
{
    float outside = abs(distance - focus_point) - focus_range;
    if (outside <= 0.0) return 0.0;
    return focus_falloff > 0.0 ? clamp(outside / focus_falloff, 0.0, 1.0) : 1.0;
}

// The sharp picture is display-encoded: taps are averaged as linear light and the mean encoded
// again, so a bright spot spreads as light does instead of darkening.
const float GAMMA = 2.2;

vec4 linearTap(vec2 at)
{
    vec4 texel = texture(tex_sharp, at);
    return vec4(pow(texel.rgb, vec3(GAMMA)), texel.a);
}

void main()
{
    vec4 sharp = texture(tex_sharp, uv);
    float blur = blurAmount(eyeDistance(texture(tex_depth, uv).r));
    if (blur <= 0.0) {
        FragColor = sharp;
        return;
    }
    vec2 radius = blur * MAX_RADIUS_PIXELS / vec2(textureSize(tex_sharp, 0));
    vec4 sum = linearTap(uv);
    for (int i = 0; i < TAPS; ++i) {
        sum += linearTap(uv + DISC[i] * radius);
    }
    sum /= float(TAPS + 1);
    FragColor = vec4(pow(sum.rgb, vec3(1.0 / GAMMA)), sum.a);
}
