#include "objects3d/context/shadervariant.h"

#include <fmt/format.h>

#include "util/shaderprogram/shaderprogram.h"

namespace {

constexpr std::array<const char*, static_cast<uint32_t>(VariantUniform::Count)> kUniformNames = {
    "u_ViewProjectionMatrix", "u_ModelMatrix", "u_EmissiveSampler", "u_EmissiveFactor",
    "u_brdfLUT", "u_SpecularEnvSampler", "u_DiffuseEnvSampler", "u_IBLColor", "u_MipCount",
    "u_MetallicRoughnessSampler", "u_RoughnessFactor", "u_MetallicFactor", "u_AlphaCutoff",
    "u_EyeToWorld", "u_BaseColorFactor", "u_BaseColorSampler", "u_OcclusionSampler",
    "u_OcclusionStrength", "u_NormalSampler", "u_NormalScale", "u_Exposure",
    "camera_view_matrix_inv", "u_morphWeights[0]", "u_MorphDeltas", "u_MorphVertexCount", "u_LinearTarget"};

LightUniformLocations LookUpLight(ShaderProgram& program, uint32_t i) {
  const auto at = [&](const char* member) {
    return program.GetUniformLocation(fmt::format("u_Lights[{}].{}", i, member));
  };
  const auto shadow_at = [&](const char* array) {
    return program.GetUniformLocation(fmt::format("{}[{}]", array, i));
  };
  return {at("direction"),
          at("range"),
          at("color"),
          at("intensity"),
          at("position"),
          at("innerConeCos"),
          at("outerConeCos"),
          at("type"),
          shadow_at("ShadowMap"),
          shadow_at("eye_to_light_matrix"),
          shadow_at("light_projection_matrix"),
          shadow_at("u_shadow_clip")};
}

}  // namespace

const char* GetVariantUniformName(VariantUniform uniform) {
  return kUniformNames[static_cast<uint32_t>(uniform)];
}

ShaderVariant::ShaderVariant(std::unique_ptr<ShaderProgram> program, const ShaderFeatures& features,
                             uint32_t light_count, uint32_t weight_count)
    : program_(std::move(program)),
      features_(features),
      light_count_(light_count),
      weight_count_(weight_count) {
  for (uint32_t i = 0; i < locations_.size(); ++i) {
    locations_[i] = program_->GetUniformLocation(kUniformNames[i]);
  }
  for (uint32_t i = 0; i < light_count_ && i < kMaxShaderLights; ++i) {
    lights_[i] = LookUpLight(*program_, i);
  }
}

ShaderVariant::~ShaderVariant() = default;
