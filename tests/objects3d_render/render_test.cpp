// Pixel checks of the 3D passes in a small buffer: colours, instances, morphing, shadows, glow,
// depth of field, pre-warming, and the lighting faults that showed as wrong pixels.

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include "objects3d/context/rendercontext.h"
#include "objects3d/procedural.h"
#include "render_scene.h"
#include "scenes/scene.h"
#include "support/gl_state.h"
#include "support/messagebox_recorder.h"
#include "util/fbo/fbo.h"
#include "util/texture/texture.h"
#include "util/camera/camera.h"
#include "util/light/light.h"
#include "util/light/shadowcubemap.h"
#include "util/shaderprogram/shaderconstructor.h"
#include "util/shaderprogram/shaderprogram.h"

namespace {

constexpr int kMid = kSide / 2;

class RenderTest : public GLTest {};

TEST_F(RenderTest, UnlitCubeShowsItsBaseColour) {
  auto scene = MakeScene({0, 0, 4});
  scene->AddPrimitive(MakeCube(glm::vec3(1.0f), glm::vec3(1.0f)),
                      UnlitMaterial({1.0f, 0.0f, 1.0f, 1.0f}), nullptr);
  const auto pixels = Render(*scene);
  EXPECT_TRUE(PixelNear(Pixel(pixels, kMid, kMid), {255, 0, 255, 255}, 1))
      << PixelText(Pixel(pixels, kMid, kMid));
  EXPECT_TRUE(PixelNear(Pixel(pixels, 2, 2), {0, 0, 0, 0}, 0));
  EXPECT_TRUE(NoGLError());
}

TEST_F(RenderTest, InstancesShowTheirOwnColoursAndASingleColourIsTheFactor) {
  auto scene = MakeScene({0, 0, 6});
  auto material = UnlitMaterial({1, 1, 1, 1});
  Node& node = scene->AddPrimitive(MakeSquare(0.4f), material, nullptr);
  node.instances = {glm::translate(glm::mat4(1.0f), {-1.2f, 0, 0}), glm::mat4(1.0f),
                    glm::translate(glm::mat4(1.0f), {1.2f, 0, 0})};
  material->instance_base_colors = {{1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1}};
  auto pixels = Render(*scene);
  const int left = kMid - 14, right = kMid + 14;
  EXPECT_TRUE(PixelNear(Pixel(pixels, left, kMid), {255, 0, 0, 255}, 1)) << PixelText(Pixel(pixels, left, kMid));
  EXPECT_TRUE(PixelNear(Pixel(pixels, kMid, kMid), {0, 255, 0, 255}, 1));
  EXPECT_TRUE(PixelNear(Pixel(pixels, right, kMid), {0, 0, 255, 255}, 1));

  // One instance with one colour: that colour, and the three-colour slot of the last frame is
  // dropped rather than disagreeing with the single instance.
  node.instances = {glm::mat4(1.0f)};
  material->instance_base_colors = {{1, 1, 0, 1}};
  pixels = Render(*scene);
  EXPECT_TRUE(PixelNear(Pixel(pixels, kMid, kMid), {255, 255, 0, 255}, 1)) << PixelText(Pixel(pixels, kMid, kMid));
  EXPECT_TRUE(PixelNear(Pixel(pixels, left, kMid), {0, 0, 0, 0}, 0));
  EXPECT_TRUE(NoGLError());
}

TEST_F(RenderTest, MismatchedInstanceColoursAreFatal) {
  auto scene = MakeScene({0, 0, 6});
  auto material = UnlitMaterial({1, 1, 1, 1});
  Node& node = scene->AddPrimitive(MakeSquare(0.4f), material, nullptr);
  node.instances.assign(3, glm::mat4(1.0f));
  material->instance_base_colors = {{1, 0, 0, 1}, {0, 1, 0, 1}};
  EXPECT_EXIT(Render(*scene), ::testing::ExitedWithCode(1),
              "Instance base colors size 2 differs from matrices size 3");
}

// A scene may link its nodes into a cycle, or into a chain deeper than the stack allows: every
// walk over the tree refuses it with a message instead of recursing out of bounds.
TEST_F(RenderTest, ACycleOrAnEndlessChainOfNodesIsRefusedByEveryWalk) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  using Build = void (*)(Objects3D&);
  const Build cycle = [](Objects3D& s) {
    Node& square = s.AddPrimitive(MakeSquare(0.5f), UnlitMaterial({1, 1, 1, 1}), nullptr);
    square.children.push_back(0);  // back to the master node
  };
  const Build deep_chain = [](Objects3D& s) {
    Node* at = &s.AddPrimitive(MakeSquare(0.5f), UnlitMaterial({1, 1, 1, 1}), nullptr);
    for (size_t i = 0; i <= kMaxNodeWalkDepth; ++i) {
      Node& next = s.AddNode("link", static_cast<int32_t>(at->index));
      at->children.push_back(next.index);
      at = &next;
    }
  };
  const struct {
    const char* walk;
    Build build;
    void (*run)(Objects3D&);
    const char* message;
  } cases[] = {
      {"draw", cycle, [](Objects3D& s) { Render(s); }, "Node 0 .* the node tree has a cycle"},
      {"buffers", cycle, [](Objects3D& s) { s.UpdateBuffers(s.GetMasterNode()); }, "has a cycle"},
      {"box", cycle, [](Objects3D& s) { glm::vec3 lo, hi; s.GetNodeBBox("", lo, hi); }, "has a cycle"},
      {"deep draw", deep_chain, [](Objects3D& s) { Render(s); }, "deeper than 1000"},
      {"deep box", deep_chain, [](Objects3D& s) { glm::vec3 lo, hi; s.GetNodeBBox("", lo, hi); },
       "deeper than 1000"},
  };
  for (const auto& c : cases) {
    EXPECT_EXIT(
        {
          EchoMessageBoxesToStderr();
          auto scene = MakeScene({0, 0, 4});
          c.build(*scene);
          c.run(*scene);
        },
        ::testing::ExitedWithCode(1), c.message)
        << c.walk;
  }
}

