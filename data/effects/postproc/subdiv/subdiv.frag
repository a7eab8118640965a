#version 330
// Tiles the picture N.x by N.y times, shifted by Off (in tiles), each tile turned by Rot
// radians about RotOff (in tile coordinates, 0.5 0.5 is its centre). Coordinates beyond the
// picture are mirrored back into it.

uniform sampler2D Picture;
uniform vec2 N;
uniform vec2 Off;
uniform float Rot;
uniform vec2 RotOff;

in vec2 uv;
out vec4 FragColor;

vec2 mirror( vec2 t )
{
	return 1.0 - abs( mod( t, 2.0 ) - 1.0 );
}

void main()
{
	vec2 size = vec2( textureSize( Picture, 0 ) );
	vec2 aspect = vec2( size.x / size.y, 1.0 );

	vec2 tile = fract( uv * N + Off );
	vec2 q = ( tile - RotOff ) * aspect;
	float c = cos( Rot );
	float s = sin( Rot );
	q = mat2( c, s, -s, c ) * q;

	FragColor = texture( Picture, mirror( q / aspect + RotOff ) );
}
