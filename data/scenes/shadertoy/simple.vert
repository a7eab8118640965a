#version 330
// A full-screen quad for fragment-shader pictures: the corners arrive in -1..1 and are brought
// to the unit square that ProjectionMatrix (orthographic 0..1) maps back onto the screen. The
// fragment shaders work from gl_FragCoord and their resolution uniform.

uniform mat4 ProjectionMatrix;

layout (location = VertexAttribPosition) in vec2 Position;
layout (location = VertexAttribTexCoord1) in vec2 TexCoord;

out vec2 uv;

void main()
{
	uv = TexCoord;
	gl_Position = ProjectionMatrix * vec4( Position * 0.5 + 0.5, 0.0, 1.0 );
}
