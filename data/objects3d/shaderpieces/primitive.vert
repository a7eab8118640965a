//! Vertex stage of every 3D primitive. Matrices arrive as model-view matrices (the pass's root
//! matrix multiplied down the node tree), so positions, normals and tangents leave this stage in
//! eye space, where all lighting happens; u_ViewProjectionMatrix holds the projection alone.

layout(location = VertexAttribPosition) in vec3 a_Position;
layout(location = VertexAttribTexCoord1) in vec2 a_UV1;

#ifdef HAS_NORMALS
layout(location = VertexAttribNormal) in vec3 a_Normal;
#endif
#ifdef HAS_TANGENTS
// w is the handedness of the bitangent; three-component tangents read w as 1.
layout(location = VertexAttribTangent) in vec4 a_Tangent;
#endif
#ifdef HAS_VERTEX_COLOR_VEC3
layout(location = VertexAttribColor) in vec3 a_Color;
#endif
#ifdef HAS_VERTEX_COLOR_VEC4
layout(location = VertexAttribColor) in vec4 a_Color;
#endif
#ifdef DRAW_INSTANCED
layout(location = VertexAttribMatrix) in mat4 a_InstanceMatrix;
#else
uniform mat4 u_ModelMatrix;
#endif
#ifdef HAS_INSTANCED_BASE_COLOR
layout(location = VertexAttribInstancedBaseColor) in vec4 a_InstanceBaseColor;
flat out vec4 v_InstanceBaseColor;
#endif
#ifdef HAS_INSTANCED_EMISSION_COLOR
layout(location = VertexAttribInstancedEmissionColor) in vec3 a_InstanceEmissionColor;
flat out vec3 v_InstanceEmissionColor;
#endif

uniform mat4 u_ViewProjectionMatrix;

// The ambient and the additive lighting passes draw the same surfaces with different variants;
// their depths must match exactly for the depth test GL_LEQUAL to let the second pass through.
invariant gl_Position;

out vec3 v_Position;
out vec2 v_UVCoord1;
// -1 where the model matrix mirrors (and so reverses the triangles' winding), else 1.
flat out float v_Mirror;
#ifdef HAS_NORMALS
out vec3 v_Normal;
#endif
#if defined(HAS_NORMALS) && defined(HAS_TANGENTS)
out vec3 v_Tangent;
out vec3 v_Bitangent;
#endif
#if defined(HAS_VERTEX_COLOR_VEC3) || defined(HAS_VERTEX_COLOR_VEC4)
out vec4 v_Color;
#endif

mat4 getModelMatrix()
{
#ifdef DRAW_INSTANCED
    return a_InstanceMatrix;
#else
    return u_ModelMatrix;
#endif
}

// The matrix that carries normals: the cofactor matrix of the upper 3x3, which equals the
// inverse transpose times the determinant. It needs no division, so a zero scale gives zero
// normals (made safe when normalised) instead of infinities, and it is exact per instance.
mat3 getNormalMatrix(mat4 model)
{
    vec3 c0 = model[0].xyz;
    vec3 c1 = model[1].xyz;
    vec3 c2 = model[2].xyz;
    return mat3(cross(c1, c2), cross(c2, c0), cross(c0, c1));
}

vec3 safeNormalizeVertex(vec3 v)
{
    float len = length(v);
    return len > 1e-20 ? v / len : vec3(0.0);
}

void main()
{
    mat4 model = getModelMatrix();
    vec3 position = a_Position;
#ifdef USE_MORPHING
    position += getTargetPosition();
#endif
    vec4 eye_position = model * vec4(position, 1.0);
    v_Position = eye_position.xyz / (eye_position.w != 0.0 ? eye_position.w : 1.0);
    gl_Position = u_ViewProjectionMatrix * eye_position;
    v_UVCoord1 = a_UV1;

    v_Mirror = determinant(mat3(model)) < 0.0 ? -1.0 : 1.0;
#ifdef HAS_NORMALS
    // The cofactor matrix turns normals inwards under a mirroring matrix; v_Mirror turns them
    // back out.
    mat3 normal_matrix = getNormalMatrix(model);
    vec3 normal = a_Normal;
#ifdef USE_MORPHING
    normal += getTargetNormal();
#endif
    v_Normal = safeNormalizeVertex(normal_matrix * normal) * v_Mirror;
#ifdef HAS_TANGENTS
    vec3 tangent = a_Tangent.xyz;
#ifdef USE_MORPHING
    tangent += getTargetTangent();
#endif
    // glTF's bitangent is cross(normal, tangent) times w, taken before the model matrix, so
    // that it follows the texture through a mirroring matrix as the tangent does.
    float handedness = a_Tangent.w < 0.0 ? -1.0 : 1.0;
    v_Tangent = safeNormalizeVertex(mat3(model) * tangent);
    v_Bitangent = safeNormalizeVertex(mat3(model) * cross(normal, tangent)) * handedness;
#endif
#endif

#ifdef HAS_VERTEX_COLOR_VEC3
    v_Color = vec4(a_Color, 1.0);
#endif
#ifdef HAS_VERTEX_COLOR_VEC4
    v_Color = a_Color;
#endif
#ifdef HAS_INSTANCED_BASE_COLOR
    v_InstanceBaseColor = a_InstanceBaseColor;
#endif
#ifdef HAS_INSTANCED_EMISSION_COLOR
    v_InstanceEmissionColor = a_InstanceEmissionColor;
#endif
}