// A square whose one morph target moves it right by 1 and turns its normal away from the light.
std::shared_ptr<Primitive> MorphSquare() {
  auto p = MakeSquare(0.5f);
  MorphTarget target;
  target.positions = {1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0};
  target.normals = {0, 0, -2, 0, 0, -2, 0, 0, -2, 0, 0, -2};
  p->morph_targets.push_back(target);
  return p;
}

TEST_F(RenderTest, MorphWeightMovesCoverageAndUnlistedWeightsAreZero) {
  auto scene = MakeScene({0, 0, 4});
  Node& node = scene->AddPrimitive(MorphSquare(), UnlitMaterial({1, 1, 1, 1}), nullptr);
  const int left_probe = kMid - 8, right_probe = kMid + 16;
  // No weights at all: the base shape.
  auto pixels = Render(*scene);
  EXPECT_GT(Pixel(pixels, left_probe, kMid)[0], 200);
  EXPECT_EQ(Pixel(pixels, right_probe, kMid)[0], 0);
  // More weights than targets: only the first counts.
  node.weights = {1.0f, 7.0f};
  pixels = Render(*scene);
  EXPECT_EQ(Pixel(pixels, left_probe, kMid)[0], 0);
  EXPECT_GT(Pixel(pixels, right_probe, kMid)[0], 200);
  EXPECT_TRUE(NoGLError());
}

TEST_F(RenderTest, MorphNormalsReachTheShading) {
  auto scene = MakeScene({0, 0, 4});
  auto primitive = MorphSquare();
  primitive->morph_targets[0].positions.clear();
  Node& node = scene->AddPrimitive(primitive, LitMaterial({1, 1, 1, 1}, 1.0f, 0.0f), nullptr);
  AddPointLight(*scene, {0, 0, 2}, 20.0f);
  scene->render_context->ibl_color = glm::vec4(0.0f);
  node.weights = {0.0f};
  const float facing = MeanOver(Render(*scene), kMid - 4, kMid - 4, 8, 3);
  node.weights = {1.0f};
  const float turned = MeanOver(Render(*scene), kMid - 4, kMid - 4, 8, 3);
  EXPECT_GT(facing, 100.0f);
  EXPECT_LT(turned, facing / 4.0f);
  EXPECT_TRUE(NoGLError());
}

