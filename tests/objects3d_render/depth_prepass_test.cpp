// The depth pre-pass changes how often a pixel is shaded, never what it shows: each scene draws
// the same with the pre-pass on and off, in every pass combination.

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include "objects3d/context/rendercontext.h"
#include "objects3d/procedural.h"
#include "render_scene.h"
#include "support/gl_state.h"

namespace {

class DepthPrepassTest : public GLTest {};

// Cubes behind cubes on a floor, a seen-through square in front of one and a masked-away one in
// front of another, a glowing cube; one light.
std::unique_ptr<Objects3D> Overlaps() {
  auto scene = MakeScene({0, 3, 6});
  Node& floor = scene->AddPrimitive(MakePlane(8, 8, 1), LitMaterial({1, 1, 1, 1}, 1, 0), nullptr);
  floor.instances[0] = glm::translate(glm::mat4(1.0f), {0, -1, 0});
  const glm::vec3 cubes[] = {{-1.2f, 0, 0}, {-0.8f, 0.2f, -1.5f}, {1.2f, 0, 0}, {1.0f, 0.3f, -2.0f}};
  for (const glm::vec3& at : cubes) {
    Node& cube = scene->AddPrimitive(MakeCube(glm::vec3(1.0f), glm::vec3(1.0f)),
                                     LitMaterial({0.8f, 0.3f, 0.2f, 1}, 0.4f, 0.2f), nullptr);
    cube.instances[0] = glm::translate(glm::mat4(1.0f), at);
  }
  Node& glass = scene->AddPrimitive(MakeSquare(0.6f), LitMaterial({0.2f, 0.4f, 1, 0.4f}, 0.3f, 0), nullptr);
  glass.instances[0] = glm::translate(glm::mat4(1.0f), {-1.2f, 0, 1.2f});
  // Opaque by its factor, cut away by its vertex alpha: only the mask hides it.
  auto masked = LitMaterial({0.2f, 1, 0.2f, 1}, 0.3f, 0);
  masked->alpha_mask = 1;
  auto holes = MakeSquare(0.6f);
  holes->colors = {1, 1, 1, 0, 1, 1, 1, 0, 1, 1, 1, 0, 1, 1, 1, 0};
  holes->color_components = 4;
  Node& cut = scene->AddPrimitive(holes, masked, nullptr);
  cut.instances[0] = glm::translate(glm::mat4(1.0f), {1.2f, 0, 1.2f});
  auto glowing = LitMaterial({0.1f, 0.1f, 0.1f, 1}, 0.5f, 0);
  glowing->emissive = {1, 0.6f, 0.1f};
  Node& lamp = scene->AddPrimitive(MakeCube(glm::vec3(0.4f), glm::vec3(1.0f)), glowing, nullptr);
  lamp.instances[0] = glm::translate(glm::mat4(1.0f), {0, 0.2f, -0.5f});
  AddPointLight(*scene, {0, 3, 1}, 40.0f);
  return scene;
}

TEST_F(DepthPrepassTest, PictureIsTheSameWithAndWithout) {
  struct Case {
    const char* name;
    uint8_t shadows, glow, dof;
  };
  const Case cases[] = {{"plain", 0, 0, 0}, {"shadowed", 1, 0, 0}, {"glow", 0, 1, 0},
                        {"everything", 1, 1, 1}};
  auto scene = Overlaps();
  for (const Case& c : cases) {
    scene->shadows_enabled = c.shadows;
    scene->glow_enabled = c.glow;
    scene->dof_enabled = c.dof;
    scene->depth_prepass = 0;
    const auto without = Render(*scene, glm::vec4(0.1f, 0.1f, 0.1f, 1.0f));
    scene->depth_prepass = 1;
    // The pre-pass through the glow programs and through the colourless depth programs.
    for (const uint8_t colourless : {0, 1}) {
      scene->render_context->shortcuts.colourless_depth_programs = colourless;
      const auto with = Render(*scene, glm::vec4(0.1f, 0.1f, 0.1f, 1.0f));
      EXPECT_LE(LargestDifference(with, without), 1) << c.name << " colourless " << int{colourless};
    }
  }
  EXPECT_TRUE(NoGLError());
}

// A shadowed scene's pre-pass draws through the programs its shadow faces use already: it adds
// no variant of its own.
TEST_F(DepthPrepassTest, ColourlessPrepassSharesTheShadowFacePrograms) {
  const auto variants = [](uint8_t prepass, uint8_t colourless) {
    auto scene = Overlaps();
    scene->shadows_enabled = 1;
    scene->glow_enabled = 0;
    scene->depth_prepass = prepass;
    scene->render_context->shortcuts.colourless_depth_programs = colourless;
    Render(*scene);
    return scene->render_context->VariantCount();
  };
  const size_t without = variants(0, 1);
  EXPECT_EQ(variants(1, 1), without);
  EXPECT_GT(variants(1, 0), without);
  EXPECT_TRUE(NoGLError());
}

}  // namespace
