#pragma once
// The vocabulary of the 3D shader variants: draw modes, the boolean shader features, the set of
// features one primitive draw needs, and the key under which a compiled variant is cached.
// Plain CPU work, no GL: the rules here decide which variants exist.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>

enum class RenderContextDrawMode : uint32_t {
  Normal = 0,
  ShadowAmbient = 1,
  ShadowDepthWrite = 2,
  ShadowLighting = 3,
  Glow = 4,
  // Image-based light, emission and the one shadowed light times its shadow in one draw.
  ShadowCombined = 5,
  MAX = 6,
};

// "Normal" ... "MAX"; any other value throws std::runtime_error.
const char* GetRenderContextDrawModeString(RenderContextDrawMode mode);

// Each feature's GLSL define is its own name. NUMBER_OF_SHADER_FEATURES is the count.
enum class ShaderFeature : uint32_t {
  CALC_SHADOW, DRAW_INSTANCED, HAS_INSTANCED_BASE_COLOR, HAS_INSTANCED_EMISSION_COLOR,
  DRAW_MODE_AMBIENT, DRAW_MODE_DEPTH_WRITE, DRAW_MODE_GLOW, DRAW_MODE_LIGHTING, DRAW_MODE_NORMAL,
  ALPHAMODE_MASK, ALPHAMODE_OPAQUE, DEBUG_ALPHA, DEBUG_BASECOLOR, DEBUG_EMISSIVE, DEBUG_F0,
  DEBUG_METALLIC, DEBUG_NORMAL, DEBUG_OCCLUSION, DEBUG_OUTPUT, DEBUG_ROUGHNESS,
  HAS_BASE_COLOR_MAP, HAS_DIFFUSE_MAP, HAS_EMISSIVE_MAP, HAS_METALLIC_ROUGHNESS_MAP,
  HAS_NORMAL_MAP, HAS_NORMALS, HAS_OCCLUSION_MAP, HAS_TANGENTS, HAS_UV_SET1, HAS_UV_SET2,
  HAS_VERTEX_COLOR_VEC3, HAS_VERTEX_COLOR_VEC4, MATERIAL_METALLICROUGHNESS, MATERIAL_UNLIT,
  USE_HDR, USE_IBL, USE_PUNCTUAL, USE_TEX_LOD, HAS_JOINT_SET1, HAS_JOINT_SET2, HAS_WEIGHT_SET1,
  HAS_WEIGHT_SET2, HAS_TARGET_NORMAL0, HAS_TARGET_NORMAL1, HAS_TARGET_NORMAL2,
  HAS_TARGET_NORMAL3, HAS_TARGET_POSITION0, HAS_TARGET_POSITION1, HAS_TARGET_POSITION2,
  HAS_TARGET_POSITION3, HAS_TARGET_POSITION4, HAS_TARGET_POSITION5, HAS_TARGET_POSITION6,
  HAS_TARGET_POSITION7, HAS_TARGET_TANGENT0, HAS_TARGET_TANGENT1, HAS_TARGET_TANGENT2,
  HAS_TARGET_TANGENT3, USE_MORPHING, USE_SKINNING, HAS_DIRECTIONAL_LIGHTS, HAS_SPOT_LIGHTS,
  NUMBER_OF_SHADER_FEATURES,
};

constexpr uint32_t kShaderFeatureCount =
    static_cast<uint32_t>(ShaderFeature::NUMBER_OF_SHADER_FEATURES);
// Morph targets a variant handles; more are refused.
constexpr uint32_t kMaxShaderMorphTargets = 4;
// Lights one variant takes at once; a pass hands over at most this many.
constexpr uint32_t kMaxShaderLights = 8;

// The enumerator's own name; "NUMBER_OF_SHADER_FEATURES" for the count itself.
const char* GetShaderFeatureName(ShaderFeature feature);

// One feature set: a bit per feature, so building, comparing and hashing it allocate nothing.
struct ShaderFeatures {
  uint64_t bits = 0;

  bool Has(ShaderFeature f) const { return (bits >> static_cast<uint32_t>(f)) & 1u; }
  void Set(ShaderFeature f, bool on = true) {
    const uint64_t bit = uint64_t{1} << static_cast<uint32_t>(f);
    bits = on ? (bits | bit) : (bits & ~bit);
  }
  bool operator==(const ShaderFeatures&) const = default;
};

// Which streams one morph target carries.
struct MorphTargetStreams {
  bool positions = false;
  bool normals = false;
  bool tangents = false;
};

// Everything about one primitive draw that decides its features.
struct ShaderFeatureInputs {
  RenderContextDrawMode mode = RenderContextDrawMode::Normal;
  uint32_t light_count = 0;
  // Whether the pass's lights include a directional or a spot light; the rest are point lights.
  bool directional_lights = false;
  bool spot_lights = false;
  uint32_t instance_count = 1;
  bool base_color_texture = false;
  bool normal_texture = false;
  bool emissive_texture = false;
  bool occlusion_texture = false;
  bool metallic_roughness_texture = false;
  bool alpha_mask = false;
  bool alpha_opaque = false;
  bool unlit = false;
  // Instance colours of the material: more than one (and a draw of several instances) makes
  // them per-instance attributes; exactly one is used as the material's factor instead.
  uint32_t instance_base_colors = 0;
  uint32_t instance_emission_colors = 0;
  bool has_normals = false;
  bool has_tangents = false;
  int32_t color_components = 0;
  uint32_t morph_count = 0;
  std::array<MorphTargetStreams, kMaxShaderMorphTargets> morph{};
};

// The features of one draw. Features a mode cannot use are left out (the depth pass reads no
// material, the glow pass only emission, the additive lighting pass no image-based light, an
// unlit surface no normals, a lit one the light kinds its lights do not have), so equivalent
// draws share one variant. Fatal for colour counts
// other than 0, 3, 4 and for more than four morph targets.
ShaderFeatures GetPrimitiveShaderFeatures(const ShaderFeatureInputs& inputs);

// A compiled variant's identity: its features, its light count (0 without lights in the shader)
// and its morph weight count (the number of morph targets), compared exactly.
struct VariantKey {
  uint64_t features = 0;
  uint32_t light_count = 0;
  uint32_t weight_count = 0;
  bool operator==(const VariantKey&) const = default;
};

VariantKey MakeVariantKey(const ShaderFeatures& features, uint32_t light_count,
                          uint32_t weight_count);

struct VariantKeyHash {
  size_t operator()(const VariantKey& key) const;
};