// A floor, a cube above it and a point light above the cube.
std::unique_ptr<Objects3D> ShadowStage() {
  auto scene = MakeScene({0, 6, 6});
  Node& floor = scene->AddPrimitive(MakePlane(8, 8, 1), LitMaterial({1, 1, 1, 1}, 1, 0), nullptr);
  floor.instances[0] = glm::translate(glm::mat4(1.0f), {0, -1, 0});
  Node& cube = scene->AddPrimitive(MakeCube(glm::vec3(1.0f), glm::vec3(1.0f)),
                                   LitMaterial({0.8f, 0.2f, 0.2f, 1}, 1, 0), nullptr);
  cube.instances[0] = glm::translate(glm::mat4(1.0f), {0, 0.5f, 0});
  AddPointLight(*scene, {0, 4, 0}, 60.0f);
  return scene;
}

// Screen position of a world point in the kSide square.
glm::ivec2 Project(Objects3D& scene, const glm::vec3& p) {
  Camera& camera = *scene.data.cameras[0];
  const glm::vec4 clip = CameraProjection(camera.yfov, 1.0f, camera.znear, camera.zfar) *
                         camera.view * glm::vec4(p, 1.0f);
  const glm::vec2 ndc = glm::vec2(clip) / clip.w;
  return glm::ivec2((ndc * 0.5f + 0.5f) * static_cast<float>(kSide));
}

TEST_F(RenderTest, FloorUnderTheCubeIsDarkerWithShadows) {
  auto scene = ShadowStage();
  scene->Draw();  // makes the render context
  scene->render_context->ibl_color = glm::vec4(0.0f);
  const glm::ivec2 under = Project(*scene, {0, -1, 0.7f});
  const glm::ivec2 open = Project(*scene, {2.5f, -1, 1.5f});
  const auto lit = Render(*scene);
  scene->shadows_enabled = 1;
  const auto shadowed = Render(*scene);
  if (const char* dir = std::getenv("RENDER_TEST_PNG_DIR")) {
    WritePng(std::string(dir) + "/shadow_off.png", lit, kSide, kSide);
    WritePng(std::string(dir) + "/shadow_on.png", shadowed, kSide, kSide);
  }
  const float lit_under = MeanOver(lit, under.x - 1, under.y - 1, 3, 3);
  const float shadow_under = MeanOver(shadowed, under.x - 1, under.y - 1, 3, 3);
  EXPECT_GT(lit_under, 40.0f);
  EXPECT_LT(shadow_under, lit_under * 0.3f) << lit_under << " " << shadow_under;
  // Away from the cube the shadowed frame is lit as before.
  EXPECT_NEAR(MeanOver(shadowed, open.x - 1, open.y - 1, 3, 3), MeanOver(lit, open.x - 1, open.y - 1, 3, 3), 12.0f);
  EXPECT_TRUE(NoGLError());
}

TEST_F(RenderTest, ShadowFacesUseTheRealSizeOfTheSharedMap) {
  Light first;
  first.shadow_size = 64;
  first.shadows = 1;
  first.CreateShadowTextures();
  Light second;
  second.shadow_size = 16;
  second.shadows = 1;
  second.CreateShadowTextures();
  ASSERT_EQ(second.shadow_map, first.shadow_map);
  GLint before[4];
  glGetIntegerv(GL_VIEWPORT, before);
  second.BeginShadowFace(3);
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  second.EndShadowFace();
  EXPECT_EQ(viewport[2], 64);
  EXPECT_EQ(viewport[3], 64);
  GLint after[4];
  glGetIntegerv(GL_VIEWPORT, after);
  EXPECT_EQ(std::vector<GLint>(after, after + 4), std::vector<GLint>(before, before + 4));
  // Outside 0-5 nothing happens.
  EXPECT_EQ(second.BeginShadowFace(6), glm::mat4(1.0f));
  EXPECT_FALSE(second.InShadowFace());
  EXPECT_TRUE(NoGLError());
}

