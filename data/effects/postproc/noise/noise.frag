#version 330
// Television static over the picture: grey noise in small horizontal grains, a new pattern
// for every step of Time, blended in by Alpha.

uniform sampler2D Picture;
uniform float Alpha;
uniform float Time;

in vec2 uv;
out vec4 FragColor;

float hash( uvec3 v )
{
	v = v * 1664525u + 1013904223u;
	v.x += v.y * v.z; v.y += v.z * v.x; v.z += v.x * v.y;
	v ^= v >> 16u;
	v.x += v.y * v.z; v.y += v.z * v.x; v.z += v.x * v.y;
	return float( v.x & 0xffffu ) / 65535.0;
}

void main()
{
	vec4 picture = texture( Picture, uv );
	uint frame = uint( mod( floor( Time * 30.0 ), 65536.0 ) );
	uvec2 grain = uvec2( gl_FragCoord.xy ) / uvec2( 2u, 1u );
	float noise = hash( uvec3( grain, frame ) );
	float line = hash( uvec3( 7u, uint( gl_FragCoord.y ), frame ) );
	float value = mix( noise, line, 0.25 );
	FragColor = vec4( mix( picture.rgb, vec3( value ), clamp( Alpha, 0.0, 1.0 ) ), picture.a );
}
