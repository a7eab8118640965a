//! Fragment stage of every 3D primitive, for each draw mode: plain lit (image-based light plus
//! every light), shadowed ambient (image-based light and emission), shadowed lighting (one light
//! times its shadow, added on top), the two at once (ambient defines with shadowed lights),
//! depth write (no colour) and glow (emission only).

in vec3 v_Position;
flat in float v_Mirror;
#ifdef HAS_NORMALS
in vec3 v_Normal;
#endif
#if defined(HAS_NORMALS) && defined(HAS_TANGENTS)
in vec3 v_Tangent;
in vec3 v_Bitangent;
#endif
#if defined(HAS_VERTEX_COLOR_VEC3) || defined(HAS_VERTEX_COLOR_VEC4)
in vec4 v_Color;
#endif
#ifdef HAS_INSTANCED_BASE_COLOR
flat in vec4 v_InstanceBaseColor;
#else
uniform vec4 u_BaseColorFactor;
#endif
#ifdef HAS_INSTANCED_EMISSION_COLOR
flat in vec3 v_InstanceEmissionColor;
#else
uniform vec3 u_EmissiveFactor;
#endif
#ifdef MATERIAL_METALLICROUGHNESS
uniform float u_MetallicFactor;
uniform float u_RoughnessFactor;
#endif
#ifdef ALPHAMODE_MASK
uniform float u_AlphaCutoff;
#endif
#ifdef USE_IBL
// Turns eye-space vectors back to world space for the environment cube maps.
uniform mat3 u_EyeToWorld;
#endif

layout(location = 0) out vec4 g_FinalColor;

vec4 getBaseColor()
{
#ifdef HAS_INSTANCED_BASE_COLOR
    vec4 base = v_InstanceBaseColor;
#else
    vec4 base = u_BaseColorFactor;
#endif
    base *= getBaseColorTexel();
#if defined(HAS_VERTEX_COLOR_VEC3) || defined(HAS_VERTEX_COLOR_VEC4)
    base *= v_Color;
#endif
    return base;
}

vec3 getEmission()
{
#ifdef HAS_INSTANCED_EMISSION_COLOR
    vec3 emission = v_InstanceEmissionColor;
#else
    vec3 emission = u_EmissiveFactor;
#endif
#ifdef HAS_EMISSIVE_MAP
    emission *= getEmissiveTexel();
#endif
    return emission;
}

#ifdef HAS_NORMAL_MAP
// Tangent and bitangent of a primitive without tangents, from the screen-space gradients of the
// position and the texture coordinates: the tangent runs along growing u; the bitangent is
// cross(ng, t) turned, like a tangent's w, to run against growing v (the direction of the normal
// texture's +y in glTF), so that mirrored texture coordinates are honoured.
mat2x3 derivedTangents(vec3 ng)
{
    vec3 dp_dx = dFdx(v_Position);
    vec3 dp_dy = dFdy(v_Position);
    vec2 uv_dx = dFdx(getUV());
    vec2 uv_dy = dFdy(getUV());
    // Only the directions matter, so the sign of the determinant stands in for dividing by it.
    float det_sign = sign(uv_dx.s * uv_dy.t - uv_dy.s * uv_dx.t);
    vec3 dp_du = (uv_dy.t * dp_dx - uv_dx.t * dp_dy) * det_sign;
    vec3 dp_dv = (uv_dx.s * dp_dy - uv_dy.s * dp_dx) * det_sign;
    vec3 t = safeNormalize(dp_du - ng * dot(ng, dp_du));
    vec3 b = cross(ng, t);
    return mat2x3(t, dot(b, dp_dv) > 0.0 ? -b : b);
}
#endif

// The shading normal. It is worked out for the side the surface's normals point to and turned
// round, tangents and all, where the viewer sees the other side: the back of a sheet sees its
// bumps as dents.
vec3 getNormal()
{
    // Back-facing by winding, unless a mirroring model matrix has reversed the winding.
    bool sees_front = gl_FrontFacing == (v_Mirror > 0.0);
#ifdef HAS_NORMALS
    vec3 ng = safeNormalize(v_Normal);
#else
    // The flat normal, which always faces the viewer.
    vec3 ng = safeNormalize(cross(dFdx(v_Position), dFdy(v_Position)));
    if (!sees_front) ng = -ng;
#endif
    vec3 n = ng;
#ifdef HAS_NORMAL_MAP
#if defined(HAS_NORMALS) && defined(HAS_TANGENTS)
    mat2x3 tb = mat2x3(safeNormalize(v_Tangent), safeNormalize(v_Bitangent));
#else
    mat2x3 tb = derivedTangents(ng);
#endif
    vec3 tn = texture(u_NormalSampler, getUV()).rgb * 2.0 - 1.0;
    tn.xy *= u_NormalScale;
    n = safeNormalize(mat3(tb[0], tb[1], ng) * tn);
    if (dot(n, n) == 0.0) n = ng;
#endif
    return sees_front ? n : -n;
}

