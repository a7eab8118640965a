#version 330
// A worn video tape: lines wobble sideways, red and blue bleed apart, colour washes out and
// fine noise creeps in, all by Alpha; with BandOn a band of torn, bright lines rolls up the
// picture. iTime is the effect's own clock.

uniform sampler2D Picture;
uniform float Alpha;
uniform float iTime;
uniform float BandOn;

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
	float amount = clamp( Alpha, 0.0, 1.0 );
	float height = float( textureSize( Picture, 0 ).y );
	uint frame = uint( mod( floor( iTime * 30.0 ), 65536.0 ) );
	uint line = uint( uv.y * height );

	// Rolling band: a soft stripe that climbs the picture every few seconds.
	float band_y = fract( iTime * 0.23 );
	float band = smoothstep( 0.06, 0.0, abs( uv.y - band_y ) ) * clamp( BandOn, 0.0, 1.0 );

	float jitter = hash( uvec3( line, frame, 3u ) ) - 0.5;
	float wobble = sin( uv.y * 21.0 + iTime * 3.1 ) * 0.0025 + jitter * 0.002;
	float shift = wobble * amount + band * jitter * 0.06;

	float bleed = 0.004 * amount + 0.01 * band;
	vec2 p = vec2( uv.x + shift, uv.y );
	vec4 centre = texture( Picture, p );
	float r = texture( Picture, p + vec2( bleed, 0.0 ) ).r;
	float b = texture( Picture, p - vec2( bleed, 0.0 ) ).b;
	vec3 colour = vec3( r, centre.g, b );

	float grey = dot( colour, vec3( 0.299, 0.587, 0.114 ) );
	colour = mix( colour, vec3( grey ), 0.3 * amount );
	float noise = hash( uvec3( uvec2( gl_FragCoord.xy ), frame ) ) - 0.5;
	colour += noise * ( 0.08 * amount + 0.35 * band );
	colour += band * 0.15;

	FragColor = vec4( mix( centre.rgb, colour, max( amount, band ) ), centre.a );
}
