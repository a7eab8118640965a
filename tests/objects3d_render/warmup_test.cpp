// Shader variants built while loading: after the warm-up no pass a show can switch on, and no
// instance count it can give a node, compiles anything new, and the scene draws as it did.

#include <set>
#include <string>
#include <tuple>

#include <GL/glew.h>
#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include "objects3d/context/rendercontext.h"
#include "objects3d/objects3d_warmup.h"
#include "objects3d/procedural.h"
#include "render_scene.h"
#include "util/fbo/fbo.h"
#include "support/gl_state.h"
#include "util/glstate/face_culling.h"
#include "util/light/light.h"
#include "util/light/shadowcubemap.h"
#include "util/passtiming/passtiming.h"

namespace {

class WarmUpTest : public GLTest {};

// A floor, a cube, and a glowing row of balls with a colour each that starts switched off; one
// light.
std::unique_ptr<Objects3D> Stage() {
  auto scene = MakeScene({0, 6, 6});
  Node& floor = scene->AddPrimitive(MakePlane(8, 8, 1), LitMaterial({1, 1, 1, 1}, 1, 0), nullptr);
  floor.instances[0] = glm::translate(glm::mat4(1.0f), {0, -1, 0});
  scene->AddPrimitive(MakeCube(glm::vec3(1.0f), glm::vec3(1.0f)), LitMaterial({0.8f, 0.2f, 0.2f, 1}, 1, 0),
                      nullptr);
  auto glowing = LitMaterial({0.2f, 0.2f, 0.2f, 1}, 0.5f, 0);
  glowing->emissive = {1, 0.5f, 0};
  Node& balls = scene->AddPrimitive(MakeIcosahedron(), glowing, nullptr);
  balls.enabled = 0;
  AddPointLight(*scene, {0, 4, 0}, 60.0f);
  return scene;
}

Node& Balls(Objects3D& scene) { return *scene.data.nodes.back(); }

// Shows the balls as `count` instances, each with its own emission when `coloured`.
void ShowBalls(Objects3D& scene, size_t count, bool coloured) {
  Node& balls = Balls(scene);
  balls.enabled = 1;
  balls.instances.clear();
  for (size_t i = 0; i < count; ++i) {
    balls.instances.push_back(glm::translate(glm::mat4(1.0f), {-2.0f + 2.0f * i, 1.5f, 0}));
  }
  auto& emissions = scene.GetMaterial(balls)->instance_emission_colors;
  emissions.clear();
  if (coloured) emissions.assign(count, glm::vec3(0, 1, 0));
}

TEST_F(WarmUpTest, NoPassOrInstanceCountCompilesAfterIt) {
  auto scene = Stage();
  WarmUpShaderVariants(*scene, 4);
  ASSERT_TRUE(scene->render_context);
  const size_t variants = scene->render_context->VariantCount();
  EXPECT_GT(variants, 10u);
  struct Case {
    uint8_t shadows, glow, dof;
    size_t balls;
    bool coloured;
  };
  const Case cases[] = {
      {0, 0, 0, 1, false}, {1, 0, 0, 1, false}, {1, 1, 0, 3, true},  {0, 1, 1, 3, false},
      {1, 1, 1, 2, true},  {0, 0, 1, 1, false}, {1, 0, 1, 3, true},  {0, 1, 0, 1, false},
  };
  for (const Case& c : cases) {
    scene->shadows_enabled = c.shadows;
    scene->glow_enabled = c.glow;
    scene->dof_enabled = c.dof;
    ShowBalls(*scene, c.balls, c.coloured);
    Render(*scene);
    EXPECT_EQ(scene->render_context->VariantCount(), variants)
        << "shadows " << int(c.shadows) << " glow " << int(c.glow) << " dof " << int(c.dof)
        << " balls " << c.balls << (c.coloured ? " coloured" : "");
  }
  EXPECT_TRUE(NoGLError());
}

// Shadowed, the scene shades its first light in the same draw as the ambient light and any
// further light in a pass of its own, so which lights are on decides the programs a frame uses.
TEST_F(WarmUpTest, NoLightSwitchedOnOrOffCompilesAfterIt) {
  auto scene = Stage();
  AddPointLight(*scene, {2, 3, 2}, 30.0f);
  scene->shadows_enabled = 1;
  for (const auto& light : scene->data.lights) light->enabled = 0;
  WarmUpShaderVariants(*scene, 0);
  EXPECT_EQ(scene->data.lights[0]->enabled, 0);
  // The warm-up drew both lights in one draw, the second reading a map beside the shared one;
  // a show that never lights both keeps no such map.
  EXPECT_TRUE(!scene->data.lights[1]->shadow_map ||
              scene->data.lights[1]->shadow_map == CurrentShadowCubeMap());
  const size_t variants = scene->render_context->VariantCount();
  struct Case {
    uint8_t lights, first, second;
  };
  const Case cases[] = {{1, 1, 0}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}, {1, 0, 0}};
  for (const Case& c : cases) {
    scene->lights_enabled = c.lights;
    scene->data.lights[0]->enabled = c.first;
    scene->data.lights[1]->enabled = c.second;
    Render(*scene);
    EXPECT_EQ(scene->render_context->VariantCount(), variants)
        << "lights " << int(c.lights) << " first " << int(c.first) << " second " << int(c.second);
  }
  EXPECT_TRUE(NoGLError());
}

