#version 330
// Radial blur from an origin: each pixel averages the texture along the line towards the
// origin (RadialBlurParams.xy, texture coordinates) out to RadialBlurParams.z of the way, in a
// fixed 32 taps. RadialBlurParams.w sets how slowly the taps fade along the streak (the larger,
// the longer the visible tail). The weights are normalised, so a flat texture comes out as
// itself, tinted by color.

uniform sampler2D Texture;
uniform vec4 RadialBlurParams;
uniform vec4 color;

in vec2 uv;
out vec4 FragColor;

const int Taps = 32;

void main()
{
	vec2 origin = RadialBlurParams.xy;
	float reach = 1.0 - RadialBlurParams.z;
	float tail = max( RadialBlurParams.w, 1.0 );

	vec4 sum = vec4( 0.0 );
	float total = 0.0;
	for ( int i = 0; i < Taps; i++ )
	{
		float t = float( i ) / float( Taps - 1 );
		float weight = exp( -t * 32.0 / tail );
		sum += texture( Texture, origin + ( uv - origin ) * ( 1.0 - reach * t ) ) * weight;
		total += weight;
	}
	FragColor = sum / total * color;
}
