// Shading the first shadowed light in the same draw as the image-based light, and every further
// shadowed light in that draw too (each with the cube map of its place in the draw), changes how
// often the scene is drawn, not what it shows: each case draws the same as with the ambient pass
// and an additive pass per light.

#include <array>
#include <functional>
#include <set>

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include "objects3d/context/rendercontext.h"
#include "objects3d/procedural.h"
#include "objects3d/shadow_faces.h"
#include "render_scene.h"
#include "support/gl_state.h"
#include "util/light/light.h"
#include "util/light/shadowcubemap.h"

namespace {

class OnePassLightTest : public GLTest {};

glm::mat4 At(const glm::vec3& position) { return glm::translate(glm::mat4(1.0f), position); }

// A floor and a cube that shades part of it from a light up and to the side: lit and
// shadowed floor, a lit top and a dark side on the cube.
std::unique_ptr<Objects3D> LitStage() {
  auto scene = MakeScene({0, 3, 6});
  scene->shadows_enabled = 1;
  Node& floor = scene->AddPrimitive(MakePlane(8, 8, 1), LitMaterial({0.9f, 0.9f, 0.8f, 1}, 0.7f, 0), nullptr);
  floor.instances[0] = At({0, -1, 0});
  Node& cube = scene->AddPrimitive(MakeCube(glm::vec3(1.0f), glm::vec3(1.0f)),
                                   LitMaterial({0.8f, 0.3f, 0.2f, 1}, 0.4f, 0.3f), nullptr);
  cube.instances[0] = At({0, -0.5f, 0});
  AddPointLight(*scene, {1.5f, 3, 1}, 30.0f);
  return scene;
}

// The stage with a post beside the cube, lit by three coloured lights from different sides, so
// that each light throws its own shadows and the shadows of one cover the light of another.
std::unique_ptr<Objects3D> ThreeLightStage() {
  auto scene = LitStage();
  Node& post = scene->AddPrimitive(MakeCube(glm::vec3(0.3f, 2.0f, 0.3f), glm::vec3(1.0f)),
                                   LitMaterial({0.3f, 0.8f, 0.4f, 1}, 0.5f, 0), nullptr);
  post.instances[0] = At({1.4f, 0, 0.6f});
  scene->data.lights[0]->color = {1, 1, 0.7f};
  AddPointLight(*scene, {-2, 2.5f, 1.5f}, 20.0f).color = {0.4f, 0.7f, 1};
  AddPointLight(*scene, {0.5f, 2, -2}, 25.0f).color = {1, 0.2f, 0.5f};
  return scene;
}

// A roof over the middle of the floor, which keeps the light off the square in front of the
// cube and off the floor seen through it.
void AddRoof(Objects3D& scene) {
  auto roof = MakePlane(3, 3, 1);
  Node& node = scene.AddPrimitive(roof, LitMaterial({0.5f, 0.5f, 0.5f, 1}, 0.9f, 0), nullptr);
  node.instances[0] = At({0, 2, 0});
  scene.data.lights[0]->position = glm::vec4(0, 4, 0, 1);
}

void AddSquare(Objects3D& scene, const std::shared_ptr<Primitive>& square,
               const std::shared_ptr<Material>& material, const glm::vec3& position) {
  Node& node = scene.AddPrimitive(square, material, nullptr);
  node.instances[0] = At(position);
}

// A small glowing cube on the floor.
void AddLamp(Objects3D& scene) {
  auto glowing = LitMaterial({0.2f, 0.2f, 0.2f, 1}, 0.5f, 0);
  glowing->emissive = {1, 0.6f, 0.1f};
  Node& lamp = scene.AddPrimitive(MakeCube(glm::vec3(0.4f), glm::vec3(1.0f)), glowing, nullptr);
  lamp.instances[0] = At({-1.2f, -0.6f, 0.8f});
}

struct Case {
  const char* name;
  std::function<void(Objects3D&)> change;
  int samples = 0;
  bool blend = false;
};

std::vector<Case> Cases() {
  return {
      {"lit and shadowed", [](Objects3D&) {}},
      {"light beyond white with exposure",
       [](Objects3D& s) {
         s.data.lights[0]->intensity = 400.0f;
         s.render_context->exposure = 1.8f;
       }},
      {"emission", AddLamp},
      {"translucent over opaque, out of the light",
       [](Objects3D& s) {
         AddRoof(s);
         AddSquare(s, MakeSquare(0.5f), LitMaterial({0.2f, 0.4f, 1, 0.4f}, 0.3f, 0), {0, 0, 0.8f});
       },
       0, true},
      {"alpha mask",
       [](Objects3D& s) {
         auto masked = LitMaterial({0.2f, 1, 0.2f, 1}, 0.3f, 0);
         masked->alpha_mask = 1;
         auto half_cut = MakeSquare(0.6f);
         half_cut->colors = {1, 1, 1, 0, 1, 1, 1, 0, 1, 1, 1, 1, 1, 1, 1, 1};
         half_cut->color_components = 4;
         AddSquare(s, half_cut, masked, {0.9f, 0, 1.2f});
       }},
      {"unlit",
       [](Objects3D& s) {
         AddSquare(s, MakeSquare(0.5f), UnlitMaterial({1, 0.5f, 0.2f, 1}), {-1, 0, 1});
       }},
      {"two shadowed lights",
       [](Objects3D& s) { AddPointLight(s, {-2, 2.5f, 1.5f}, 20.0f).color = {0.4f, 0.6f, 1}; }},
      {"four samples", [](Objects3D&) {}, 4},
  };
}

TEST_F(OnePassLightTest, PictureIsTheSameAsWithAnAdditivePass) {
  for (const Case& c : Cases()) {
    auto scene = LitStage();
    c.change(*scene);
    scene->one_pass_light = 0;
    const auto two_passes = RenderSampled(*scene, c.samples, c.blend);
    scene->one_pass_light = 1;
    const auto one_pass = RenderSampled(*scene, c.samples, c.blend);
    EXPECT_LE(LargestDifference(one_pass, two_passes), 2) << c.name;
  }
  EXPECT_TRUE(NoGLError());
}

std::vector<Case> LightSetCases() {
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
      {"emission", AddLamp},
      {"four samples", [](Objects3D&) {}, 4},
  };
}

