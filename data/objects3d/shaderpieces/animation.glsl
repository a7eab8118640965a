//! Morph targets of the vertex stage. Target positions arrive as vertex attributes 12-15; target
//! normals and tangents come from one buffer texture read by vertex index, because the driver
//! offers only 16 attribute locations. Block 2i of the buffer holds target i's normal deltas and
//! block 2i + 1 its tangent deltas, u_MorphVertexCount texels each.

#if defined(USE_MORPHING) && WEIGHT_COUNT > 0
uniform float u_morphWeights[WEIGHT_COUNT];
#define MORPH_WEIGHT(i) ((i) < WEIGHT_COUNT ? u_morphWeights[(i) < WEIGHT_COUNT ? (i) : 0] : 0.0)
#else
#define MORPH_WEIGHT(i) 0.0
#endif

#ifdef HAS_TARGET_POSITION0
layout(location = VertexAttribTargetPosition0) in vec3 a_TargetPosition0;
#endif
#ifdef HAS_TARGET_POSITION1
layout(location = VertexAttribTargetPosition1) in vec3 a_TargetPosition1;
#endif
#ifdef HAS_TARGET_POSITION2
layout(location = VertexAttribTargetPosition2) in vec3 a_TargetPosition2;
#endif
#ifdef HAS_TARGET_POSITION3
layout(location = VertexAttribTargetPosition3) in vec3 a_TargetPosition3;
#endif

#if defined(HAS_TARGET_NORMAL0) || defined(HAS_TARGET_NORMAL1) || defined(HAS_TARGET_NORMAL2) || defined(HAS_TARGET_NORMAL3) || defined(HAS_TARGET_TANGENT0) || defined(HAS_TARGET_TANGENT1) || defined(HAS_TARGET_TANGENT2) || defined(HAS_TARGET_TANGENT3)
#define USE_MORPH_DELTA_BUFFER
uniform samplerBuffer u_MorphDeltas;
uniform int u_MorphVertexCount;

vec3 getMorphDelta(int block)
{
    return texelFetch(u_MorphDeltas, block * u_MorphVertexCount + gl_VertexID).xyz;
}
#endif

vec3 getTargetPosition()
{
    vec3 pos = vec3(0.0);
#ifdef HAS_TARGET_POSITION0
    pos += MORPH_WEIGHT(0) * a_TargetPosition0;
#endif
#ifdef HAS_TARGET_POSITION1
    pos += MORPH_WEIGHT(1) * a_TargetPosition1;
#endif
#ifdef HAS_TARGET_POSITION2
    pos += MORPH_WEIGHT(2) * a_TargetPosition2;
#endif
#ifdef HAS_TARGET_POSITION3
    pos += MORPH_WEIGHT(3) * a_TargetPosition3;
#endif
    return pos;
}

vec3 getTargetNormal()
{
    vec3 normal = vec3(0.0);
#ifdef HAS_TARGET_NORMAL0
    normal += MORPH_WEIGHT(0) * getMorphDelta(0);
#endif
#ifdef HAS_TARGET_NORMAL1
    normal += MORPH_WEIGHT(1) * getMorphDelta(2);
#endif
#ifdef HAS_TARGET_NORMAL2
    normal += MORPH_WEIGHT(2) * getMorphDelta(4);
#endif
#ifdef HAS_TARGET_NORMAL3
    normal += MORPH_WEIGHT(3) * getMorphDelta(6);
#endif
    return normal;
}

vec3 getTargetTangent()
{
    vec3 tangent = vec3(0.0);
#ifdef HAS_TARGET_TANGENT0
    tangent += MORPH_WEIGHT(0) * getMorphDelta(1);
#endif
#ifdef HAS_TARGET_TANGENT1
    tangent += MORPH_WEIGHT(1) * getMorphDelta(3);
#endif
#ifdef HAS_TARGET_TANGENT2
    tangent += MORPH_WEIGHT(2) * getMorphDelta(5);
#endif
#ifdef HAS_TARGET_TANGENT3
    tangent += MORPH_WEIGHT(3) * getMorphDelta(7);
#endif
    return tangent;
}