GLint CubeFaceSide(GLuint texture) {
  GLint side = 0;
  glBindTexture(GL_TEXTURE_CUBE_MAP, texture);
  glGetTexLevelParameteriv(GL_TEXTURE_CUBE_MAP_NEGATIVE_Z, 0, GL_TEXTURE_WIDTH, &side);
  glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
  return side;
}

// After a resize the lights that have not drawn since hold the same, resized map: one map
// alive, whichever light asks first; and no size asked for goes past the memory cap.
TEST_F(RenderTest, AResizedShadowMapStaysTheOneMapOfEveryLight) {
  Light first, second;
  for (Light* light : {&first, &second}) {
    light->shadow_size = 64;
    light->shadows = 1;
    light->CreateShadowTextures();
  }
  const struct {
    int32_t requested, side;
  } cases[] = {{128, 128}, {32, 32}, {1 << 14, ShadowCubeMap::kMaxSide}};
  for (const auto& c : cases) {
    RequestShadowCubeMapSize(c.requested);
    first.CreateShadowTextures();
    EXPECT_EQ(second.shadow_map, first.shadow_map) << c.requested;
    EXPECT_EQ(CurrentShadowCubeMap(), first.shadow_map);
    EXPECT_EQ(first.shadow_map->size(), c.side);
    EXPECT_EQ(CubeFaceSide(first.shadow_map->texture()), c.side);
  }
  RequestShadowCubeMapSize(0);
  EXPECT_TRUE(NoGLError());
}

TEST_F(RenderTest, GlowAddsOnlyWhereSomethingIsEmissive) {
  auto scene = MakeScene({0, 0, 6});
  auto glowing = UnlitMaterial({0, 0, 0, 1});
  glowing->emissive = {0, 1, 0};
  Node& a = scene->AddPrimitive(MakeSquare(0.5f), glowing, nullptr);
  a.instances[0] = glm::translate(glm::mat4(1.0f), {-1.3f, 0, 0});
  Node& b = scene->AddPrimitive(MakeSquare(0.5f), UnlitMaterial({0.2f, 0.2f, 0.2f, 1}), nullptr);
  b.instances[0] = glm::translate(glm::mat4(1.0f), {1.3f, 0, 0});
  const auto plain = Render(*scene);
  scene->glow_enabled = 1;
  const auto glow = Render(*scene);
  const glm::ivec2 at_glow = Project(*scene, {-1.3f, 0, 0});
  const glm::ivec2 at_plain = Project(*scene, {1.3f, 0, 0});
  EXPECT_GT(Pixel(glow, at_glow.x, at_glow.y)[1], Pixel(plain, at_glow.x, at_glow.y)[1] + 100);
  EXPECT_EQ(Pixel(glow, at_plain.x, at_plain.y), Pixel(plain, at_plain.x, at_plain.y));
  EXPECT_EQ(Pixel(glow, kMid, kSide - 3), Pixel(plain, kMid, kSide - 3));
  EXPECT_TRUE(NoGLError());
}

TEST_F(RenderTest, DepthOfFieldKeepsTheFocusSharpAndBlursTheFar) {
  auto scene = MakeScene({0, 0, 4});
  Camera& camera = *scene->data.cameras[0];
  camera.SetNearFar(1.0f, 41.0f);
  camera.focusPoint = 3.0f / 40.0f;  // 4 units away, where the near checker is
  camera.focusRange = 0.01f;
  camera.focusFalloff = 0.05f;
  Node& far = scene->AddPrimitive(MakeChecker(40, 40), UnlitMaterial({1, 1, 1, 1}), nullptr);
  far.instances[0] = glm::translate(glm::mat4(1.0f), {0, 0, -30});
  scene->AddPrimitive(MakeChecker(0.6f, 6), UnlitMaterial({1, 1, 1, 1}), nullptr);
  const auto sharp = Render(*scene);
  scene->dof_enabled = 1;
  const auto blurred = Render(*scene);
  const int centre_sharp = ContrastOver(sharp, kMid - 4, kMid - 4, 8);
  EXPECT_GT(centre_sharp, 200);
  EXPECT_GT(ContrastOver(blurred, kMid - 4, kMid - 4, 8), centre_sharp - 20);
  const int far_sharp = ContrastOver(sharp, 2, 2, 10);
  EXPECT_GT(far_sharp, 150);
  EXPECT_LT(ContrastOver(blurred, 2, 2, 10), far_sharp / 2);
  EXPECT_TRUE(NoGLError());
}

