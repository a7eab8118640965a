#version 330
//! The text-mode picture: a quad over the unit square, texture coordinates 0..1 across it.
uniform mat4 ProjectionMatrix;
layout (location = VertexAttribPosition) in vec2 Position;
layout (location = VertexAttribTexCoord1) in vec2 TexCoord;
out vec2 TexCoordFrag;

void main()
{
	TexCoordFrag = TexCoord;
	gl_Position = ProjectionMatrix * vec4( Position, 0.0, 1.0 );
}
