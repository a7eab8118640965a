#version 330
// Zoom blur: each pixel averages the picture along the line from itself towards the centre
// (RadialBlurParams.xy, texture coordinates), out to Step of the way (1 is no blur, smaller
// values give longer streaks). Strength mixes the streaks over the picture; above 1 they add
// light on top.
//
// The taps are spread about three texels apart along each pixel's own streak (linear filtering
// fills between them), so short streaks near the centre take few taps and only the long ones
// towards the edges take the full 16.

uniform sampler2D Picture;
uniform vec4 RadialBlurParams;

in vec2 uv;
out vec4 FragColor;

const int MaxSamples = 16;
const float TexelsPerSample = 3.0;

void main()
{
	vec2 centre = RadialBlurParams.xy;
	float step_scale = RadialBlurParams.z;
	float strength = RadialBlurParams.w;

	vec2 streak = ( uv - centre ) * ( 1.0 - step_scale );
	float texels = length( streak * vec2( textureSize( Picture, 0 ) ) );
	int samples = int( clamp( ceil( texels / TexelsPerSample ) + 1.0, 2.0, float( MaxSamples ) ) );
	float last = float( samples - 1 );

	vec4 original = texture( Picture, uv );
	vec4 sum = original;
	float total = 1.0;
	// The count is clamped above, so the loop is bounded; its end is not a constant, which
	// keeps compilers from unrolling it into MaxSamples masked taps for every pixel.
	for ( int i = 1; i < samples; i++ )
	{
		float t = float( i ) / last;
		float weight = 1.0 - 0.6 * t;
		sum += texture( Picture, uv - streak * t ) * weight;
		total += weight;
	}
	vec4 streaks = sum / total;
	FragColor = mix( original, streaks, clamp( strength, 0.0, 1.0 ) )
		+ streaks * max( strength - 1.0, 0.0 );
}