TEST_F(RenderTest, PrewarmLeavesTheBufferUntouched) {
  auto scene = MakeScene({0, 0, 4});
  scene->AddPrimitive(MakeCube(glm::vec3(2.0f), glm::vec3(1.0f)), UnlitMaterial({1, 0, 0, 1}), nullptr);
  // A program that would draw: the first variant, made by one frame.
  Render(*scene);
  RenderTarget target(kSide, kSide);
  target.Bind();
  glClearColor(0.25f, 0.5f, 0.75f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  const std::vector<uint8_t> before = target.ReadPixels();
  scene->data.primitives[0]->dirty = 1;
  ShaderFeatureInputs normal;
  const ShaderFeatures features = GetPrimitiveShaderFeatures(normal);
  glUseProgram(scene->render_context->GetVariant(features, 0, {}).program().program());
  scene->Prewarm();
  EXPECT_EQ(target.ReadPixels(), before);
  GLboolean discard = GL_TRUE;
  glGetBooleanv(GL_RASTERIZER_DISCARD, &discard);
  EXPECT_EQ(discard, GL_FALSE);
  glUseProgram(0);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  EXPECT_TRUE(NoGLError());
}

TEST_F(RenderTest, DrawingAgainNeitherCompilesNorQueriesUniforms) {
  auto scene = ShadowStage();
  scene->shadows_enabled = 1;
  scene->glow_enabled = 1;
  Render(*scene);
  const size_t variants = scene->render_context->VariantCount();
  const size_t queried = scene->render_context->QueriedUniformNameCount();
  EXPECT_GT(variants, 3u);
  Render(*scene);
  EXPECT_EQ(scene->render_context->VariantCount(), variants);
  EXPECT_EQ(scene->render_context->QueriedUniformNameCount(), queried);
  EXPECT_TRUE(NoGLError());
}

// A caller's program deleted while current (its scene unloaded) is gone once the frame has used
// other programs: the frame leaves no program bound rather than binding a dead name.
TEST_F(RenderTest, AProgramDeletedWhileCurrentIsNotBoundAgain) {
  auto scene = MakeScene({0, 0, 4});
  scene->AddPrimitive(MakeCube(glm::vec3(1.0f), glm::vec3(1.0f)),
                      LitMaterial({0.8f, 0.2f, 0.2f, 1}, 1.0f, 0.0f), nullptr);
  for (const bool prewarm : {false, true}) {
    SCOPED_TRACE(prewarm ? "pre-warm" : "draw");
    auto caller = std::make_unique<ShaderProgram>(MakeFlat3DShader("DeletedWhileCurrent"));
    caller->Use();
    caller.reset();
    if (prewarm) scene->Prewarm();
    Render(*scene);
    GLint current = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(current, 0);
    EXPECT_TRUE(NoGLError());
  }
}

TEST_F(RenderTest, LightAtTheCameraGivesNoBlackHole) {
  auto scene = MakeScene({0, 0, 4});
  scene->AddPrimitive(MakeSquare(1.0f), LitMaterial({1, 1, 1, 1}, 0.5f, 0.0f), nullptr);
  Light& light = AddPointLight(*scene, {0, 0, 4}, 30.0f);
  light.type = kLightTypeSpot;  // with a zero direction
  light.outer_cone = 3.0f;
  const auto pixels = Render(*scene);
  EXPECT_GT(MeanOver(pixels, kMid - 2, kMid - 2, 4, 3), 60.0f);
  EXPECT_TRUE(NoGLError());
}

TEST_F(RenderTest, LightingDoesNotTurnWithTheCamera) {
  // A directional light straight down on a rough floor: every view of the floor's centre sees the
  // same diffuse brightness.
  auto scene = MakeScene({0, 5, 0.01f});
  Node& floor = scene->AddPrimitive(MakePlane(4, 4, 1), LitMaterial({1, 1, 1, 1}, 1, 0), nullptr);
  (void)floor;
  Light& sun = *scene->AddLight();
  sun.type = kLightTypeDirectional;
  sun.direction = {0, -1, 0};
  sun.intensity = 2.0f;
  scene->Draw();
  scene->render_context->ibl_color = glm::vec4(0.0f);
  std::vector<float> seen;
  for (const glm::vec3 eye : {glm::vec3(0, 5, 0.01f), glm::vec3(3, 4, 0), glm::vec3(-2, 3, -3)}) {
    scene->data.cameras[0]->LookAt(eye.x, eye.y, eye.z, 0, 0, 0, 0, 1, 0);
    seen.push_back(MeanOver(Render(*scene), kMid - 2, kMid - 2, 4, 3));
  }
  EXPECT_GT(seen[0], 80.0f);
  EXPECT_NEAR(seen[1], seen[0], 6.0f);
  EXPECT_NEAR(seen[2], seen[0], 6.0f);
  EXPECT_TRUE(NoGLError());
}

TEST_F(RenderTest, EachInstanceIsLitWithItsOwnNormalMatrix) {
  // Two squares facing the camera, the first squashed to nothing along x and then restored,
  // the second squashed along y: both face the light the same way.
  auto scene = MakeScene({0, 0, 6});
  Node& node = scene->AddPrimitive(MakeSquare(0.5f), LitMaterial({1, 1, 1, 1}, 1, 0), nullptr);
  node.instances = {glm::translate(glm::mat4(1.0f), {-1.2f, 0, 0}),
                    glm::scale(glm::translate(glm::mat4(1.0f), {1.2f, 0, 0}), {1.0f, 0.3f, 1.0f}),
                    glm::scale(glm::mat4(1.0f), {0.0f, 1.0f, 1.0f})};
  AddPointLight(*scene, {0, 0, 3}, 20.0f);
  scene->Draw();
  scene->render_context->ibl_color = glm::vec4(0.0f);
  const auto pixels = Render(*scene);
  const glm::ivec2 a = Project(*scene, {-1.2f, 0, 0});
  const glm::ivec2 b = Project(*scene, {1.2f, 0, 0});
  const float left = MeanOver(pixels, a.x - 1, a.y - 1, 3, 3);
  const float right = MeanOver(pixels, b.x - 1, b.y - 1, 3, 3);
  EXPECT_GT(left, 40.0f);
  EXPECT_NEAR(left, right, 6.0f);
  EXPECT_TRUE(NoGLError());
}

}  // namespace

