// Lit programs built without the light kinds their pass does not have draw what the programs
// with every kind draw, for each mix of point, spot and directional lights, with and without
// shadows.

#include <vector>

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include "objects3d/context/rendercontext.h"
#include "objects3d/procedural.h"
#include "render_scene.h"
#include "support/gl_state.h"
#include "util/light/light.h"

namespace {

class LightKindVariantsTest : public GLTest {};

// A floor with a cube on it, seen from above and in front, lit by one light of each kind asked.
std::unique_ptr<Objects3D> Stage(const std::vector<int32_t>& kinds) {
  auto scene = MakeScene({0, 4, 5});
  Node& floor = scene->AddPrimitive(MakePlane(8, 8, 1), LitMaterial({0.9f, 0.9f, 0.8f, 1}, 0.6f, 0), nullptr);
  floor.instances[0] = glm::translate(glm::mat4(1.0f), {0, -1, 0});
  scene->AddPrimitive(MakeCube(glm::vec3(1.0f), glm::vec3(1.0f)), LitMaterial({0.8f, 0.3f, 0.2f, 1}, 0.4f, 0.3f),
                      nullptr);
  float x = -1.5f;
  for (const int32_t kind : kinds) {
    Light& light = AddPointLight(*scene, {x, 3, 1}, 25.0f);
    light.type = kind;
    light.direction = glm::normalize(glm::vec3(-x, -3.0f, -1.0f));
    light.inner_cone = 0.3f;
    light.outer_cone = 0.5f;
    x += 1.5f;
  }
  scene->render_context->ibl_color = glm::vec4(0.2f);
  return scene;
}

TEST_F(LightKindVariantsTest, ProgramsWithoutUnusedKindsDrawTheSame) {
  constexpr int32_t kPoint = 1;
  const struct {
    const char* name;
    std::vector<int32_t> kinds;
  } sets[] = {
      {"point", {kPoint}},
      {"point and spot", {kPoint, kLightTypeSpot}},
      {"directional and point", {kLightTypeDirectional, kPoint}},
      {"spot, point, directional", {kLightTypeSpot, kPoint, kLightTypeDirectional}},
  };
  for (const auto& set : sets) {
    for (const uint8_t shadows : {0, 1}) {
      auto scene = Stage(set.kinds);
      scene->shadows_enabled = shadows;
      scene->render_context->shortcuts.light_kind_variants = 0;
      const auto every_kind = Render(*scene);
      scene->render_context->shortcuts.light_kind_variants = 1;
      EXPECT_LE(LargestDifference(Render(*scene), every_kind), 1) << set.name << ", shadows " << +shadows;
    }
  }
  EXPECT_TRUE(NoGLError());
}

}  // namespace
