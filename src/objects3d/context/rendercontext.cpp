#include "objects3d/context/rendercontext.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include "objects3d/material.h"
#include "system/log.h"
#include "util/camera/camera.h"
#include "util/light/light.h"
#include "util/light/shadowcubemap.h"
#include "util/shaderprogram/shaderprogram.h"
#include "util/texture/texture.h"
#include "util/texture/texturecube.h"

namespace {

using F = ShaderFeature;
using U = VariantUniform;
using Mode = RenderContextDrawMode;

// Alpha below which a masked surface is cut away (the glTF default cut-off).
constexpr float kAlphaCutoff = 0.5f;

void Check(bool condition, uint32_t line) {
  if (!condition) ExitMsg(__FILE__, line, "Assert failed");
}

void SetMat4(int32_t location, const glm::mat4& m) {
  if (location >= 0) glUniformMatrix4fv(location, 1, GL_FALSE, glm::value_ptr(m));
}
void SetMat3(int32_t location, const glm::mat3& m) {
  if (location >= 0) glUniformMatrix3fv(location, 1, GL_FALSE, glm::value_ptr(m));
}
void SetVec4(int32_t location, const glm::vec4& v) {
  if (location >= 0) glUniform4fv(location, 1, glm::value_ptr(v));
}
void SetVec3(int32_t location, const glm::vec3& v) {
  if (location >= 0) glUniform3fv(location, 1, glm::value_ptr(v));
}
void SetFloat(int32_t location, float f) {
  if (location >= 0) glUniform1f(location, f);
}
void SetInt(int32_t location, int32_t i) {
  if (location >= 0) glUniform1i(location, i);
}

bool ReadsMaterialUniforms(Mode mode) {
  return mode == Mode::Normal || mode == Mode::ShadowAmbient || mode == Mode::ShadowLighting ||
         mode == Mode::ShadowCombined;
}

bool ReadsEmissiveUniforms(Mode mode) {
  return mode == Mode::Normal || mode == Mode::ShadowAmbient || mode == Mode::Glow ||
         mode == Mode::ShadowCombined;
}

bool ReadsLightUniforms(Mode mode) {
  return mode == Mode::Normal || mode == Mode::ShadowLighting || mode == Mode::ShadowCombined;
}

// A material with exactly one instance colour uses it as its factor; with several (one per
// instance) they arrive as attributes instead.
glm::vec4 BaseColorFactor(const Material& material) {
  return material.instance_base_colors.size() == 1 ? material.instance_base_colors[0]
                                                   : material.base_color;
}
glm::vec3 EmissiveFactor(const Material& material) {
  return material.instance_emission_colors.size() == 1 ? material.instance_emission_colors[0]
                                                       : material.emissive;
}

int32_t SpecularMipCount(const TextureCube& cube) {
  if (!cube.mipmaps) return 1;
  const uint32_t side = std::max(cube.width, cube.height);
  return side == 0 ? 1 : static_cast<int32_t>(std::floor(std::log2(static_cast<float>(side)))) + 1;
}

glm::vec3 NormalisedOrZero(const glm::vec3& v) {
  const float length = glm::length(v);
  return length > 1e-20f ? v / length : glm::vec3(0.0f);
}

}  // namespace

glm::mat4 CameraRootMatrix(const Camera& camera) {
  return camera.view * glm::translate(glm::mat4(1.0f), camera.shake);
}

ConeCosines LightConeCosines(const Light& light) {
  return {std::cos(light.inner_cone), std::cos(light.outer_cone)};
}

RenderContext::RenderContext() = default;
RenderContext::~RenderContext() = default;

uint32_t RenderContext::LightCount() const {
  return static_cast<uint32_t>(std::min<size_t>(lights.size(), kMaxShaderLights));
}

