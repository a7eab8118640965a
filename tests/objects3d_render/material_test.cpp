// Pixel checks of how a material's textures and factors and a primitive's tangents reach the
// shading: the picture a textured material gives must equal the picture of the values it
// stands for.

#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include "objects3d/context/rendercontext.h"
#include "render_scene.h"
#include "util/camera/camera.h"
#include "util/light/light.h"
#include "util/texture/texture.h"

namespace {

class MaterialRenderTest : public GLTest {};

std::shared_ptr<Texture> OneTexel(const std::vector<uint8_t>& rgb) {
  return std::make_shared<Texture>("texel", rgb, 3, 1, 1, false, false, GL_NEAREST, GL_NEAREST);
}

// Mean absolute difference per channel over the whole picture.
float MeanDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  double sum = 0.0;
  for (size_t i = 0; i < a.size(); ++i) {
    if (i % 4 != 3) sum += std::abs(static_cast<int>(a[i]) - static_cast<int>(b[i]));
  }
  return static_cast<float>(sum / (a.size() * 3 / 4));
}

void SavePicture(const std::string& name, const std::vector<uint8_t>& pixels) {
  if (const char* dir = std::getenv("RENDER_TEST_PNG_DIR")) {
    WritePng(std::string(dir) + "/" + name + ".png", pixels, kSide, kSide);
  }
}

// --- Tangents: a square whose normal texture leans every normal towards growing u and
// falling v (the texture's x and y). ---

struct TangentCase {
  const char* name;
  bool mirrored_uv;    // u grows towards -x, and the tangent's w says so
  bool mirrored_node;  // the node's matrix turns x round
  float eye_z;         // 4 looks at the front, -4 at the back
  glm::vec2 lean;      // the world x and y the seen normals must lean to
};

const TangentCase kTangentCases[] = {
    {"plain", false, false, 4.0f, {1, 1}},
    {"mirrored_uv", true, false, 4.0f, {-1, 1}},
    {"mirrored_node", false, true, 4.0f, {-1, 1}},
    // The back of a sheet sees the front's normals turned round.
    {"back", false, false, -4.0f, {-1, -1}},
};

// The square of one case with or without its tangent stream.
std::shared_ptr<Primitive> LeaningSquare(const TangentCase& c, bool tangents) {
  auto square = MakeSquare(1.0f);
  const float u_x = c.mirrored_uv ? -1.0f : 1.0f;
  if (c.mirrored_uv) square->texcoords = {1, 1, 0, 1, 0, 0, 1, 0};
  if (tangents) {
    for (int i = 0; i < 4; ++i) square->tangents.insert(square->tangents.end(), {u_x, 0, 0, u_x});
    square->tangent_components = 4;
  }
  return square;
}

// Draws only the given node of the scene.
std::vector<uint8_t> RenderOnly(Objects3D& scene, const Node& shown) {
  for (const auto& node : scene.data.nodes) node->enabled = node->index == 0 || node.get() == &shown;
  return Render(scene);
}

