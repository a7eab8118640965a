#version 420
// Renders one face of a unit cube seen from its centre; the fragment stage gets the direction
// from the centre to the point on the cube.

layout (location = VertexAttribPosition) in vec3 Position;

uniform mat4 projection;
uniform mat4 view;

out vec3 Direction;

void main()
{
	Direction = Position;
	gl_Position = projection * view * vec4( Position, 1.0 );
}
