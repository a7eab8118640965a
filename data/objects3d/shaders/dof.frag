#version 330 core
// Depth of field: the sharp picture is blurred by how far each pixel's eye depth lies from the
// focus point: sharp within focus_range of it, fully blurred focus_falloff further out.

uniform sampler2D tex_sharp;
uniform sampler2D tex_depth;
uniform float focus_point;
uniform float focus_range;
uniform float focus_falloff;
uniform float zNear;
uniform float zFar;

in vec2 uv;
out vec4 color;

float EyeDepth(vec2 at)
{
	float ndc = texture(tex_depth, at).r * 2.0 - 1.0;
	return 2.0 * zNear * zFar / (zFar + zNear - ndc * (zFar - zNear));
}

void main()
{
	float distance_from_focus = max(abs(EyeDepth(uv) - focus_point) - focus_range, 0.0);
	float blur = clamp(distance_from_focus / max(focus_falloff, 1e-5), 0.0, 1.0);
	vec2 texel = 1.0 / vec2(textureSize(tex_sharp, 0));
	vec4 sum = vec4(0.0);
	// A 5 x 5 box whose spread grows with the blur.
	for (int y = -2; y <= 2; ++y) {
		for (int x = -2; x <= 2; ++x) {
			sum += texture(tex_sharp, uv + vec2(x, y) * texel * blur * 2.0);
		}
	}
	color = sum / 25.0;
}
