#version 330
// Fades the picture towards white (color.x 1) or black (color.x 0) by color.y.

uniform sampler2D Picture;
uniform vec2 color;

in vec2 uv;
out vec4 FragColor;

void main()
{
	vec4 picture = texture( Picture, uv );
	float amount = clamp( color.y, 0.0, 1.0 );
	vec3 target = vec3( clamp( color.x, 0.0, 1.0 ) );
	FragColor = vec4( mix( picture.rgb, target, amount ), mix( picture.a, 1.0, amount ) );
}