namespace {

class FrameStateTest : public GLTest {};

TEST_F(FrameStateTest, ShadowedGlowingDepthOfFieldFramePutsTheStateBack) {
  auto scene = ShadowStage();
  scene->shadows_enabled = 1;
  scene->glow_enabled = 1;
  scene->dof_enabled = 1;
  scene->shadow_cull_front = 1;
  scene->data.materials[1]->emissive = {0.5f, 0.0f, 0.0f};
  FBO target(kSide, kSide, FBOType::Color, 0);
  target.Bind();
  // The known state, and a caller that keeps its alpha and offsets its polygons.
  for (const bool own_writes : {false, true}) {
    ResetGLState();
    glViewport(0, 0, kSide, kSide);
    if (own_writes) {
      glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
      glEnable(GL_POLYGON_OFFSET_FILL);
      glPolygonOffset(0.5f, 2.0f);
    }
    const GLStateSnapshot before = GLStateSnapshot::Take();
    scene->Draw();
    EXPECT_TRUE(SameGLState(before, GLStateSnapshot::Take())) << own_writes;
  }
  ResetGLState();
  target.Unbind();
  EXPECT_TRUE(NoGLError());
}

}  // namespace

namespace {

class TangentTest : public GLTest {};

// A square whose normal map tilts the normal towards the bitangent; a light above makes the
// tilt visible. The tangent's w decides whether the bitangent points up or down.
float BrightnessWithHandedness(float w) {
  auto scene = MakeScene({0, 0, 4});
  auto square = MakeSquare(1.0f);
  square->tangents = {1, 0, 0, w, 1, 0, 0, w, 1, 0, 0, w, 1, 0, 0, w};
  square->tangent_components = 4;
  auto material = LitMaterial({1, 1, 1, 1}, 1, 0);
  const std::vector<uint8_t> tilted_up = {128, 218, 218};
  material->normal_texture = std::make_shared<Texture>("tilt", tilted_up, 3, 1, 1, false, false,
                                                       GL_NEAREST, GL_NEAREST);
  scene->AddPrimitive(square, material, nullptr);
  Light& sun = *scene->AddLight();
  sun.type = kLightTypeDirectional;
  sun.direction = {0, -1, 0};
  sun.intensity = 3.0f;
  scene->render_context->ibl_color = glm::vec4(0.0f);
  return MeanOver(Render(*scene), kMid - 4, kMid - 4, 8, 3);
}

TEST_F(TangentTest, HandednessInTangentWTurnsTheBitangent) {
  const float up = BrightnessWithHandedness(1.0f);
  const float down = BrightnessWithHandedness(-1.0f);
  EXPECT_GT(up, 60.0f);
  EXPECT_LT(down, up * 0.3f) << up << " " << down;
  EXPECT_TRUE(NoGLError());
}

}  // namespace

