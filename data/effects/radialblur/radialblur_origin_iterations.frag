#version 330
// Radial blur from an origin with a chosen tap count: RadialBlurParams.w taps (1 to 256)
// along the line from each pixel towards the origin (RadialBlurParams.xy), out to
// RadialBlurParams.z of the way, fading along the streak. A streak shorter than the count in
// texels takes one tap per texel instead: with linear filtering more taps add nothing there.
// The weights are normalised, so a flat texture comes out as itself, tinted by color.

uniform sampler2D Texture;
uniform vec4 RadialBlurParams;
uniform vec4 color;

in vec2 uv;
out vec4 FragColor;

const int MaxTaps = 256;

void main()
{
	vec2 origin = RadialBlurParams.xy;
	vec2 streak = ( uv - origin ) * ( 1.0 - RadialBlurParams.z );
	float texels = length( streak * vec2( textureSize( Texture, 0 ) ) );
	float wanted = min( RadialBlurParams.w, ceil( texels ) + 1.0 );
	int taps = int( clamp( wanted, 1.0, float( MaxTaps ) ) );
	float last = float( max( taps - 1, 1 ) );

	vec4 sum = vec4( 0.0 );
	float total = 0.0;
	// The count is clamped above, so the loop is bounded; its end is not a constant, which
	// keeps compilers from unrolling it into MaxTaps masked taps for every pixel.
	for ( int i = 0; i < taps; i++ )
	{
		float t = float( i ) / last;
		float weight = 1.0 - 0.75 * t;
		sum += texture( Texture, uv - streak * t ) * weight;
		total += weight;
	}
	FragColor = sum / total * color;
}
