#version 330
// The unit square drawn over the whole target; the texture coordinate addresses the source
// picture on texture unit 0.

uniform mat4 ProjectionMatrix;

layout (location = VertexAttribPosition) in vec2 Position;
layout (location = VertexAttribTexCoord1) in vec2 TexCoord;

out vec2 uv;

void main()
{
	uv = TexCoord;
	gl_Position = ProjectionMatrix * vec4( Position, 0.0, 1.0 );
}
