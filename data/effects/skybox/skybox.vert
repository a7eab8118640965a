#version 330 compatibility
// The sky box cube drawn in immediate mode: the position goes through the fixed-function
// matrices, and the 3-component texture coordinate is the direction looked up in the cube map.

out vec3 direction;

void main()
{
	direction = gl_MultiTexCoord0.xyz;
	gl_Position = gl_ModelViewProjectionMatrix * gl_Vertex;
}
