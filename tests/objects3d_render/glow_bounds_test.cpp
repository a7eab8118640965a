// The glow composite blurs only around what emits light: the frame is the same as with the blur
// over the whole target, wherever the emitters are. The glow drawn and blurred at half size and
// stretched over the frame gives nearly the frame of the full-size glow, wherever the emitters
// are and whatever covers them, and the glow itself is plainly there.

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include "objects3d/procedural.h"
#include "render_scene.h"
#include "support/gl_state.h"
#include "support/test_images.h"

namespace {

class GlowBoundsTest : public GLTest {};

struct Emitter {
  glm::vec3 at;
  float size;
  glm::vec3 emission;
  glm::vec3 stretch{1.0f};  // the cube's size on each axis is `size` times this
};

constexpr glm::vec3 kEye{0, 2, 6};

// A lit grey floor and cube with the given glowing cubes, seen from `eye`.
std::unique_ptr<Objects3D> Scene(const std::vector<Emitter>& emitters,
                                 const glm::vec3& eye = kEye) {
  auto scene = MakeScene(eye);
  Node& floor = scene->AddPrimitive(MakePlane(8, 8, 1), LitMaterial({0.5f, 0.5f, 0.5f, 1}, 1, 0), nullptr);
  floor.instances[0] = glm::translate(glm::mat4(1.0f), {0, -1, 0});
  scene->AddPrimitive(MakeCube(glm::vec3(0.8f), glm::vec3(1.0f)), LitMaterial({0.4f, 0.4f, 0.8f, 1}, 0.5f, 0),
                      nullptr);
  for (const Emitter& e : emitters) {
    auto glowing = LitMaterial({0.1f, 0.1f, 0.1f, 1}, 0.5f, 0);
    glowing->emissive = e.emission;
    Node& node = scene->AddPrimitive(MakeCube(e.size * e.stretch, glm::vec3(1.0f)), glowing, nullptr);
    node.instances[0] = glm::translate(glm::mat4(1.0f), e.at);
  }
  AddPointLight(*scene, {0, 3, 2}, 30.0f);
  scene->glow_enabled = 1;
  return scene;
}

// Glowing cubes drawn at the scene's lights, two of them in view.
void AddLightMarkers(Objects3D& scene) {
  AddPointLight(scene, {-1.6f, 0.2f, 0}, 10.0f);
  AddPointLight(scene, {1.2f, -0.5f, 1.5f}, 10.0f);
  auto marker = std::make_shared<Objects3D>();
  marker->AddMasterNode();
  auto glowing = LitMaterial({0.1f, 0.1f, 0.1f, 1}, 0.5f, 0);
  glowing->emissive = {1, 1, 0};
  marker->AddPrimitive(MakeCube(glm::vec3(0.4f), glm::vec3(1.0f)), glowing, nullptr);
  marker->Resize(kSide, kSide, 1.0f);
  scene.light_marker = marker;
  scene.draw_light_markers = 1;
}

TEST_F(GlowBoundsTest, FrameIsTheSameAsWithTheWholeTargetBlurred) {
  struct Case {
    const char* name;
    std::vector<Emitter> emitters;
    bool markers = false;
    glm::vec3 eye = kEye;
  };
  // A strip 300 wide whose near corners lie 2^-18 in front of the eye (which looks down -z):
  // they project some 2^34 pixels to either side.
  const Emitter strip{{0, -0.3f, 5}, 1.0f, {1, 0.3f, 0}, {300, 0.05f, 2 - 0x1p-17f}};
  const Case cases[] = {
      {"light markers and one emitter", {{{0, 0.8f, 0}, 0.3f, {1, 0.5f, 0}}}, true},
      {"light markers alone", {}, true},
      {"one in the middle", {{{0, 0.8f, 0}, 0.3f, {1, 0.5f, 0}}}},
      {"two apart, one at the edge", {{{-2.6f, 0, 0}, 0.3f, {0, 1, 0}}, {{2.0f, 1.4f, -1}, 0.2f, {1, 1, 1}}}},
      {"one half out of the picture", {{{3.4f, 0, 0}, 0.6f, {1, 0, 0}}}},
      {"one reaching behind the camera", {{{0, 2, 6}, 2.0f, {0, 0, 1}}}},
      {"none lit", {{{0, 0.8f, 0}, 0.3f, {0, 0, 0}}}},
      {"a wide strip reaching just in front of the eye", {strip}, false, {0, 0, 6}},
  };
  const auto keep = HoldSharedResources();
  for (const Case& c : cases) {
    auto scene = Scene(c.emitters, c.eye);
    if (c.markers) AddLightMarkers(*scene);
    for (const uint8_t half_size : {0, 1}) {
      scene->glow_half_size = half_size;
      scene->glow_bounded = 0;
      const auto whole = Render(*scene);
      scene->glow_bounded = 1;
      EXPECT_EQ(Render(*scene), whole) << c.name << (half_size ? " at half size" : "");
    }
  }
  EXPECT_TRUE(NoGLError());
}

// Large enough that the blur spreads over a few pixels, as at the show's sizes.
constexpr int kFrameSide = 512;

// The light the glow adds to a frame: the sum over every colour channel of what `lit` gains
// over `unlit`.
double AddedLight(const Pixels& lit, const Pixels& unlit) {
  double sum = 0.0;
  for (size_t i = 0; i < lit.size(); ++i) {
    if (i % 4 != 3 && lit[i] > unlit[i]) sum += lit[i] - unlit[i];
  }
  return sum;
}

TEST_F(GlowBoundsTest, FrameIsNearlyTheFullSizeGlowsFrame) {
  struct Case {
    const char* name;
    std::vector<Emitter> emitters;
    bool glows;
  };
  const Case cases[] = {
      {"one in the middle", {{{0, 1.0f, 0}, 0.3f, {1, 0.6f, 0.1f}}}, true},
      {"partly covered by the plain cube", {{{0.4f, 0.3f, -1.2f}, 0.5f, {0, 1, 0.5f}}}, true},
      {"at the frame's edges", {{{-2.9f, 0, 0}, 0.4f, {1, 1, 1}}, {{2.6f, 2.0f, 0}, 0.3f, {1, 0, 1}}}, true},
      {"thin and bright", {{{0, 0, 1.2f}, 0.03f, {1, 1, 1}}}, true},
      {"none lit", {{{0, 0.3f, 1.2f}, 0.3f, {0, 0, 0}}}, false},
  };
  const auto keep = HoldSharedResources();
  for (const Case& c : cases) {
    auto scene = Scene(c.emitters);
    scene->Resize(kFrameSide, kFrameSide, 1.0f);
    scene->glow_half_size = 0;
    const Pixels full = Render(*scene, glm::vec4(0.0f), kFrameSide);
    scene->glow_half_size = 1;
    const Pixels half = Render(*scene, glm::vec4(0.0f), kFrameSide);
    scene->glow_enabled = 0;
    const Pixels unlit = Render(*scene, glm::vec4(0.0f), kFrameSide);
    EXPECT_GE(Psnr(half, full), 40.0) << c.name;
    // Plainly some glow where something emits, at either size: the check above alone would
    // pass a frame that lost a faint glow at the edge. (The half-size glow spreads a little
    // wider, which after display encoding adds up to somewhat more.)
    const double light = AddedLight(full, unlit);
    if (c.glows) EXPECT_GT(light, 1000.0) << c.name;
    EXPECT_GE(AddedLight(half, unlit), 0.8 * light) << c.name;
  }
  EXPECT_TRUE(NoGLError());
}

}  // namespace
