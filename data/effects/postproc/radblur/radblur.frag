#version 330
// Zoom blur: each pixel averages the picture along the line from itself towards the centre
// (RadialBlurParams.xy, texture coordinates), out to Step of the way (1 is no blur, smaller
// values give longer streaks). Strength mixes the streaks over the picture; above 1 they add
// light on top.

uniform sampler2D Picture;
uniform vec4 RadialBlurParams;

in vec2 uv;
out vec4 FragColor;

const int Samples = 24;

void main()
{
	vec2 centre = RadialBlurParams.xy;
	float step_scale = RadialBlurParams.z;
	float strength = RadialBlurParams.w;

	vec4 original = texture( Picture, uv );
	vec4 sum = vec4( 0.0 );
	float total = 0.0;
	for ( int i = 0; i < Samples; i++ )
	{
		float t = float( i ) / float( Samples - 1 );
		float scale = mix( 1.0, step_scale, t );
		float weight = 1.0 - 0.6 * t;
		sum += texture( Picture, centre + ( uv - centre ) * scale ) * weight;
		total += weight;
	}
	vec4 streaks = sum / total;
	FragColor = mix( original, streaks, clamp( strength, 0.0, 1.0 ) )
		+ streaks * max( strength - 1.0, 0.0 );
}
