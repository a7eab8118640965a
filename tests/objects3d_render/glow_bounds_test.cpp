// The glow composite blurs only around what emits light: the frame is the same as with the blur
// over the whole target, wherever the emitters are.

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include "objects3d/procedural.h"
#include "render_scene.h"
#include "support/gl_state.h"

namespace {

class GlowBoundsTest : public GLTest {};

struct Emitter {
  glm::vec3 at;
  float size;
  glm::vec3 emission;
};

// A lit grey floor and cube with the given glowing cubes, seen from (0, 2, 6).
std::unique_ptr<Objects3D> Scene(const std::vector<Emitter>& emitters) {
  auto scene = MakeScene({0, 2, 6});
  Node& floor = scene->AddPrimitive(MakePlane(8, 8, 1), LitMaterial({0.5f, 0.5f, 0.5f, 1}, 1, 0), nullptr);
  floor.instances[0] = glm::translate(glm::mat4(1.0f), {0, -1, 0});
  scene->AddPrimitive(MakeCube(glm::vec3(0.8f), glm::vec3(1.0f)), LitMaterial({0.4f, 0.4f, 0.8f, 1}, 0.5f, 0),
                      nullptr);
  for (const Emitter& e : emitters) {
    auto glowing = LitMaterial({0.1f, 0.1f, 0.1f, 1}, 0.5f, 0);
    glowing->emissive = e.emission;
    Node& node = scene->AddPrimitive(MakeCube(glm::vec3(e.size), glm::vec3(1.0f)), glowing, nullptr);
    node.instances[0] = glm::translate(glm::mat4(1.0f), e.at);
  }
  AddPointLight(*scene, {0, 3, 2}, 30.0f);
  scene->glow_enabled = 1;
  return scene;
}

TEST_F(GlowBoundsTest, FrameIsTheSameAsWithTheWholeTargetBlurred) {
  struct Case {
    const char* name;
    std::vector<Emitter> emitters;
  };
  const Case cases[] = {
      {"one in the middle", {{{0, 0.8f, 0}, 0.3f, {1, 0.5f, 0}}}},
      {"two apart, one at the edge", {{{-2.6f, 0, 0}, 0.3f, {0, 1, 0}}, {{2.0f, 1.4f, -1}, 0.2f, {1, 1, 1}}}},
      {"one half out of the picture", {{{3.4f, 0, 0}, 0.6f, {1, 0, 0}}}},
      {"one reaching behind the camera", {{{0, 2, 6}, 2.0f, {0, 0, 1}}}},
      {"none lit", {{{0, 0.8f, 0}, 0.3f, {0, 0, 0}}}},
  };
  for (const Case& c : cases) {
    auto scene = Scene(c.emitters);
    scene->glow_bounded = 0;
    const auto whole = Render(*scene);
    scene->glow_bounded = 1;
    EXPECT_EQ(Render(*scene), whole) << c.name;
  }
  EXPECT_TRUE(NoGLError());
}

}  // namespace