#ifdef MATERIAL_METALLICROUGHNESS
MaterialInfo getMaterialInfo(vec4 base)
{
    vec2 mr = getMetallicRoughnessTexel();
    float metallic = clamp(u_MetallicFactor * mr.x, 0.0, 1.0);
    float roughness = clamp(u_RoughnessFactor * mr.y, 0.04, 1.0);
    MaterialInfo m;
    m.f0 = mix(vec3(0.04), base.rgb, metallic);
    m.f90 = vec3(1.0);
    m.diffuseColor = base.rgb * (1.0 - metallic);
    m.perceptualRoughness = roughness;
    m.alphaRoughness = roughness * roughness;
    return m;
}
#endif

#ifdef USE_IBL
vec3 iblShading(MaterialInfo m, vec3 n, vec3 v)
{
    float NdotV = clamp(dot(n, v), 0.0, 1.0);
    vec3 n_world = u_EyeToWorld * n;
    vec3 r_world = u_EyeToWorld * reflect(-v, n);
    vec2 brdf = texture(u_brdfLUT, vec2(NdotV, m.perceptualRoughness)).rg;
    vec3 diffuse_light = texture(u_DiffuseEnvSampler, n_world).rgb;
    // The prefiltered environment holds linear light, level m of the n filtered for roughness
    // m / (n - 1).
#ifdef USE_TEX_LOD
    float lod = m.perceptualRoughness * float(max(u_MipCount - 1, 0));
    vec3 specular_light = textureLod(u_SpecularEnvSampler, r_world, lod).rgb;
#else
    vec3 specular_light = texture(u_SpecularEnvSampler, r_world).rgb;
#endif
    vec3 diffuse = diffuse_light * m.diffuseColor;
    vec3 specular = specular_light * (m.f0 * brdf.x + brdf.y);
    return (diffuse + specular) * u_IBLColor.rgb * u_IBLColor.a;
}
#endif

float getAlpha(vec4 base)
{
#ifdef ALPHAMODE_OPAQUE
    return 1.0;
#else
    return base.a;
#endif
}

void main()
{
#if defined(DRAW_MODE_DEPTH_WRITE)
    // Depth only: the cube face has no colour attachment.
#elif defined(DRAW_MODE_GLOW)
    g_FinalColor = vec4(clamp(getEmission() * u_Exposure, 0.0, 1.0), 1.0);
#else
    vec4 base = getBaseColor();
#ifdef ALPHAMODE_MASK
    if (base.a < u_AlphaCutoff) discard;
#endif
    float alpha = getAlpha(base);
#ifdef MATERIAL_UNLIT
#ifdef DRAW_MODE_LIGHTING
    // Unlit surfaces take no light: the ambient pass has drawn them whole.
    g_FinalColor = vec4(0.0, 0.0, 0.0, alpha);
#else
    g_FinalColor = vec4(encodeOutput(clamp(base.rgb, 0.0, 1.0)), alpha);
#endif
#else
    vec3 n = getNormal();
    vec3 v = safeNormalize(-v_Position);
    MaterialInfo m = getMaterialInfo(base);
    vec3 color = vec3(0.0);
#if !defined(DRAW_MODE_LIGHTING)
#ifdef USE_IBL
    color += iblShading(m, n, v) * getOcclusion();
#endif
    color += getEmission();
#endif
#if defined(USE_PUNCTUAL) && LIGHT_COUNT > 0
    vec3 direct = vec3(0.0);
#ifdef CALC_SHADOW
    // Each shadow dims its own light only: the image-based light and the emission come from
    // everywhere and stay.
    // Written out light by light, so that each reads a cube map known when compiling: llvmpipe
    // samples every map of the array for an index it only learns while running.
    vec3 shadow_normal = shadowNormal(n);
#define ADD_SHADOWED_LIGHT(i) \
    direct += lightShading(u_Lights[i], m, n, v, v_Position) * \
              shadowFactor(i, v_Position, shadow_normal)
    ADD_SHADOWED_LIGHT(0);
#if LIGHT_COUNT > 1
    ADD_SHADOWED_LIGHT(1);
#endif
#if LIGHT_COUNT > 2
    ADD_SHADOWED_LIGHT(2);
#endif
#if LIGHT_COUNT > 3
    ADD_SHADOWED_LIGHT(3);
#endif
#if LIGHT_COUNT > 4
    ADD_SHADOWED_LIGHT(4);
#endif
#if LIGHT_COUNT > 5
    ADD_SHADOWED_LIGHT(5);
#endif
#if LIGHT_COUNT > 6
    ADD_SHADOWED_LIGHT(6);
#endif
#if LIGHT_COUNT > 7
    ADD_SHADOWED_LIGHT(7);
#endif
#else
    for (int i = 0; i < LIGHT_COUNT; ++i) {
        direct += lightShading(u_Lights[i], m, n, v, v_Position);
    }
#endif
    color += direct;
#endif
    g_FinalColor = vec4(toneMap(color), alpha);
#endif
#endif
}