ShaderFeatureInputs RenderContext::FeatureInputs(const PrimitiveDrawInputs& draw) const {
  const Material& m = *draw.material;
  ShaderFeatureInputs in;
  // The depth-write variants take the camera's projection here: SetUp picks it by draw.mode.
  in.mode = depth_only && shortcuts.colourless_depth_programs ? Mode::ShadowDepthWrite : draw.mode;
  in.light_count = LightCount();
  for (uint32_t i = 0; i < in.light_count; ++i) {
    const int32_t type = lights[i]->type;
    in.directional_lights |= !shortcuts.light_kind_variants || type == kLightTypeDirectional;
    in.spot_lights |= !shortcuts.light_kind_variants || type == kLightTypeSpot;
  }
  in.instance_count = draw.instance_count;
  in.base_color_texture = m.base_color_texture != nullptr;
  in.normal_texture = m.normal_texture != nullptr;
  in.emissive_texture = m.emissive_texture != nullptr;
  in.occlusion_texture = m.occlusion_texture != nullptr;
  in.metallic_roughness_texture = m.metallic_roughness_texture != nullptr;
  in.alpha_mask = m.alpha_mask != 0;
  in.alpha_opaque = m.alpha_opaque != 0;
  in.unlit = m.unlit != 0;
  in.instance_base_colors = static_cast<uint32_t>(m.instance_base_colors.size());
  in.instance_emission_colors = static_cast<uint32_t>(m.instance_emission_colors.size());
  in.has_normals = has_normals != 0;
  in.has_tangents = has_tangents != 0;
  in.color_components = color_components;
  in.morph_count = draw.morph_count;
  in.morph = draw.morph;
  return in;
}

ShaderVariant& RenderContext::GetVariant(const ShaderFeatures& features, uint32_t weight_count,
                                         const VariantDescription& description) {
  const VariantKey key = MakeVariantKey(features, LightCount(), weight_count);
  auto found = shader_cache_.find(key);
  if (found != shader_cache_.end()) return *found->second;
  if (!shader_pieces) shader_pieces.emplace();
  std::unique_ptr<ShaderVariant> variant;
  try {
    VariantDescription d = description;
    d.light_count = key.light_count;
    d.weight_count = weight_count;
    auto program = std::make_unique<ShaderProgram>(MakeVariantConstructor(features, d));
    variant = std::make_unique<ShaderVariant>(std::move(program), features, key.light_count,
                                              weight_count);
  } catch (const std::exception& e) {
    ExitMsgFmt(__FILE__, __LINE__, "SetUpContext: Failed to create shader: {}", e.what());
  }
  return *shader_cache_.emplace(key, std::move(variant)).first->second;
}

void RenderContext::SetUp(const PrimitiveDrawInputs& draw) {
  Check(draw.material != nullptr && draw.camera != nullptr, __LINE__);
  const Material& material = *draw.material;
  const ShaderFeatureInputs inputs = FeatureInputs(draw);
  const ShaderFeatures features = GetPrimitiveShaderFeatures(inputs);
  VariantDescription description;
  description.mode = inputs.mode;
  description.material_name = material.name;
  description.base_color_texture = material.base_color_texture != nullptr;
  description.normal_texture = material.normal_texture != nullptr;
  description.emissive_texture = material.emissive_texture != nullptr;
  description.occlusion_texture = material.occlusion_texture != nullptr;
  // Their programs write linear light without a display encoding.
  if ((features.Has(F::DRAW_MODE_AMBIENT) || features.Has(F::DRAW_MODE_LIGHTING)) && !linear_target) {
    ExitMsg(__FILE__, __LINE__, "A shadowed pass draws into the linear-light frame only");
  }
  const ShaderVariant& v = GetVariant(features, draw.morph_count, description);
  v.program().Use();
  glDepthMask(material.base_color.a >= kOpaqueAlpha ? GL_TRUE : GL_FALSE);

  const glm::mat4 view = CameraRootMatrix(*draw.camera);
  uint32_t unit = 0;
  if (!lights.empty() && shadow_map_bound) {
    unit = SetShadowUniforms(v, view);
  } else if (features.Has(F::CALC_SHADOW)) {
    ExitMsg(__FILE__, __LINE__, "CALC_SHADOW without bound ShadowMap!");
  }
  if (draw.mode == Mode::ShadowDepthWrite) {
    Check(lights.size() == 1, __LINE__);
    SetMat4(v.Location(U::ViewProjectionMatrix), lights[0]->projection);
  } else {
    SetMat4(v.Location(U::ViewProjectionMatrix), draw.camera->projection);
  }
  if (!features.Has(F::DRAW_INSTANCED)) {
    Check(draw.instance_count == 1, __LINE__);
    SetMat4(v.Location(U::ModelMatrix), draw.instances[0]);
  }
  if (ReadsEmissiveUniforms(draw.mode)) SetEmissiveUniforms(v, draw, unit);
  if (ReadsMaterialUniforms(draw.mode)) SetMaterialUniforms(v, draw, view, unit);
  if (ReadsLightUniforms(draw.mode)) SetLightUniforms(v, view);
  SetFloat(v.Location(U::Exposure), exposure);
  SetInt(v.Location(U::LinearTarget), linear_target);
  SetMorphUniforms(v, draw, unit);
  units_used_ = std::max(units_used_, unit);
}