namespace {

class AlphaMaskTest : public GLTest {};

// A masked surface is cut where its alpha falls below one half, the glTF default, and kept
// above it (a cut-off of 1 would throw away every texel that is not fully opaque).
TEST_F(AlphaMaskTest, MaskCutsBelowOneHalf) {
  auto scene = MakeScene({0, 0, 4});
  auto kept = UnlitMaterial({1, 0, 0, 0.7f});
  kept->alpha_mask = 1;
  auto cut = UnlitMaterial({0, 1, 0, 0.3f});
  cut->alpha_mask = 1;
  Node& a = scene->AddPrimitive(MakeSquare(0.4f), kept, nullptr);
  a.instances[0] = glm::translate(glm::mat4(1.0f), {-0.6f, 0, 0});
  Node& b = scene->AddPrimitive(MakeSquare(0.4f), cut, nullptr);
  b.instances[0] = glm::translate(glm::mat4(1.0f), {0.6f, 0, 0});
  const auto pixels = Render(*scene);
  const glm::ivec2 left = Project(*scene, {-0.6f, 0, 0});
  const glm::ivec2 right = Project(*scene, {0.6f, 0, 0});
  EXPECT_GT(Pixel(pixels, left.x, left.y)[0], 200);
  EXPECT_EQ(Pixel(pixels, right.x, right.y)[1], 0);
  EXPECT_TRUE(NoGLError());
}

}  // namespace

namespace {

class SpotTest : public GLTest {};

// Cone values are half-angles in radians: a spot 3 units above the floor with an outer angle of
// 0.3 lights a disc of radius about 0.93 and nothing at radius 1.6 (half-angle 0.49). Only the
// direction of the spot's direction vector counts, not its length.
TEST_F(SpotTest, ConeAnglesLimitTheLitDisc) {
  for (const float length : {1.0f, 4.0f}) {
    auto scene = MakeScene({0, 6, 0.01f});
    scene->AddPrimitive(MakePlane(6, 6, 1), LitMaterial({1, 1, 1, 1}, 1, 0), nullptr);
    Light& spot = AddPointLight(*scene, {0, 3, 0}, 40.0f);
    spot.type = kLightTypeSpot;
    spot.direction = {0, -length, 0};
    spot.inner_cone = 0.2f;
    spot.outer_cone = 0.3f;
    scene->render_context->ibl_color = glm::vec4(0.0f);
    const auto pixels = Render(*scene);
    const glm::ivec2 centre = Project(*scene, {0, 0, 0});
    const glm::ivec2 outside = Project(*scene, {1.6f, 0, 0});
    EXPECT_GT(MeanOver(pixels, centre.x - 1, centre.y - 1, 3, 3), 100.0f) << length;
    EXPECT_LT(MeanOver(pixels, outside.x - 1, outside.y - 1, 3, 3), 5.0f) << length;
  }
  EXPECT_TRUE(NoGLError());
}

}  // namespace

