#version 330 core
// Full-screen pass of the depth-of-field composite: a unit quad through the orthographic
// projection of the unit square, texture coordinates from the quad.

layout(location = VertexAttribPosition) in vec3 position;
layout(location = VertexAttribTexCoord1) in vec2 texcoord;

uniform mat4 ProjectionMatrix;

out vec2 uv;

void main()
{
	uv = texcoord;
	gl_Position = ProjectionMatrix * vec4(position, 1.0);
}
