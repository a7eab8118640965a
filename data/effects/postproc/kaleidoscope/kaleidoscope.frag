#version 330
// A kaleidoscope: the angle around the picture centre is folded into Divisions mirrored wedges
// (at least one), turned by Rotation radians. The radius is kept, so the middle of the picture
// stays sharp; coordinates beyond the picture are mirrored back into it.

uniform sampler2D Picture;
uniform float Rotation;
uniform float Divisions;

in vec2 uv;
out vec4 FragColor;

vec2 mirror( vec2 t )
{
	return 1.0 - abs( mod( t, 2.0 ) - 1.0 );
}

void main()
{
	vec2 size = vec2( textureSize( Picture, 0 ) );
	float aspect = size.x / size.y;
	vec2 p = ( uv - 0.5 ) * vec2( aspect, 1.0 );

	float wedge = 6.2831853 / clamp( Divisions, 1.0, 256.0 );
	float angle = mod( atan( p.y, p.x ) + Rotation, wedge );
	angle = min( angle, wedge - angle );
	vec2 folded = length( p ) * vec2( cos( angle ), sin( angle ) );

	FragColor = texture( Picture, mirror( folded / vec2( aspect, 1.0 ) + 0.5 ) );
}