// Light i's cube map is on unit i (the pass binds them so); the material's textures follow.
uint32_t RenderContext::SetShadowUniforms(const ShaderVariant& v, const glm::mat4& view) {
  if (!v.features().Has(F::CALC_SHADOW)) {
    ExitMsg(__FILE__, __LINE__, "Binding ShadowMap without CALC_SHADOW feature");
  }
  const glm::mat4 eye_to_world = glm::inverse(view);
  SetMat4(v.Location(U::CameraViewInverse), eye_to_world);
  for (uint32_t i = 0; i < v.light_count(); ++i) {
    const Light& light = *lights[i];
    const LightUniformLocations& at = v.LightLocations(i);
    SetInt(at.shadow_map, static_cast<int32_t>(i));
    SetMat4(at.eye_to_light, light.transform * eye_to_world);
    SetMat4(at.light_projection, light.projection);
    const float scale = light.shadow_clip > 0.0f ? light.shadow_clip * 0.0000002f : 0.000002f;
    SetFloat(at.shadow_clip, (light.shadow_far - light.shadow_near) * scale);
  }
  return v.light_count();
}

void RenderContext::BindTexture(int32_t location, GLenum target, GLuint texture, uint32_t& unit) {
  SetInt(location, static_cast<int32_t>(unit));
  glActiveTexture(GL_TEXTURE0 + unit);
  glBindTexture(target, texture);
  ++unit;
}

void RenderContext::SetEmissiveUniforms(const ShaderVariant& v, const PrimitiveDrawInputs& draw,
                                        uint32_t& unit) {
  const Material& m = *draw.material;
  const ShaderFeatures& f = v.features();
  if (m.emissive_texture && f.Has(F::HAS_EMISSIVE_MAP)) {
    BindTexture(v.Location(U::EmissiveSampler), m.emissive_texture->Target(),
                m.emissive_texture->id, unit);
  }
  if (!f.Has(F::HAS_INSTANCED_EMISSION_COLOR)) SetVec3(v.Location(U::EmissiveFactor), EmissiveFactor(m));
}

