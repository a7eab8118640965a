// Every reachable shader variant compiles and links on this driver. The full product of the
// choices (five textures, three alpha switches, instancing, vertex streams, colours, morph
// targets, draw modes and light counts) runs to about 10^5 variants, so each draw mode and
// light count is combined with every pair of values of the other choices; together with the
// mode that makes every triple involving the pass. Each distinct variant is compiled once.

#include <chrono>
#include <memory>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "objects3d/context/rendercontext.h"
#include "support/gl_fixture.h"
#include "util/light/light.h"
#include "util/shaderprogram/shaderprogram.h"

namespace {

using Mode = RenderContextDrawMode;

struct PassChoice {
  Mode mode;
  uint32_t lights;
};

constexpr PassChoice kPasses[] = {{Mode::Normal, 0},         {Mode::Normal, 1},
                                  {Mode::Normal, 3},         {Mode::ShadowAmbient, 0},
                                  {Mode::ShadowDepthWrite, 1}, {Mode::ShadowLighting, 1},
                                  {Mode::ShadowCombined, 1},   {Mode::Glow, 0}};

// One choice of the primitive and material: how many values it has and how a value sets it.
struct Dimension {
  uint32_t values;
  void (*apply)(ShaderFeatureInputs&, uint32_t);
};

const std::vector<Dimension>& Dimensions() {
  static const std::vector<Dimension> dims = {
      {2, [](ShaderFeatureInputs& in, uint32_t v) { in.base_color_texture = v; }},
      {2, [](ShaderFeatureInputs& in, uint32_t v) { in.normal_texture = v; }},
      {2, [](ShaderFeatureInputs& in, uint32_t v) { in.emissive_texture = v; }},
      {2, [](ShaderFeatureInputs& in, uint32_t v) { in.occlusion_texture = v; }},
      {2, [](ShaderFeatureInputs& in, uint32_t v) { in.metallic_roughness_texture = v; }},
      {2, [](ShaderFeatureInputs& in, uint32_t v) { in.alpha_mask = v; }},
      {2, [](ShaderFeatureInputs& in, uint32_t v) { in.alpha_opaque = v; }},
      {2, [](ShaderFeatureInputs& in, uint32_t v) { in.unlit = v; }},
      {5,  // one instance; several with no, base, emission or both instance colours
       [](ShaderFeatureInputs& in, uint32_t v) {
         in.instance_count = v == 0 ? 1 : 3;
         in.instance_base_colors = (v == 2 || v == 4) ? 3 : 0;
         in.instance_emission_colors = (v == 3 || v == 4) ? 3 : 0;
       }},
      {3,  // no normals; normals; normals and tangents
       [](ShaderFeatureInputs& in, uint32_t v) {
         in.has_normals = v >= 1;
         in.has_tangents = v == 2;
       }},
      {3, [](ShaderFeatureInputs& in, uint32_t v) { in.color_components = v == 0 ? 0 : v + 2; }},
      {5,  // none; one position target; two mixed; four with everything; normals only
       [](ShaderFeatureInputs& in, uint32_t v) {
         in.morph = {};
         const MorphTargetStreams all{true, true, true};
         switch (v) {
           case 0: in.morph_count = 0; break;
           case 1: in.morph_count = 1; in.morph[0] = {true, false, false}; break;
           case 2: in.morph_count = 2; in.morph[0] = {true, true, false}; in.morph[1] = {false, true, true}; break;
           case 3: in.morph_count = 4; in.morph = {all, all, all, all}; break;
           default: in.morph_count = 1; in.morph[0] = {false, true, false}; break;
         }
       }},
  };
  return dims;
}

struct VariantRequest {
  PassChoice pass;
  ShaderFeatureInputs inputs;
};

std::vector<VariantRequest> Requests() {
  std::vector<VariantRequest> out;
  const auto& dims = Dimensions();
  for (const PassChoice& pass : kPasses) {
    for (size_t i = 0; i < dims.size(); ++i) {
      for (size_t j = i + 1; j < dims.size(); ++j) {
        for (uint32_t a = 0; a < dims[i].values; ++a) {
          for (uint32_t b = 0; b < dims[j].values; ++b) {
            ShaderFeatureInputs in;
            in.mode = pass.mode;
            in.light_count = pass.lights;
            in.has_normals = true;
            dims[i].apply(in, a);
            dims[j].apply(in, b);
            out.push_back({pass, in});
          }
        }
      }
    }
  }
  return out;
}

class VariantCompileTest : public GLTest {};

TEST_F(VariantCompileTest, EveryReachableCombinationCompilesAndLinks) {
  std::vector<std::unique_ptr<RenderContext>> contexts;  // one per light count
  std::set<std::tuple<uint64_t, uint32_t, uint32_t>> keys;
  const auto start = std::chrono::steady_clock::now();
  for (const VariantRequest& request : Requests()) {
    const uint32_t lights = request.pass.lights;
    while (contexts.size() <= lights) contexts.push_back(std::make_unique<RenderContext>());
    RenderContext& context = *contexts[lights];
    while (context.lights.size() < lights) context.lights.push_back(std::make_shared<Light>());
    const ShaderFeatures features = GetPrimitiveShaderFeatures(request.inputs);
    const VariantKey key = MakeVariantKey(features, lights, request.inputs.morph_count);
    keys.insert({key.features, key.light_count, key.weight_count});
    VariantDescription description;
    description.mode = request.pass.mode;
    description.material_name = "compile test";
    ShaderVariant& variant = context.GetVariant(features, request.inputs.morph_count, description);
    ASSERT_NE(variant.program().program(), 0u);
    GLint linked = GL_FALSE;
    glGetProgramiv(variant.program().program(), GL_LINK_STATUS, &linked);
    ASSERT_EQ(linked, GL_TRUE);
  }
  size_t compiled = 0;
  for (const auto& context : contexts) compiled += context->VariantCount();
  // Each distinct variant once; contexts with different light counts share only unlit keys.
  EXPECT_GE(compiled, keys.size());
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%zu requests, %zu distinct variants, %zu compiled in %.1f s\n", Requests().size(),
              keys.size(), compiled, seconds);
  EXPECT_TRUE(NoGLError());
}

