#version 330
// A round blur of radius Iterations times Scale (in picture heights): the centre tap plus four
// taps per iteration laid on a golden-angle spiral that runs from the centre out to the rim,
// weighted by a Gaussian over the radius. Each tap is read with linear filtering, so it already
// averages its neighbouring texels; half the taps of rings of eight give the same soft disc
// without the rings' ghost copies. At most 16 iterations, whatever the track asks.

uniform sampler2D Picture;
uniform float Scale;
uniform float Iterations;

in vec2 uv;
out vec4 FragColor;

const int MaxRings = 16;
const int TapsPerRing = 4;
// A turn by the golden angle (2.39996 radians): successive taps never line up.
const mat2 Golden = mat2( -0.7373688, 0.6754903, -0.6754903, -0.7373688 );

void main()
{
	int rings = int( clamp( Iterations, 0.0, float( MaxRings ) ) );
	int taps = rings * TapsPerRing;
	vec2 size = vec2( textureSize( Picture, 0 ) );
	vec2 reach = vec2( size.y / size.x, 1.0 ) * Scale * float( rings );
	float spread = float( rings ) / float( rings + 1 );

	vec4 sum = texture( Picture, uv );
	float total = 1.0;
	vec2 direction = vec2( 1.0, 0.0 );
	for ( int tap = 1; tap <= MaxRings * TapsPerRing; tap++ )
	{
		if ( tap > taps ) break;
		float f = float( tap ) / float( taps );
		float weight = exp( -2.0 * f * f * spread * spread );
		direction = Golden * direction;
		sum += texture( Picture, uv + direction * reach * f ) * weight;
		total += weight;
	}
	FragColor = sum / total;
}
