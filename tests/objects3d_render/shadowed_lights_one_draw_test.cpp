// Shading every shadowed light in the one draw, each with a cube map of its own, changes how
// often the scene is drawn, not what it shows: each case draws the same as with the first light
// in that draw and an additive pass for each further light.

#include <functional>

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include "objects3d/context/rendercontext.h"
#include "objects3d/procedural.h"
#include "render_scene.h"
#include "support/gl_state.h"
#include "util/light/light.h"

namespace {

class ShadowedLightsOneDrawTest : public GLTest {};

glm::mat4 At(const glm::vec3& position) { return glm::translate(glm::mat4(1.0f), position); }

// A floor with a cube and a post on it, lit by three coloured lights from different sides, so
// that each light throws its own shadows and the shadows of one cover the light of another.
std::unique_ptr<Objects3D> ThreeLightStage() {
  auto scene = MakeScene({0, 3, 6});
  scene->shadows_enabled = 1;
  Node& floor = scene->AddPrimitive(MakePlane(8, 8, 1), LitMaterial({0.9f, 0.9f, 0.8f, 1}, 0.7f, 0), nullptr);
  floor.instances[0] = At({0, -1, 0});
  Node& cube = scene->AddPrimitive(MakeCube(glm::vec3(1.0f), glm::vec3(1.0f)),
                                   LitMaterial({0.8f, 0.3f, 0.2f, 1}, 0.4f, 0.3f), nullptr);
  cube.instances[0] = At({0, -0.5f, 0});
  Node& post = scene->AddPrimitive(MakeCube(glm::vec3(0.3f, 2.0f, 0.3f), glm::vec3(1.0f)),
                                   LitMaterial({0.3f, 0.8f, 0.4f, 1}, 0.5f, 0), nullptr);
  post.instances[0] = At({1.4f, 0, 0.6f});
  AddPointLight(*scene, {1.5f, 3, 1}, 30.0f).color = {1, 1, 0.7f};
  AddPointLight(*scene, {-2, 2.5f, 1.5f}, 20.0f).color = {0.4f, 0.7f, 1};
  AddPointLight(*scene, {0.5f, 2, -2}, 25.0f).color = {1, 0.2f, 0.5f};
  return scene;
}

struct Case {
  const char* name;
  std::function<void(Objects3D&)> change;
  int samples = 0;
};

std::vector<Case> Cases() {
  return {
      {"three point lights", [](Objects3D&) {}},
      {"middle light off", [](Objects3D& s) { s.data.lights[1]->enabled = 0; }},
      {"a spot light among them",
       [](Objects3D& s) {
         Light& spot = *s.data.lights[2];
         spot.type = 2;
         spot.direction = glm::normalize(glm::vec3(0, -1, 0.8f));
         spot.outer_cone = 0.6f;
       }},
      {"an unshadowed light among them", [](Objects3D& s) { s.data.lights[0]->type = 3; }},
      {"emission",
       [](Objects3D& s) {
         auto glowing = LitMaterial({0.2f, 0.2f, 0.2f, 1}, 0.5f, 0);
         glowing->emissive = {1, 0.6f, 0.1f};
         Node& lamp = s.AddPrimitive(MakeCube(glm::vec3(0.4f), glm::vec3(1.0f)), glowing, nullptr);
         lamp.instances[0] = At({-1.2f, -0.6f, 0.8f});
       }},
      {"four samples", [](Objects3D&) {}, 4},
  };
}

TEST_F(ShadowedLightsOneDrawTest, PictureIsTheSameAsWithAnAdditivePassPerFurtherLight) {
  for (const Case& c : Cases()) {
    auto scene = ThreeLightStage();
    c.change(*scene);
    scene->shadowed_lights_in_one_draw = 0;
    const auto per_light = RenderSampled(*scene, c.samples);
    scene->shadowed_lights_in_one_draw = 1;
    const auto one_draw = RenderSampled(*scene, c.samples);
    EXPECT_LE(LargestDifference(one_draw, per_light), 2) << c.name;
  }
  EXPECT_TRUE(NoGLError());
}

}  // namespace
