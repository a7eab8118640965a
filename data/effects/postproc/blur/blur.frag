#version 330
// A round blur: Iterations rings of eight taps around each pixel, ring k at k times Scale (in
// picture heights), each ring turned against the last so the taps do not line up. Taps are
// weighted by a Gaussian over the radius. At most 16 rings, whatever the track asks.

uniform sampler2D Picture;
uniform float Scale;
uniform float Iterations;

in vec2 uv;
out vec4 FragColor;

const int MaxRings = 16;
const int TapsPerRing = 8;

void main()
{
	int rings = int( clamp( Iterations, 0.0, float( MaxRings ) ) );
	vec2 size = vec2( textureSize( Picture, 0 ) );
	vec2 aspect = vec2( size.y / size.x, 1.0 );

	vec4 sum = texture( Picture, uv );
	float total = 1.0;
	for ( int ring = 1; ring <= MaxRings; ring++ )
	{
		if ( ring > rings ) break;
		float radius = Scale * float( ring );
		float spread = float( ring ) / float( rings + 1 );
		float weight = exp( -2.0 * spread * spread );
		for ( int tap = 0; tap < TapsPerRing; tap++ )
		{
			float angle = 6.2831853 * ( float( tap ) + 0.37 * float( ring ) ) / float( TapsPerRing );
			vec2 offset = vec2( cos( angle ), sin( angle ) ) * radius * aspect;
			sum += texture( Picture, uv + offset ) * weight;
			total += weight;
		}
	}
	FragColor = sum / total;
}