namespace {

class LetterboxGlowTest : public GLTest {};

// With a wide aspect the picture is letterboxed; the glow must land on its object there.
TEST_F(LetterboxGlowTest, GlowLinesUpWithALetterboxedPicture) {
  auto scene = MakeScene({0, 0, 6});
  scene->Resize(kSide, kSide, 2.0f);
  auto glowing = UnlitMaterial({0, 0, 0, 1});
  glowing->emissive = {0, 1, 0};
  Node& node = scene->AddPrimitive(MakeSquare(0.4f), glowing, nullptr);
  node.instances[0] = glm::translate(glm::mat4(1.0f), {0, 1.2f, 0});
  scene->glow_enabled = 1;
  const auto pixels = Render(*scene);
  Camera& camera = *scene->data.cameras[0];
  const glm::vec4 clip = CameraProjection(camera.yfov, 2.0f, camera.znear, camera.zfar) *
                         camera.view * glm::vec4(0, 1.2f, 0, 1);
  const CameraViewport box = LetterboxViewport(kSide, kSide, 2.0f);
  const glm::vec2 ndc = glm::vec2(clip) / clip.w;
  const int x = box.x + static_cast<int>((ndc.x * 0.5f + 0.5f) * box.width);
  const int y = box.y + static_cast<int>((ndc.y * 0.5f + 0.5f) * box.height);
  EXPECT_GT(Pixel(pixels, x, y)[1], 150) << x << "," << y;
  // Nothing glows outside the letterbox.
  EXPECT_EQ(Pixel(pixels, kMid, box.y + box.height + 4)[1], 0);
  EXPECT_TRUE(NoGLError());
}

}  // namespace

namespace {

class CubeShadowTest : public GLTest {};

// Cubes on every side of a light: each casts its shadow away from the light, so every face of
// the cube map is oriented the way lookups read it.
TEST_F(CubeShadowTest, ShadowsFallAwayFromTheLightOnEverySide) {
  auto scene = MakeScene({0.01f, 12, 0});
  Node& floor = scene->AddPrimitive(MakePlane(12, 12, 1), LitMaterial({1, 1, 1, 1}, 1, 0), nullptr);
  floor.instances[0] = glm::translate(glm::mat4(1.0f), {0, -1, 0});
  const glm::vec3 sides[] = {{1, 0, 0}, {-1, 0, 0}, {0, 0, 1}, {0, 0, -1}};
  for (const glm::vec3& side : sides) {
    Node& cube = scene->AddPrimitive(MakeCube(glm::vec3(1.0f), glm::vec3(1.0f)),
                                     LitMaterial({0.8f, 0.2f, 0.2f, 1}, 1, 0), nullptr);
    cube.instances[0] = glm::translate(glm::mat4(1.0f), side * 2.5f);
  }
  AddPointLight(*scene, {0, 1.5f, 0}, 30.0f);
  scene->render_context->ibl_color = glm::vec4(0.0f);
  scene->shadows_enabled = 1;
  const auto pixels = Render(*scene);
  for (const glm::vec3& side : sides) {
    const glm::ivec2 behind = Project(*scene, side * 4.2f + glm::vec3(0, -1, 0));
    const glm::ivec2 beside = Project(*scene, side * 4.2f + glm::cross(side, {0, 1, 0}) * 2.0f +
                                                   glm::vec3(0, -1, 0));
    EXPECT_LT(MeanOver(pixels, behind.x - 1, behind.y - 1, 3, 3), 8.0f) << side.x << "," << side.z;
    EXPECT_GT(MeanOver(pixels, beside.x - 1, beside.y - 1, 3, 3), 25.0f) << side.x << "," << side.z;
  }
  EXPECT_TRUE(NoGLError());
}

}  // namespace
