#version 330
// Pixelation with an ordered dither: the picture is cut into blocks.x by blocks.y cells, each
// cell takes the colour at its centre, and the colours are reduced to a few levels through a
// 4 x 4 Bayer matrix laid on the cell grid. The coarser the cells, the fewer the levels, so
// large blocks look like an old low-colour screen while one cell per pixel stays close to the
// original.

uniform sampler2D Picture;
uniform vec2 blocks;

in vec2 uv;
out vec4 FragColor;

const float bayer[16] = float[16](
	 0.0,  8.0,  2.0, 10.0,
	12.0,  4.0, 14.0,  6.0,
	 3.0, 11.0,  1.0,  9.0,
	15.0,  7.0, 13.0,  5.0 );

void main()
{
	vec2 cells = clamp( blocks, vec2( 1.0 ), vec2( 16384.0 ) );
	vec2 cell = floor( clamp( uv, 0.0, 0.99999 ) * cells );
	vec4 colour = texture( Picture, ( cell + 0.5 ) / cells );

	vec2 pixels_per_cell = vec2( textureSize( Picture, 0 ) ) / cells;
	float levels = clamp( 96.0 / max( pixels_per_cell.x, pixels_per_cell.y ), 4.0, 64.0 );

	ivec2 m = ivec2( mod( cell, 4.0 ) );
	float threshold = ( bayer[m.y * 4 + m.x] + 0.5 ) / 16.0 - 0.5;
	vec3 steps = floor( colour.rgb * ( levels - 1.0 ) + 0.5 + threshold ) / ( levels - 1.0 );
	FragColor = vec4( clamp( steps, 0.0, 1.0 ), colour.a );
}
