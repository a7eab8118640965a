// Feature-set rules and variant keys of the 3D shader variants: plain CPU logic, no GL.

#include <stdexcept>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "objects3d/context/rendercontextshaderpieces.h"
#include "objects3d/context/shaderfeature.h"
#include "support/gl_fixture.h"

namespace {

using F = ShaderFeature;
using Mode = RenderContextDrawMode;

ShaderFeatureInputs Inputs(Mode mode) {
  ShaderFeatureInputs in;
  in.mode = mode;
  in.has_normals = true;
  return in;
}

struct FeatureCase {
  const char* name;
  ShaderFeatureInputs inputs;
  std::vector<F> present;
  std::vector<F> absent;
};

std::vector<FeatureCase> FeatureCases() {
  std::vector<FeatureCase> cases;
  {
    auto in = Inputs(Mode::Normal);
    cases.push_back({"normal without lights", in,
                     {F::DRAW_MODE_NORMAL, F::USE_IBL, F::USE_TEX_LOD, F::HAS_NORMALS, F::HAS_UV_SET1},
                     {F::USE_PUNCTUAL, F::CALC_SHADOW, F::DRAW_INSTANCED}});
    in.light_count = 2;
    cases.push_back({"normal with lights", in, {F::USE_PUNCTUAL}, {F::CALC_SHADOW}});
  }
  {
    auto in = Inputs(Mode::Glow);
    in.alpha_mask = in.alpha_opaque = in.unlit = true;
    in.emissive_texture = in.base_color_texture = in.normal_texture = true;
    in.color_components = 4;
    cases.push_back({"glow reads emission only", in, {F::DRAW_MODE_GLOW, F::HAS_EMISSIVE_MAP},
                     {F::ALPHAMODE_MASK, F::ALPHAMODE_OPAQUE, F::MATERIAL_UNLIT, F::HAS_NORMALS,
                      F::HAS_BASE_COLOR_MAP, F::HAS_NORMAL_MAP, F::HAS_VERTEX_COLOR_VEC4, F::USE_IBL}});
  }
  {
    auto in = Inputs(Mode::ShadowDepthWrite);
    in.base_color_texture = in.emissive_texture = true;
    in.instance_count = 3;
    in.instance_base_colors = 3;
    in.morph_count = 1;
    in.morph[0] = {true, true, false};
    cases.push_back({"depth pass reads geometry only", in,
                     {F::DRAW_MODE_DEPTH_WRITE, F::DRAW_INSTANCED, F::USE_MORPHING, F::HAS_TARGET_POSITION0},
                     {F::HAS_BASE_COLOR_MAP, F::HAS_EMISSIVE_MAP, F::HAS_NORMALS,
                      F::HAS_INSTANCED_BASE_COLOR, F::HAS_TARGET_NORMAL0, F::USE_IBL}});
  }
  {
    auto in = Inputs(Mode::ShadowLighting);
    in.light_count = 1;
    in.emissive_texture = in.occlusion_texture = true;
    cases.push_back({"additive lighting adds no ambient", in,
                     {F::DRAW_MODE_LIGHTING, F::CALC_SHADOW, F::USE_PUNCTUAL, F::MATERIAL_METALLICROUGHNESS},
                     {F::USE_IBL, F::USE_TEX_LOD, F::HAS_EMISSIVE_MAP, F::HAS_OCCLUSION_MAP}});
  }
  {
    auto in = Inputs(Mode::Normal);
    in.instance_base_colors = 1;
    in.instance_emission_colors = 1;
    cases.push_back({"one instance is never instanced", in, {},
                     {F::DRAW_INSTANCED, F::HAS_INSTANCED_BASE_COLOR, F::HAS_INSTANCED_EMISSION_COLOR}});
    in.instance_count = 2;
    in.instance_base_colors = 2;
    cases.push_back({"several colours for several instances", in,
                     {F::DRAW_INSTANCED, F::HAS_INSTANCED_BASE_COLOR},
                     {F::HAS_INSTANCED_EMISSION_COLOR}});
  }
  {
    auto in = Inputs(Mode::Normal);
    in.has_normals = false;
    in.has_tangents = true;
    in.color_components = 3;
    cases.push_back({"tangents need normals", in, {F::HAS_VERTEX_COLOR_VEC3},
                     {F::HAS_TANGENTS, F::HAS_NORMALS, F::HAS_VERTEX_COLOR_VEC4}});
  }
  {
    auto in = Inputs(Mode::ShadowCombined);
    in.light_count = 1;
    cases.push_back({"point lights only", in, {F::USE_PUNCTUAL},
                     {F::HAS_DIRECTIONAL_LIGHTS, F::HAS_SPOT_LIGHTS}});
    in.spot_lights = true;
    cases.push_back({"a spot light", in, {F::HAS_SPOT_LIGHTS}, {F::HAS_DIRECTIONAL_LIGHTS}});
    in.mode = Mode::ShadowAmbient;
    in.directional_lights = true;
    cases.push_back({"light kinds only where lights are read", in, {},
                     {F::USE_PUNCTUAL, F::HAS_DIRECTIONAL_LIGHTS, F::HAS_SPOT_LIGHTS}});
  }
  {
    auto in = Inputs(Mode::Normal);
    in.unlit = true;
    in.light_count = 2;
    in.normal_texture = in.base_color_texture = true;
    cases.push_back({"unlit reads no light model", in, {F::MATERIAL_UNLIT, F::HAS_BASE_COLOR_MAP},
                     {F::USE_IBL, F::USE_PUNCTUAL, F::HAS_NORMALS, F::HAS_NORMAL_MAP}});
  }
  {
    auto in = Inputs(Mode::ShadowAmbient);
    in.has_tangents = true;
    in.morph_count = 3;
    in.morph[0] = {true, false, false};
    in.morph[1] = {false, true, true};
    in.morph[2] = {true, true, false};
    cases.push_back({"morph streams per target", in,
                     {F::USE_MORPHING, F::HAS_TARGET_POSITION0, F::HAS_TARGET_NORMAL1,
                      F::HAS_TARGET_TANGENT1, F::HAS_TARGET_POSITION2, F::HAS_TARGET_NORMAL2},
                     {F::HAS_TARGET_POSITION1, F::HAS_TARGET_NORMAL0, F::HAS_TARGET_TANGENT2,
                      F::HAS_TARGET_POSITION3, F::HAS_TARGET_POSITION4}});
  }
  return cases;
}

TEST(ShaderFeatureRules, FeatureSetsFollowModeMaterialAndStreams) {
  for (const FeatureCase& c : FeatureCases()) {
    const ShaderFeatures f = GetPrimitiveShaderFeatures(c.inputs);
    for (F feature : c.present) {
      EXPECT_TRUE(f.Has(feature)) << c.name << ": missing " << GetShaderFeatureName(feature);
    }
    for (F feature : c.absent) {
      EXPECT_FALSE(f.Has(feature)) << c.name << ": unexpected " << GetShaderFeatureName(feature);
    }
  }
}

// The fatal path shows a message box; the GL fixture answers it.
class ShaderFeatureFatal : public GLTest {};

TEST_F(ShaderFeatureFatal, BadColourCountsAndTooManyTargetsAreFatal) {
  auto colours = Inputs(Mode::Normal);
  colours.color_components = 2;
  EXPECT_EXIT(GetPrimitiveShaderFeatures(colours), ::testing::ExitedWithCode(1),
              "We're just not ready for _colors_stride 2");
  auto morphs = Inputs(Mode::Normal);
  morphs.morph_count = 5;
  EXPECT_EXIT(GetPrimitiveShaderFeatures(morphs), ::testing::ExitedWithCode(1),
              "Maximum 4 morph targets supported as of now!");
}

TEST(VariantKeys, CountsArePartOfTheKeyOnlyWhereTheShaderUsesThem) {
  auto in = Inputs(Mode::Normal);
  in.light_count = 1;
  const ShaderFeatures lit = GetPrimitiveShaderFeatures(in);
  EXPECT_NE(MakeVariantKey(lit, 1, 0), MakeVariantKey(lit, 2, 0));
  EXPECT_NE(MakeVariantKey(lit, 1, 1), MakeVariantKey(lit, 1, 2));
  // Ambient and depth passes read no lights: one variant whatever the list holds.
  const ShaderFeatures ambient = GetPrimitiveShaderFeatures(Inputs(Mode::ShadowAmbient));
  EXPECT_EQ(MakeVariantKey(ambient, 0, 0), MakeVariantKey(ambient, 3, 0));
  // Keys that a mixing hash could confuse stay apart: the key is compared whole.
  const VariantKey a{0x1, 2, 0};
  const VariantKey b{0x2, 1, 0};
  EXPECT_NE(a, b);
}

TEST(VariantKeys, EveryFeatureChangesTheKey) {
  std::set<uint64_t> seen;
  for (uint32_t i = 0; i < kShaderFeatureCount; ++i) {
    ShaderFeatures f;
    f.Set(static_cast<F>(i));
    EXPECT_TRUE(seen.insert(MakeVariantKey(f, 0, 0).features).second) << i;
    EXPECT_EQ(std::string(GetShaderFeatureName(static_cast<F>(i))).empty(), false);
  }
  EXPECT_STREQ(GetShaderFeatureName(F::NUMBER_OF_SHADER_FEATURES), "NUMBER_OF_SHADER_FEATURES");
  EXPECT_STREQ(GetShaderFeatureName(F::USE_SKINNING), "USE_SKINNING");
  EXPECT_STREQ(GetShaderFeatureName(F::HAS_TARGET_POSITION0), "HAS_TARGET_POSITION0");
}

TEST(DrawModes, NamesAndInvalidValues) {
  EXPECT_STREQ(GetRenderContextDrawModeString(Mode::ShadowDepthWrite), "ShadowDepthWrite");
  EXPECT_STREQ(GetRenderContextDrawModeString(Mode::MAX), "MAX");
  EXPECT_THROW(GetRenderContextDrawModeString(static_cast<Mode>(9)), std::runtime_error);
}

TEST(VariantHeader, MaterialNamesCannotInjectSource) {
  const std::string hostile = std::string("Red\n#define X 1\\\0\x7f\xc3\xa9", 20);
  EXPECT_EQ(SanitizeForGlslComment(hostile), "Red?#define X 1?????");
}

}  // namespace