void RenderContext::SetMaterialUniforms(const ShaderVariant& v, const PrimitiveDrawInputs& draw,
                                        const glm::mat4& view, uint32_t& unit) {
  const Material& m = *draw.material;
  const ShaderFeatures& f = v.features();
  if (f.Has(F::USE_IBL)) {
    if (!brdf_lut) ExitMsg(__FILE__, __LINE__, "Missing brdf LUT texture!");
    if (!env_specular) ExitMsg(__FILE__, __LINE__, "Missing env map specular!");
    if (!env_diffuse) ExitMsg(__FILE__, __LINE__, "Missing env map diffuse!");
    BindTexture(v.Location(U::BrdfLut), brdf_lut->Target(), brdf_lut->id, unit);
    BindTexture(v.Location(U::SpecularEnv), GL_TEXTURE_CUBE_MAP, env_specular->id, unit);
    BindTexture(v.Location(U::DiffuseEnv), GL_TEXTURE_CUBE_MAP, env_diffuse->id, unit);
    SetVec4(v.Location(U::IBLColor), ibl_color);
    if (f.Has(F::USE_TEX_LOD)) SetInt(v.Location(U::MipCount), SpecularMipCount(*env_specular));
    // Lighting happens in eye space; the environment maps are in world space.
    SetMat3(v.Location(U::EyeToWorld), glm::inverse(glm::mat3(view)));
  }
  if (m.metallic_roughness_texture && f.Has(F::HAS_METALLIC_ROUGHNESS_MAP)) {
    BindTexture(v.Location(U::MetallicRoughnessSampler), m.metallic_roughness_texture->Target(),
                m.metallic_roughness_texture->id, unit);
  }
  // With a texture the factors scale its channels.
  SetFloat(v.Location(U::RoughnessFactor), m.roughness);
  SetFloat(v.Location(U::MetallicFactor), m.metallic);
  if (f.Has(F::ALPHAMODE_MASK)) SetFloat(v.Location(U::AlphaCutoff), kAlphaCutoff);
  if (!f.Has(F::HAS_INSTANCED_BASE_COLOR)) SetVec4(v.Location(U::BaseColorFactor), BaseColorFactor(m));
  if (m.base_color_texture && f.Has(F::HAS_BASE_COLOR_MAP)) {
    BindTexture(v.Location(U::BaseColorSampler), m.base_color_texture->Target(),
                m.base_color_texture->id, unit);
  }
  if (m.occlusion_texture && f.Has(F::HAS_OCCLUSION_MAP)) {
    BindTexture(v.Location(U::OcclusionSampler), m.occlusion_texture->Target(),
                m.occlusion_texture->id, unit);
    SetFloat(v.Location(U::OcclusionStrength), m.occlusion_strength);
  }
  if (m.normal_texture && f.Has(F::HAS_NORMAL_MAP)) {
    BindTexture(v.Location(U::NormalSampler), m.normal_texture->Target(), m.normal_texture->id,
                unit);
    SetFloat(v.Location(U::NormalScale), m.normal_scale);
  }
}

void RenderContext::SetLightUniforms(const ShaderVariant& v, const glm::mat4& view) const {
  const glm::mat3 rotation(view);
  for (uint32_t i = 0; i < v.light_count(); ++i) {
    const Light& light = *lights[i];
    const LightUniformLocations& at = v.LightLocations(i);
    SetVec3(at.direction, NormalisedOrZero(rotation * light.direction));
    SetFloat(at.range, light.range);
    SetVec3(at.color, light.color);
    SetFloat(at.intensity, light.intensity);
    SetVec3(at.position, glm::vec3(view * glm::vec4(glm::vec3(light.position), 1.0f)));
    const ConeCosines cones = LightConeCosines(light);
    SetFloat(at.inner_cone_cos, cones.inner);
    SetFloat(at.outer_cone_cos, cones.outer);
    SetInt(at.type, light.type);
  }
}

void RenderContext::SetMorphUniforms(const ShaderVariant& v, const PrimitiveDrawInputs& draw,
                                     uint32_t& unit) {
  if (!v.features().Has(F::USE_MORPHING)) return;
  // Exactly one weight per target: missing weights count as 0, extra ones are not used.
  std::array<float, kMaxShaderMorphTargets> weights{};
  for (uint32_t i = 0; i < draw.morph_count && i < draw.weight_count; ++i) {
    weights[i] = draw.weights[i];
  }
  const int32_t at = v.Location(U::MorphWeights);
  if (at >= 0) glUniform1fv(at, static_cast<GLsizei>(draw.morph_count), weights.data());
  const int32_t deltas = v.Location(U::MorphDeltas);
  if (deltas >= 0 && draw.morph_deltas != 0) {
    BindTexture(deltas, GL_TEXTURE_BUFFER, draw.morph_deltas, unit);
    SetInt(v.Location(U::MorphVertexCount), static_cast<int32_t>(draw.vertex_count));
  }
}

size_t RenderContext::QueriedUniformNameCount() const {
  size_t count = 0;
  for (const auto& [key, variant] : shader_cache_) {
    count += variant->program().queried_uniform_names().size();
  }
  return count;
}

void RenderContext::UnbindTextures() {
  for (uint32_t unit = 0; unit < units_used_; ++unit) {
    glActiveTexture(GL_TEXTURE0 + unit);
    for (const GLenum target : {GL_TEXTURE_2D, GL_TEXTURE_2D_MULTISAMPLE, GL_TEXTURE_CUBE_MAP,
                                GL_TEXTURE_BUFFER}) {
      glBindTexture(target, 0);
    }
  }
  glActiveTexture(GL_TEXTURE0);
  units_used_ = 0;
}
