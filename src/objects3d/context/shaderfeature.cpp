#include "objects3d/context/shaderfeature.h"

#include <stdexcept>

#include "system/log.h"

namespace {

using F = ShaderFeature;

constexpr std::array<const char*, kShaderFeatureCount + 1> kFeatureNames = {
    "CALC_SHADOW", "DRAW_INSTANCED", "HAS_INSTANCED_BASE_COLOR", "HAS_INSTANCED_EMISSION_COLOR",
    "DRAW_MODE_AMBIENT", "DRAW_MODE_DEPTH_WRITE", "DRAW_MODE_GLOW", "DRAW_MODE_LIGHTING",
    "DRAW_MODE_NORMAL", "ALPHAMODE_MASK", "ALPHAMODE_OPAQUE", "DEBUG_ALPHA", "DEBUG_BASECOLOR",
    "DEBUG_EMISSIVE", "DEBUG_F0", "DEBUG_METALLIC", "DEBUG_NORMAL", "DEBUG_OCCLUSION",
    "DEBUG_OUTPUT", "DEBUG_ROUGHNESS", "HAS_BASE_COLOR_MAP", "HAS_DIFFUSE_MAP",
    "HAS_EMISSIVE_MAP", "HAS_METALLIC_ROUGHNESS_MAP", "HAS_NORMAL_MAP", "HAS_NORMALS",
    "HAS_OCCLUSION_MAP", "HAS_TANGENTS", "HAS_UV_SET1", "HAS_UV_SET2", "HAS_VERTEX_COLOR_VEC3",
    "HAS_VERTEX_COLOR_VEC4", "MATERIAL_METALLICROUGHNESS", "MATERIAL_UNLIT", "USE_HDR",
    "USE_IBL", "USE_PUNCTUAL", "USE_TEX_LOD", "HAS_JOINT_SET1", "HAS_JOINT_SET2",
    "HAS_WEIGHT_SET1", "HAS_WEIGHT_SET2", "HAS_TARGET_NORMAL0", "HAS_TARGET_NORMAL1",
    "HAS_TARGET_NORMAL2", "HAS_TARGET_NORMAL3", "HAS_TARGET_POSITION0", "HAS_TARGET_POSITION1",
    "HAS_TARGET_POSITION2", "HAS_TARGET_POSITION3", "HAS_TARGET_POSITION4",
    "HAS_TARGET_POSITION5", "HAS_TARGET_POSITION6", "HAS_TARGET_POSITION7",
    "HAS_TARGET_TANGENT0", "HAS_TARGET_TANGENT1", "HAS_TARGET_TANGENT2", "HAS_TARGET_TANGENT3",
    "USE_MORPHING", "USE_SKINNING", "HAS_DIRECTIONAL_LIGHTS", "HAS_SPOT_LIGHTS",
    "NUMBER_OF_SHADER_FEATURES"};

F Indexed(F first, uint32_t i) { return static_cast<F>(static_cast<uint32_t>(first) + i); }

void SetModeFeatures(ShaderFeatures& f, const ShaderFeatureInputs& in) {
  const bool lights = in.light_count > 0;
  switch (in.mode) {
    case RenderContextDrawMode::Normal:
      f.Set(F::DRAW_MODE_NORMAL);
      f.Set(F::MATERIAL_METALLICROUGHNESS);
      f.Set(F::USE_IBL);
      f.Set(F::USE_TEX_LOD);
      f.Set(F::USE_PUNCTUAL, lights);
      break;
    case RenderContextDrawMode::ShadowAmbient:
      f.Set(F::DRAW_MODE_AMBIENT);
      f.Set(F::MATERIAL_METALLICROUGHNESS);
      f.Set(F::USE_IBL);
      f.Set(F::USE_TEX_LOD);
      break;
    case RenderContextDrawMode::ShadowDepthWrite:
      f.Set(F::DRAW_MODE_DEPTH_WRITE);
      break;
    case RenderContextDrawMode::ShadowLighting:
      // The ambient pass below has added the image-based light and the emission already.
      f.Set(F::DRAW_MODE_LIGHTING);
      f.Set(F::CALC_SHADOW);
      f.Set(F::MATERIAL_METALLICROUGHNESS);
      f.Set(F::USE_PUNCTUAL, lights);
      break;
    case RenderContextDrawMode::Glow:
      f.Set(F::DRAW_MODE_GLOW);
      break;
    case RenderContextDrawMode::ShadowCombined:
      // The ambient pass's features with the light and its shadow on top.
      f.Set(F::DRAW_MODE_AMBIENT);
      f.Set(F::MATERIAL_METALLICROUGHNESS);
      f.Set(F::USE_IBL);
      f.Set(F::USE_TEX_LOD);
      f.Set(F::USE_PUNCTUAL, lights);
      f.Set(F::CALC_SHADOW);
      break;
    default:
      break;
  }
}

bool ReadsMaterial(RenderContextDrawMode mode) {
  return mode == RenderContextDrawMode::Normal || mode == RenderContextDrawMode::ShadowAmbient ||
         mode == RenderContextDrawMode::ShadowLighting ||
         mode == RenderContextDrawMode::ShadowCombined;
}

bool ReadsEmission(RenderContextDrawMode mode) {
  return mode == RenderContextDrawMode::Normal || mode == RenderContextDrawMode::ShadowAmbient ||
         mode == RenderContextDrawMode::Glow || mode == RenderContextDrawMode::ShadowCombined;
}

// The passes that bind a shadow map: their programs take it, lit surface or not.
bool BindsShadowMap(RenderContextDrawMode mode) {
  return mode == RenderContextDrawMode::ShadowLighting ||
         mode == RenderContextDrawMode::ShadowCombined;
}

void SetVertexColorFeatures(ShaderFeatures& f, int32_t components) {
  switch (components) {
    case 0: break;
    case 3: f.Set(F::HAS_VERTEX_COLOR_VEC3); break;
    case 4: f.Set(F::HAS_VERTEX_COLOR_VEC4); break;
    default: ExitMsgFmt(__FILE__, __LINE__, "We're just not ready for _colors_stride {}", components);
  }
}

// Morph positions move every pass's geometry; normals and tangents matter only where the
// surface is shaded and the streams exist.
void SetMorphFeatures(ShaderFeatures& f, const ShaderFeatureInputs& in, bool shaded) {
  if (in.morph_count == 0) return;
  if (in.morph_count > kMaxShaderMorphTargets) {
    ExitMsg(__FILE__, __LINE__, "Maximum 4 morph targets supported as of now!");
  }
  f.Set(F::USE_MORPHING);
  for (uint32_t i = 0; i < in.morph_count; ++i) {
    const MorphTargetStreams& target = in.morph[i];
    f.Set(Indexed(F::HAS_TARGET_POSITION0, i), target.positions);
    f.Set(Indexed(F::HAS_TARGET_NORMAL0, i), shaded && target.normals && f.Has(F::HAS_NORMALS));
    f.Set(Indexed(F::HAS_TARGET_TANGENT0, i),
          shaded && target.tangents && f.Has(F::HAS_TANGENTS));
  }
}

void SetMaterialFeatures(ShaderFeatures& f, const ShaderFeatureInputs& in) {
  f.Set(F::ALPHAMODE_MASK, in.alpha_mask);
  f.Set(F::ALPHAMODE_OPAQUE, in.alpha_opaque);
  f.Set(F::MATERIAL_UNLIT, in.unlit);
  f.Set(F::HAS_BASE_COLOR_MAP, in.base_color_texture);
  SetVertexColorFeatures(f, in.color_components);
  f.Set(F::HAS_INSTANCED_BASE_COLOR, f.Has(F::DRAW_INSTANCED) && in.instance_base_colors > 1);
  if (in.unlit) {
    // An unlit surface shows its base colour: nothing of the light model is read.
    f.Set(F::USE_IBL, false);
    f.Set(F::USE_TEX_LOD, false);
    f.Set(F::USE_PUNCTUAL, false);
    f.Set(F::CALC_SHADOW, BindsShadowMap(in.mode));
    return;
  }
  f.Set(F::HAS_NORMALS, in.has_normals);
  f.Set(F::HAS_TANGENTS, in.has_normals && in.has_tangents);
  f.Set(F::HAS_NORMAL_MAP, in.normal_texture);
  f.Set(F::HAS_OCCLUSION_MAP, in.occlusion_texture && in.mode != RenderContextDrawMode::ShadowLighting);
  f.Set(F::HAS_METALLIC_ROUGHNESS_MAP, in.metallic_roughness_texture);
}

}  // namespace

