#version 330
// Radial blur from an origin: each pixel averages the texture along the line towards the
// origin (RadialBlurParams.xy, texture coordinates) out to RadialBlurParams.z of the way.
// RadialBlurParams.w sets how slowly the taps fade along the streak (the larger, the longer the
// visible tail). The taps lie about two texels apart along each pixel's own streak (linear
// filtering fills between them), at most 32, so the short streaks near the origin cost little.
// The weights are normalised, so a flat texture comes out as itself, tinted by color.

uniform sampler2D Texture;
uniform vec4 RadialBlurParams;
uniform vec4 color;

in vec2 uv;
out vec4 FragColor;

const int MaxTaps = 32;
const float TexelsPerTap = 2.0;

void main()
{
	vec2 origin = RadialBlurParams.xy;
	vec2 streak = ( uv - origin ) * ( 1.0 - RadialBlurParams.z );
	float tail = max( RadialBlurParams.w, 1.0 );
	float texels = length( streak * vec2( textureSize( Texture, 0 ) ) );
	int taps = int( clamp( ceil( texels / TexelsPerTap ) + 1.0, 2.0, float( MaxTaps ) ) );
	float last = float( taps - 1 );

	vec4 sum = vec4( 0.0 );
	float total = 0.0;
	// The count is clamped above, so the loop is bounded; its end is not a constant, which
	// keeps compilers from unrolling it into MaxTaps masked taps for every pixel.
	for ( int i = 0; i < taps; i++ )
	{
		float t = float( i ) / last;
		float weight = exp( -t * 32.0 / tail );
		sum += texture( Texture, uv - streak * t ) * weight;
		total += weight;
	}
	FragColor = sum / total * color;
}
