//! BRDF and light functions of the fragment stage. Everything is in eye space: the camera sits at
//! the origin, light positions and directions arrive already transformed by the view.

const float M_PI = 3.141592653589793;

// Zero-length vectors (a light at the shaded point or at the camera, a zero direction) give a
// zero vector rather than NaN, so they add nothing instead of poisoning the pixel.
vec3 safeNormalize(vec3 v)
{
    float len = length(v);
    return len > 1e-20 ? v / len : vec3(0.0);
}

struct MaterialInfo
{
    vec3 diffuseColor;
    vec3 f0;
    vec3 f90;
    float alphaRoughness;
    float perceptualRoughness;
};

vec3 F_Schlick(vec3 f0, vec3 f90, float VdotH)
{
    return f0 + (f90 - f0) * pow(clamp(1.0 - VdotH, 0.0, 1.0), 5.0);
}

float V_GGX(float NdotL, float NdotV, float alphaRoughness)
{
    float a2 = alphaRoughness * alphaRoughness;
    float ggxv = NdotL * sqrt(NdotV * NdotV * (1.0 - a2) + a2);
    float ggxl = NdotV * sqrt(NdotL * NdotL * (1.0 - a2) + a2);
    float ggx = ggxv + ggxl;
    return ggx > 0.0 ? 0.5 / ggx : 0.0;
}

float D_GGX(float NdotH, float alphaRoughness)
{
    float a2 = alphaRoughness * alphaRoughness;
    float f = (NdotH * NdotH) * (a2 - 1.0) + 1.0;
    return a2 / max(M_PI * f * f, 1e-8);
}

// Light from one direction l (towards the light) seen along v (towards the camera).
vec3 surfaceShading(MaterialInfo m, vec3 n, vec3 v, vec3 l)
{
    vec3 h = safeNormalize(l + v);
    float NdotL = clamp(dot(n, l), 0.0, 1.0);
    float NdotV = clamp(dot(n, v), 0.0, 1.0);
    float NdotH = clamp(dot(n, h), 0.0, 1.0);
    float VdotH = clamp(dot(v, h), 0.0, 1.0);
    if (NdotL <= 0.0) return vec3(0.0);
    vec3 F = F_Schlick(m.f0, m.f90, VdotH);
    vec3 diffuse = (1.0 - F) * m.diffuseColor / M_PI;
    vec3 specular = F * V_GGX(NdotL, NdotV, m.alphaRoughness) * D_GGX(NdotH, m.alphaRoughness);
    return NdotL * (diffuse + specular);
}

#if defined(USE_PUNCTUAL) && LIGHT_COUNT > 0
// Types: 0 directional, 2 spot, every other value a point light. The direction arrives
// normalised (or zero). A variant whose lights have no directional or no spot light is built
// without that kind's terms.
struct Light
{
    vec3 direction;
    float range;
    vec3 color;
    float intensity;
    vec3 position;
    float innerConeCos;
    float outerConeCos;
    int type;
};

uniform Light u_Lights[LIGHT_COUNT];

float rangeAttenuation(float range, float distance)
{
    float d2 = max(distance * distance, 1e-8);
    if (range <= 0.0) return 1.0 / d2;
    float ratio = distance / range;
    return clamp(1.0 - ratio * ratio * ratio * ratio, 0.0, 1.0) / d2;
}

// `l`: the normalised direction towards the light.
float spotAttenuation(vec3 l, vec3 spotDirection, float outerConeCos, float innerConeCos)
{
    float actualCos = dot(spotDirection, -l);
    if (actualCos <= outerConeCos) return 0.0;
    if (actualCos >= innerConeCos) return 1.0;
    return smoothstep(outerConeCos, innerConeCos, actualCos);
}

vec3 lightShading(Light light, MaterialInfo m, vec3 n, vec3 v, vec3 position)
{
    vec3 pointToLight = light.position - position;
    float attenuation = rangeAttenuation(light.range, length(pointToLight));
#ifdef HAS_DIRECTIONAL_LIGHTS
    if (light.type == 0) {
        pointToLight = -light.direction;
        attenuation = 1.0;
    }
#endif
    vec3 l = safeNormalize(pointToLight);
#ifdef HAS_SPOT_LIGHTS
    if (light.type == 2) {
        attenuation *= spotAttenuation(l, light.direction, light.outerConeCos, light.innerConeCos);
    }
#endif
    return attenuation * light.intensity * light.color * surfaceShading(m, n, v, l);
}
#endif

#if defined(CALC_SHADOW) && LIGHT_COUNT > 0
// Each light of the pass has its own cube map and matrices, at the light's index.
uniform samplerCubeShadow ShadowMap[LIGHT_COUNT];
uniform mat4 camera_view_matrix_inv;
// Eye space to the light's view: the light's view matrix times the inverse camera view.
uniform mat4 eye_to_light_matrix[LIGHT_COUNT];
uniform mat4 light_projection_matrix[LIGHT_COUNT];
uniform float u_shadow_clip[LIGHT_COUNT];

// The world-space normal the shadow lookups push the point along, the same for every light.
vec3 shadowNormal(vec3 eye_normal)
{
    return safeNormalize(mat3(camera_view_matrix_inv) * eye_normal);
}

// 1 where light `i` reaches the eye-space point, 0 in shadow. The cube face holds the depth the
// face projection gave each texel; the point's own depth is computed the same way from its
// distance along the face's axis. Against self-shadowing the point is first moved off its
// surface along the normal by about one shadow texel at its distance (so grazing surfaces get
// more), then pulled towards the light a little.
float shadowFactor(int i, vec3 eye_position, vec3 world_normal)
{
    vec3 from_light = (eye_to_light_matrix[i] * vec4(eye_position, 1.0)).xyz;
    vec3 a = abs(from_light);
    float axis = max(a.x, max(a.y, a.z));
    float texel = 2.0 * axis / float(max(textureSize(ShadowMap[i], 0).x, 1));
    from_light += world_normal * texel * 1.5;
    a = abs(from_light);
    axis = max(a.x, max(a.y, a.z));
    float biased = max(axis * 0.998 - u_shadow_clip[i], 1e-6);
    vec4 clip = light_projection_matrix[i] * vec4(0.0, 0.0, -biased, 1.0);
    float depth = clip.z / clip.w * 0.5 + 0.5;
    return texture(ShadowMap[i], vec4(from_light, depth));
}
#endif
