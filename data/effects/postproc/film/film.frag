#version 330
// Old film: the colour is a blend of the picture (Color), its grey (Monochrome) and three
// tinted greys (BrownSepia, GreenSepia, BlueSepia); then contrast about mid grey, brightness,
// flickering grain and dark scanlines. time moves the grain.

uniform sampler2D Picture;
uniform float time;
uniform float Color;
uniform float Monochrome;
uniform float BrownSepia;
uniform float GreenSepia;
uniform float BlueSepia;
uniform float Contrast;
uniform float Brightness;
uniform float FilmgrainAmount;
uniform float ScanlineAmount;

in vec2 uv;
out vec4 FragColor;

// An integer hash: the same grain at the same pixel and frame on every driver.
float grain( uvec3 v )
{
	v = v * 1664525u + 1013904223u;
	v.x += v.y * v.z; v.y += v.z * v.x; v.z += v.x * v.y;
	v ^= v >> 16u;
	v.x += v.y * v.z; v.y += v.z * v.x; v.z += v.x * v.y;
	return float( v.x & 0xffffu ) / 65535.0;
}

void main()
{
	vec4 picture = texture( Picture, uv );
	float grey = dot( picture.rgb, vec3( 0.299, 0.587, 0.114 ) );

	vec3 colour = picture.rgb * Color
		+ vec3( grey ) * Monochrome
		+ grey * vec3( 1.12, 0.94, 0.72 ) * BrownSepia
		+ grey * vec3( 0.86, 1.08, 0.78 ) * GreenSepia
		+ grey * vec3( 0.76, 0.92, 1.16 ) * BlueSepia;

	colour = ( colour - 0.5 ) * Contrast + 0.5 + Brightness;

	uint frame = uint( mod( time * 24.0, 65536.0 ) );
	float noise = grain( uvec3( uvec2( gl_FragCoord.xy ), frame ) ) - 0.5;
	colour += noise * FilmgrainAmount;

	// About 360 scanlines whatever the resolution, never thinner than two pixels.
	float period = max( 2.0, float( textureSize( Picture, 0 ).y ) / 360.0 );
	float lines = 0.5 + 0.5 * cos( 6.2831853 * gl_FragCoord.y / period );
	colour *= 1.0 - ScanlineAmount * lines;

	FragColor = vec4( colour, picture.a );
}