const char* GetRenderContextDrawModeString(RenderContextDrawMode mode) {
  switch (mode) {
    case RenderContextDrawMode::Normal: return "Normal";
    case RenderContextDrawMode::ShadowAmbient: return "ShadowAmbient";
    case RenderContextDrawMode::ShadowDepthWrite: return "ShadowDepthWrite";
    case RenderContextDrawMode::ShadowLighting: return "ShadowLighting";
    case RenderContextDrawMode::Glow: return "Glow";
    case RenderContextDrawMode::ShadowCombined: return "ShadowCombined";
    case RenderContextDrawMode::MAX: return "MAX";
  }
  throw std::runtime_error("GetRenderContextDrawModeString logic error");
}

const char* GetShaderFeatureName(ShaderFeature feature) {
  const auto index = static_cast<uint32_t>(feature);
  return index <= kShaderFeatureCount ? kFeatureNames[index] : "INVALID";
}

ShaderFeatures GetPrimitiveShaderFeatures(const ShaderFeatureInputs& in) {
  ShaderFeatures f;
  SetModeFeatures(f, in);
  f.Set(F::HAS_UV_SET1);
  f.Set(F::DRAW_INSTANCED, in.instance_count > 1);
  if (ReadsMaterial(in.mode)) SetMaterialFeatures(f, in);
  if (ReadsEmission(in.mode) && !(in.unlit && in.mode != RenderContextDrawMode::Glow)) {
    f.Set(F::HAS_EMISSIVE_MAP, in.emissive_texture);
    f.Set(F::HAS_INSTANCED_EMISSION_COLOR,
          f.Has(F::DRAW_INSTANCED) && in.instance_emission_colors > 1);
  }
  SetMorphFeatures(f, in, ReadsMaterial(in.mode));
  f.Set(F::HAS_DIRECTIONAL_LIGHTS, f.Has(F::USE_PUNCTUAL) && in.directional_lights);
  f.Set(F::HAS_SPOT_LIGHTS, f.Has(F::USE_PUNCTUAL) && in.spot_lights);
  return f;
}

VariantKey MakeVariantKey(const ShaderFeatures& features, uint32_t light_count,
                          uint32_t weight_count) {
  const bool lit = features.Has(F::USE_PUNCTUAL);
  return {features.bits, lit ? light_count : 0u, weight_count};
}

size_t VariantKeyHash::operator()(const VariantKey& key) const {
  // The features fill 62 bits; the counts are small. Mix them so that neighbouring keys spread.
  uint64_t h = key.features * 0x9e3779b97f4a7c15ull;
  h ^= (uint64_t{key.light_count} << 32 | key.weight_count) + 0x9e3779b9 + (h << 6) + (h >> 2);
  return static_cast<size_t>(h);
}
