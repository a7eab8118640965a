//! Texture getters of the fragment stage. Colour textures (base colour, emissive) hold sRGB and
//! are turned to linear light; the others hold plain data. Only the first UV set exists.

in vec2 v_UVCoord1;

vec2 getUV()
{
    return v_UVCoord1;
}

#ifdef HAS_NORMAL_MAP
uniform sampler2D u_NormalSampler;
uniform float u_NormalScale;
#endif
#ifdef HAS_EMISSIVE_MAP
uniform sampler2D u_EmissiveSampler;
#endif
#ifdef HAS_OCCLUSION_MAP
uniform sampler2D u_OcclusionSampler;
uniform float u_OcclusionStrength;
#endif
#ifdef HAS_BASE_COLOR_MAP
uniform sampler2D u_BaseColorSampler;
#endif
#ifdef HAS_METALLIC_ROUGHNESS_MAP
uniform sampler2D u_MetallicRoughnessSampler;
#endif
#ifdef USE_IBL
uniform samplerCube u_DiffuseEnvSampler;
uniform samplerCube u_SpecularEnvSampler;
uniform sampler2D u_brdfLUT;
uniform vec4 u_IBLColor;
#endif
#ifdef USE_TEX_LOD
uniform int u_MipCount;
#endif

vec4 getBaseColorTexel()
{
#ifdef HAS_BASE_COLOR_MAP
    return sRGBToLinear(texture(u_BaseColorSampler, getUV()));
#else
    return vec4(1.0);
#endif
}

vec3 getEmissiveTexel()
{
#ifdef HAS_EMISSIVE_MAP
    return sRGBToLinear(texture(u_EmissiveSampler, getUV()).rgb);
#else
    return vec3(1.0);
#endif
}

// glTF packs roughness in green and metallic in blue.
vec2 getMetallicRoughnessTexel()
{
#ifdef HAS_METALLIC_ROUGHNESS_MAP
    vec4 mr = texture(u_MetallicRoughnessSampler, getUV());
    return vec2(mr.b, mr.g);
#else
    return vec2(1.0);
#endif
}

float getOcclusion()
{
#ifdef HAS_OCCLUSION_MAP
    float ao = texture(u_OcclusionSampler, getUV()).r;
    // A strength outside 0-1 (which glTF forbids) would take light away or add it.
    return mix(1.0, ao, clamp(u_OcclusionStrength, 0.0, 1.0));
#else
    return 1.0;
#endif
}