TEST_F(VariantCompileTest, UniformLocationsAreFoundOnceAtLink) {
  RenderContext context;
  context.lights = {std::make_shared<Light>(), std::make_shared<Light>()};
  ShaderFeatureInputs in;
  in.light_count = 2;
  in.has_normals = true;
  in.morph_count = 2;
  in.morph[0] = {true, true, false};
  in.morph[1] = {true, false, false};
  const ShaderFeatures features = GetPrimitiveShaderFeatures(in);
  ShaderVariant& v = context.GetVariant(features, 2, {});
  EXPECT_GE(v.Location(VariantUniform::ViewProjectionMatrix), 0);
  EXPECT_GE(v.Location(VariantUniform::MorphWeights), 0);
  EXPECT_GE(v.Location(VariantUniform::MorphDeltas), 0);
  EXPECT_GE(v.LightLocations(1).position, 0);
  EXPECT_GE(v.LightLocations(1).type, 0);
  const size_t queried = v.program().queried_uniform_names().size();
  EXPECT_TRUE(v.program().queried_uniform_names().count("u_Lights[1].outerConeCos"));
  // Fetching the cached variant again queries nothing.
  context.GetVariant(features, 2, {});
  EXPECT_EQ(v.program().queried_uniform_names().size(), queried);
  EXPECT_EQ(context.VariantCount(), 1u);
  // The generated sources define the counts: weights in the vertex stage only.
  EXPECT_NE(v.program().vertex_source().find("#define WEIGHT_COUNT 2"), std::string::npos);
  EXPECT_EQ(v.program().fragment_source().find("WEIGHT_COUNT"), std::string::npos);
  EXPECT_NE(v.program().fragment_source().find("#define LIGHT_COUNT 2"), std::string::npos);
}

}  // namespace
