#version 420
// The unit square over the whole target, for the full-screen composites (depth of field, the
// linear-light resolve); the texture coordinate addresses the picture and its depth.

uniform mat4 ProjectionMatrix;

layout(location = VertexAttribPosition) in vec2 Position;
layout(location = VertexAttribTexCoord1) in vec2 TexCoord;

out vec2 uv;

void main()
{
    uv = TexCoord;
    gl_Position = ProjectionMatrix * vec4(Position, 0.0, 1.0);
}