TEST_F(OnePassLightTest, EveryShadowedLightInOneDrawLooksAsAnAdditivePassPerFurtherLight) {
  for (const Case& c : LightSetCases()) {
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

// The maps other than the shared one that the scenes' lights hold, each counted once.
size_t PlacedMapsHeld(std::initializer_list<const Objects3D*> scenes) {
  std::set<const ShadowCubeMap*> maps;
  for (const Objects3D* scene : scenes) {
    for (const auto& light : scene->data.lights) {
      if (light->shadow_map != CurrentShadowCubeMap()) maps.insert(light->shadow_map.get());
    }
  }
  maps.erase(nullptr);
  return maps.size();
}

// Lights drawn together read a map each, kept from frame to frame, and a light that a frame
// leaves out or draws alone holds no map but the shared one. When the first light goes out, the
// second takes the first place and the third the second: the picture stays that of an
// additive pass per light. A second scene's lights drawn together read the first scene's maps.
TEST_F(OnePassLightTest, OnlyLightsDrawnTogetherHoldMapsBesideTheSharedOne) {
  // All made before any draws: making a scene while a map exists asks for maps at its size.
  auto scene = ThreeLightStage();
  auto reference = ThreeLightStage();
  auto second = ThreeLightStage();
  reference->shadowed_lights_in_one_draw = 0;
  reference->data.lights[0]->enabled = 0;
  const auto per_light = RenderSampled(*reference, 0);
  const struct {
    std::array<uint8_t, 3> on;
    size_t placed_maps;
  } frames[] = {{{1, 1, 1}, 2}, {{0, 1, 1}, 1}, {{0, 1, 1}, 1}, {{1, 0, 0}, 0}};
  const ShadowCubeMap* third_map = nullptr;
  for (const auto& frame : frames) {
    const auto at = &frame - frames;
    for (size_t i = 0; i < 3; ++i) scene->data.lights[i]->enabled = frame.on[i];
    const auto picture = RenderSampled(*scene, 0);
    EXPECT_EQ(PlacedMapsHeld({scene.get()}), frame.placed_maps) << "frame " << at;
    if (frame.on[0]) continue;
    EXPECT_LE(LargestDifference(picture, per_light), 2) << "frame " << at;
    // Drawn again, the third light reads the map it read before, whose faces still hold what it
    // casts and are not drawn again.
    if (third_map) {
      EXPECT_EQ(scene->data.lights[2]->shadow_map.get(), third_map) << "frame " << at;
      EXPECT_EQ(scene->shadow_faces->last_stats().faces_drawn, 0) << "frame " << at;
    }
    third_map = scene->data.lights[2]->shadow_map.get();
  }
  for (const auto& light : scene->data.lights) light->enabled = 1;
  for (Objects3D* drawn : {scene.get(), second.get()}) RenderSampled(*drawn, 0);
  EXPECT_EQ(PlacedMapsHeld({scene.get(), second.get()}), 2u) << "a second scene";
  EXPECT_TRUE(NoGLError());
}

}  // namespace
