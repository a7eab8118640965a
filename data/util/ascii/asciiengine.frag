#version 330
//! Each 8 x 12 cell shows the chart glyph of its character in its foreground colour over its
//! background colour. The chart (stored bottom row first) is 80 x 10 cells: rows 0-3 from the
//! top hold the glyphs white on black, row 8 the 16 colours.
uniform sampler2D Texture;
uniform usampler2D u_AsciiFrame;
in vec2 TexCoordFrag;
out vec4 FragColor;

const ivec2 GridSize = ivec2( 80, 50 );
const ivec2 CellSize = ivec2( 8, 12 );
const int ChartRows = 10;

// The chart pixel at (x, y) inside the chart cell of the given column and row from the top.
vec3 chartPixel( int column, int row, ivec2 inCell )
{
	ivec2 texel = ivec2( column * CellSize.x + inCell.x, ( ChartRows - 1 - row ) * CellSize.y + inCell.y );
	return texelFetch( Texture, texel, 0 ).rgb;
}

vec3 paletteColor( uint colour )
{
	return chartPixel( int( colour & 15u ), 8, CellSize / 2 );
}

void main()
{
	vec2 gridPosition = TexCoordFrag * vec2( GridSize );
	ivec2 cell = clamp( ivec2( floor( gridPosition ) ), ivec2( 0 ), GridSize - 1 );
	ivec2 inCell = clamp( ivec2( fract( gridPosition ) * vec2( CellSize ) ), ivec2( 0 ), CellSize - 1 );
	uvec4 cellValue = texelFetch( u_AsciiFrame, cell, 0 );
	int code = int( cellValue.r );
	float glyph = chartPixel( code % 80, code / 80, inCell ).r;
	FragColor = vec4( mix( paletteColor( cellValue.b ), paletteColor( cellValue.g ), glyph ), 1.0 );
}
