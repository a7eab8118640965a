#version 330 compatibility
// The cube map bound on texture unit 0, sampled along the interpolated direction and tinted by
// Color.

uniform samplerCube CubeMap;
uniform vec3 Color;

in vec3 direction;
out vec4 FragColor;

void main()
{
	FragColor = vec4( texture( CubeMap, direction ).rgb * Color, 1.0 );
}
