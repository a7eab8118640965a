#pragma once
// One compiled 3D shader variant with the locations of every uniform the draw sets, looked up
// once when the variant is linked, so a draw never queries a uniform by name.

#include <array>
#include <cstdint>
#include <memory>

#include "objects3d/context/shaderfeature.h"

class ShaderProgram;

enum class VariantUniform : uint32_t {
  ViewProjectionMatrix, ModelMatrix, EmissiveSampler, EmissiveFactor, BrdfLut, SpecularEnv,
  DiffuseEnv, IBLColor, MipCount, MetallicRoughnessSampler, RoughnessFactor, MetallicFactor,
  AlphaCutoff, EyeToWorld, BaseColorFactor, BaseColorSampler, OcclusionSampler,
  OcclusionStrength, NormalSampler, NormalScale, Exposure, CameraViewInverse, MorphWeights,
  MorphDeltas, MorphVertexCount,
  LinearTarget, Count,
};

// The GLSL name of a uniform ("u_ViewProjectionMatrix", ...).
const char* GetVariantUniformName(VariantUniform uniform);

struct LightUniformLocations {
  int32_t direction = -1;
  int32_t range = -1;
  int32_t color = -1;
  int32_t intensity = -1;
  int32_t position = -1;
  int32_t inner_cone_cos = -1;
  int32_t outer_cone_cos = -1;
  int32_t type = -1;
  // The light's shadow: its cube map sampler and what turns an eye-space point into its depth.
  int32_t shadow_map = -1;
  int32_t eye_to_light = -1;
  int32_t light_projection = -1;
  int32_t shadow_clip = -1;
};

class ShaderVariant {
 public:
  ShaderVariant(std::unique_ptr<ShaderProgram> program, const ShaderFeatures& features,
                uint32_t light_count, uint32_t weight_count);
  ~ShaderVariant();
  ShaderVariant(const ShaderVariant&) = delete;
  ShaderVariant& operator=(const ShaderVariant&) = delete;

  // -1 when the variant has no such uniform.
  int32_t Location(VariantUniform uniform) const {
    return locations_[static_cast<uint32_t>(uniform)];
  }
  const LightUniformLocations& LightLocations(uint32_t index) const { return lights_[index]; }
  ShaderProgram& program() const { return *program_; }
  const ShaderFeatures& features() const { return features_; }
  uint32_t light_count() const { return light_count_; }
  uint32_t weight_count() const { return weight_count_; }

 private:
  std::unique_ptr<ShaderProgram> program_;
  ShaderFeatures features_;
  uint32_t light_count_ = 0;
  uint32_t weight_count_ = 0;
  std::array<int32_t, static_cast<uint32_t>(VariantUniform::Count)> locations_{};
  std::array<LightUniformLocations, kMaxShaderLights> lights_{};
};