// A part whose material changes after the whole scene was warmed (a picture put on it) is warmed
// alone: none of its passes compiles afterwards, and the scene is left as it was.
TEST_F(WarmUpTest, ANodeWarmedAloneCompilesNothingAfterIt) {
  auto scene = Stage();
  WarmUpShaderVariants(*scene, 0);
  const FBO picture(16, 16, FBOType::Color, 0);
  Node& balls = Balls(*scene);
  scene->GetMaterial(balls)->base_color_texture = picture.color_textures.front();
  WarmUpNodeShaderVariants(*scene, balls, 0);
  EXPECT_EQ(balls.enabled, 0);
  const size_t variants = scene->render_context->VariantCount();
  ShowBalls(*scene, 1, false);
  const struct {
    uint8_t shadows, glow, dof;
  } cases[] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 1}};
  for (const auto& c : cases) {
    scene->shadows_enabled = c.shadows;
    scene->glow_enabled = c.glow;
    scene->dof_enabled = c.dof;
    Render(*scene);
    EXPECT_EQ(scene->render_context->VariantCount(), variants)
        << "shadows " << int(c.shadows) << " glow " << int(c.glow) << " dof " << int(c.dof);
  }
  EXPECT_TRUE(NoGLError());
}

TEST_F(WarmUpTest, SceneDrawsAsItDidBefore) {
  auto warmed = Stage();
  auto plain = Stage();
  // Warmed while loading, before the scene has a size; with light markers on.
  warmed->render_width = warmed->render_height = -1;
  warmed->draw_light_markers = 1;
  for (Objects3D* scene : {warmed.get(), plain.get()}) {
    scene->shadows_enabled = 1;
    scene->glow_enabled = 1;
  }
  WarmUpShaderVariants(*warmed, 0);
  EXPECT_EQ(warmed->render_width, -1);
  warmed->render_width = warmed->render_height = kSide;
  warmed->draw_light_markers = 0;
  EXPECT_EQ(Balls(*warmed).enabled, 0);
  EXPECT_EQ(warmed->shadows_enabled, 1);
  EXPECT_EQ(warmed->dof_enabled, 0);
  EXPECT_EQ(Render(*warmed), Render(*plain));
  EXPECT_TRUE(NoGLError());
}

// A module loaded before the warm-up may still count on the textures it left bound.
TEST_F(WarmUpTest, TexturesBoundBeforeStayBound) {
  auto scene = Stage();
  GLuint textures[2] = {0, 0};
  glGenTextures(2, textures);
  glActiveTexture(GL_TEXTURE3);
  glBindTexture(GL_TEXTURE_2D, textures[1]);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, textures[0]);
  WarmUpShaderVariants(*scene, 0);
  GLint active = 0, unit0 = 0, unit3 = 0;
  glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &unit0);
  glActiveTexture(GL_TEXTURE3);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &unit3);
  glActiveTexture(GL_TEXTURE0);
  EXPECT_EQ(active, GL_TEXTURE0);
  EXPECT_EQ(static_cast<GLuint>(unit0), textures[0]);
  EXPECT_EQ(static_cast<GLuint>(unit3), textures[1]);
  glBindTexture(GL_TEXTURE_2D, 0);
  glDeleteTextures(2, textures);
  EXPECT_TRUE(NoGLError());
}