TEST_F(MaterialRenderTest, DerivedTangentsGiveThePictureOfTheTangentStream) {
  constexpr int kAt = kSide / 2 - 8;
  auto scene = MakeScene({0, 0, 4});
  auto material = LitMaterial({1, 1, 1, 1}, 1, 0);
  material->normal_texture = OneTexel({191, 191, 218});  // (0.5, 0.5, 0.71)
  Light& sun = *scene->AddLight();
  sun.type = kLightTypeDirectional;
  sun.intensity = 3.0f;
  scene->render_context->ibl_color = glm::vec4(0.0f);
  for (const TangentCase& c : kTangentCases) {
    scene->data.cameras[0]->LookAt(0, 0, c.eye_z, 0, 0, 0, 0, 1, 0);
    std::vector<uint8_t> towards[2], away[2];  // with the tangent stream, derived
    for (const bool tangents : {true, false}) {
      Node& node = scene->AddPrimitive(LeaningSquare(c, tangents), material, nullptr);
      if (c.mirrored_node) node.instances[0] = glm::scale(glm::mat4(1.0f), {-1.0f, 1.0f, 1.0f});
      // Lit from the side the normals must lean to, then from the other side.
      const float z = std::copysign(1.0f, c.eye_z);
      sun.direction = -glm::normalize(glm::vec3(c.lean, z));
      towards[tangents] = RenderOnly(*scene, node);
      sun.direction = -glm::normalize(glm::vec3(-c.lean, z));
      away[tangents] = RenderOnly(*scene, node);
      const std::string name = std::string(c.name) + (tangents ? "_tangents" : "_derived");
      SavePicture(name, towards[tangents]);
      EXPECT_GT(MeanOver(towards[tangents], kAt, kAt, 16, 3),
                MeanOver(away[tangents], kAt, kAt, 16, 3) + 100.0f) << name;
    }
    EXPECT_LT(MeanDifference(towards[1], towards[0]), 1.0f) << c.name;
    EXPECT_LT(MeanDifference(away[1], away[0]), 1.0f) << c.name;
  }
  EXPECT_TRUE(NoGLError());
}

// --- Factors: a textured material against the untextured material of the same values. ---

struct FactorCase {
  const char* name;
  std::function<void(Material&)> textured;
  std::function<void(Material&)> plain;
  float plain_ibl = 1.0f;  // the untextured side's image-based light, for occlusion
};

const FactorCase kFactorCases[] = {
    // A grey roughness texture read as metal-roughness: blue 1 must not make it metal.
    {"metallic_factor_scales_blue",
     [](Material& m) {
       m.metallic_roughness_texture = OneTexel({0, 255, 255});
       m.metallic = 0.0f;
       m.roughness = 0.4f;
     },
     [](Material& m) {
       m.metallic = 0.0f;
       m.roughness = 0.4f;
     }},
    {"roughness_factor_scales_green",
     [](Material& m) {
       m.metallic_roughness_texture = OneTexel({0, 128, 255});
       m.metallic = 1.0f;
       m.roughness = 0.6f;
     },
     [](Material& m) {
       m.metallic = 1.0f;
       m.roughness = 0.6f * 128.0f / 255.0f;
     }},
    // (0.71, 0, 0.71) with x halved is (0.45, 0, 0.89), the texel (185, 128, 242).
    {"normal_scale_scales_x_and_y",
     [](Material& m) {
       m.normal_texture = OneTexel({218, 128, 218});
       m.normal_scale = 0.5f;
     },
     [](Material& m) { m.normal_texture = OneTexel({185, 128, 242}); }},
    // Occlusion 0 at strength 0.25 keeps three quarters of the image-based light.
    {"occlusion_strength_mixes_occlusion_in",
     [](Material& m) {
       m.occlusion_texture = OneTexel({0, 0, 0});
       m.occlusion_strength = 0.25f;
     },
     [](Material&) {}, 0.75f},
};

TEST_F(MaterialRenderTest, TexturesScaledByTheirFactorsLookLikeTheValues) {
  auto scene = MakeScene({0, 0, 4});
  AddPointLight(*scene, {-0.8f, 0.3f, 2.0f}, 8.0f);
  auto render = [&](const std::function<void(Material&)>& make, float ibl) {
    auto material = LitMaterial({0.9f, 0.4f, 0.2f, 1}, 1, 0);
    make(*material);
    const Node& node = scene->AddPrimitive(MakeSquare(1.0f), material, nullptr);
    scene->render_context->ibl_color = glm::vec4(1.0f, 1.0f, 1.0f, ibl);
    return RenderOnly(*scene, node);
  };
  for (const FactorCase& c : kFactorCases) {
    const auto textured = render(c.textured, 1.0f);
    const auto plain = render(c.plain, c.plain_ibl);
    SavePicture(std::string(c.name) + "_textured", textured);
    SavePicture(std::string(c.name) + "_plain", plain);
    EXPECT_LT(MeanDifference(textured, plain), 1.0f) << c.name;
  }
  EXPECT_TRUE(NoGLError());
}

}  // namespace