// The GL state a pass begins in, as far as the software rasteriser builds its code per state
// and the pass does not set it itself: blending on or off, multisampled rasterising, and the
// bound target's sample count, colour format and whether its sides are powers of two (later
// passes read the target).
struct PassState {
  std::string pass;
  GLint blend, multisample, samples, format, power_of_two_sides;
  auto Tied() const { return std::tie(pass, blend, multisample, samples, format, power_of_two_sides); }
  bool operator<(const PassState& other) const { return Tied() < other.Tied(); }
};

bool IsPowerOfTwo(GLint n) { return n > 0 && (n & (n - 1)) == 0; }

PassState CurrentState(const char* pass) {
  PassState state{pass, glIsEnabled(GL_BLEND), glIsEnabled(GL_MULTISAMPLE), 0, 0, 0};
  glGetIntegerv(GL_SAMPLES, &state.samples);
  GLint type = GL_NONE, name = 0, width = 0, height = 0;
  glGetFramebufferAttachmentParameteriv(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0,
                                        GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE, &type);
  if (type == GL_TEXTURE) {
    glGetFramebufferAttachmentParameteriv(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0,
                                          GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME, &name);
    glGetTextureLevelParameteriv(static_cast<GLuint>(name), 0, GL_TEXTURE_INTERNAL_FORMAT, &state.format);
    glGetTextureLevelParameteriv(static_cast<GLuint>(name), 0, GL_TEXTURE_WIDTH, &width);
    glGetTextureLevelParameteriv(static_cast<GLuint>(name), 0, GL_TEXTURE_HEIGHT, &height);
  }
  state.power_of_two_sides = IsPowerOfTwo(width) * 2 + IsPowerOfTwo(height);
  return state;
}

// Records the state every pass begins in while it is alive.
class PassStates : public PassTimer {
 public:
  PassStates() { SetPassTimer(this); }
  ~PassStates() override { SetPassTimer(nullptr); }
  PassStates(const PassStates&) = delete;
  PassStates& operator=(const PassStates&) = delete;
  void Begin(const char* name) override { seen.insert(CurrentState(name)); }
  void End() override {}
  std::set<PassState> seen;
};

// A scene drawn as a show draws it, blended, into a multisampled target of no power-of-two size,
// with multisampled rasterising on or off (the caller's), begins every pass of its frames in a
// state the warm-up, run while loading in the same caller's state, drew in.
TEST_F(WarmUpTest, EveryPassOfAFrameBeginsInAStateTheWarmUpDrewIn) {
  struct Case {
    uint8_t glow, dof, shadows;
  };
  const Case cases[] = {{1, 0, 1}, {1, 1, 1}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}};
  for (const GLboolean multisample : {GL_TRUE, GL_FALSE}) {
    auto scene = Stage();
    scene->render_width = scene->render_height = -1;  // warmed while loading, unsized
    SetEnabled(GL_MULTISAMPLE, multisample);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    std::set<PassState> warmed;
    {
      const PassStates states;
      WarmUpShaderVariants(*scene, 4);
      warmed = states.seen;
    }
    constexpr int kShowLikeSide = 90;
    scene->render_width = scene->render_height = kShowLikeSide;
    for (const Case& c : cases) {
      scene->glow_enabled = c.glow;
      scene->dof_enabled = c.dof;
      scene->shadows_enabled = c.shadows;
      const PassStates states;
      RenderSampled(*scene, 4, true, kShowLikeSide);
      for (const PassState& state : states.seen) {
        EXPECT_TRUE(warmed.count(state))
            << "pass " << state.pass << " multisample " << int(multisample) << " glow "
            << int(c.glow) << " dof " << int(c.dof) << " shadows " << int(c.shadows);
      }
    }
  }
  glEnable(GL_MULTISAMPLE);
  glDisable(GL_BLEND);
  EXPECT_TRUE(NoGLError());
}

}  // namespace
