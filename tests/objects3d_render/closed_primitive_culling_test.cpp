// Closed solids drawn without back faces keep the picture (but for a sample or two where a face
// is seen exactly edge-on): cubes and a ball (one of them a set
// of coloured copies) on a floor, drawn with every pass combination and seen from outside, from
// inside a cube and with a cube's face cut open by the near plane, with the culling on and off.

#include <cstdlib>

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include "objects3d/closed_solid_culling.h"
#include "objects3d/procedural.h"
#include "util/fbo/fbo.h"
#include "render_scene.h"
#include "support/gl_state.h"
#include "util/camera/camera.h"

namespace {

class ClosedPrimitiveCullingTest : public GLTest {};

glm::mat4 At(const glm::vec3& where) { return glm::translate(glm::mat4(1.0f), where); }

// The big cube: 1.6 wide, turned about y.
const glm::mat4 kBig = glm::rotate(At({0.3f, -0.2f, -1.5f}), 0.6f, glm::vec3(0, 1, 0));

// Pixels of which some channel differs by more than 2.
int PixelsApart(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  if (a.size() != b.size()) return kSide * kSide;
  int apart = 0;
  for (size_t i = 0; i + 3 < a.size(); i += 4) {
    bool differs = false;
    for (size_t c = 0; c < 4; ++c) differs = differs || std::abs(a[i + c] - b[i + c]) > 2;
    apart += differs;
  }
  return apart;
}

// A floor, a row of coloured cube copies, a big cube, a glowing ball and a light among them.
std::unique_ptr<Objects3D> Solids() {
  auto scene = MakeScene({0, 2, 6});
  Node& floor = scene->AddPrimitive(MakePlane(8, 8, 1), LitMaterial({1, 1, 1, 1}, 1, 0), nullptr);
  floor.instances[0] = At({0, -1, 0});
  Node& row = scene->AddPrimitive(MakeCube(glm::vec3(0.5f), glm::vec3(1.0f)),
                                  LitMaterial({0.8f, 0.3f, 0.2f, 1}, 0.4f, 0.2f), nullptr);
  row.instances = {At({-1.5f, -0.5f, 1}), At({-0.5f, -0.5f, 1.2f}), At({0.5f, -0.5f, 1}),
                   At({1.5f, -0.5f, 0.8f})};
  scene->GetMaterial(row)->instance_base_colors = {
      {0.8f, 0.3f, 0.2f, 1}, {0.2f, 0.7f, 0.3f, 1}, {0.2f, 0.3f, 0.8f, 1}, {0.8f, 0.8f, 0.2f, 1}};
  Node& big = scene->AddPrimitive(MakeCube(glm::vec3(1.6f), glm::vec3(1.0f)),
                                  LitMaterial({0.6f, 0.6f, 0.7f, 1}, 0.3f, 0.5f), nullptr);
  big.instances[0] = kBig;
  auto glowing = LitMaterial({0.1f, 0.1f, 0.1f, 1}, 0.5f, 0);
  glowing->emissive = {1, 0.6f, 0.1f};
  Node& ball = scene->AddPrimitive(MakeIcosahedron(), glowing, nullptr);
  ball.instances[0] = glm::scale(At({-1.4f, 0.3f, -0.6f}), glm::vec3(0.4f));
  AddPointLight(*scene, {0.6f, 1.4f, 0.4f}, 30.0f);
  return scene;
}

TEST_F(ClosedPrimitiveCullingTest, PictureIsTheSameWithAndWithout) {
  struct Pass {
    const char* name;
    uint8_t shadows, glow, prepass;
  };
  const Pass passes[] = {{"plain", 0, 0, 0}, {"shadowed", 1, 0, 0}, {"glow", 0, 1, 0},
                         {"everything", 1, 1, 1}};
  // The big cube's corner nearest the eye of the last view, and the cube's bounding sphere.
  const glm::vec3 centre(kBig[3]);
  const glm::vec3 corner(kBig * glm::vec4(0.8f, 0.8f, 0.8f, 1.0f));
  const glm::vec3 off_corner = centre + glm::normalize(corner - centre) * (0.8f * 1.7321f + 0.1f);
  struct View {
    const char* name;
    glm::vec3 eye, centre;
    float near_plane;
  };
  const View views[] = {
      {"outside", {0, 2, 6}, {0, 0, 0}, 0.1f},
      {"inside the big cube", centre, {0, -0.2f, 3}, 0.1f},
      {"a face cut open by the near plane", {0.3f, -0.2f, -0.5f}, {0.3f, -0.2f, -3}, 0.1f},
      {"a corner cut open, the eye outside the cube's sphere", off_corner, centre, 0.3f}};
  auto scene = Solids();
  Camera& camera = *scene->data.cameras[0];
  for (const View& view : views) {
    camera.LookAt(view.eye.x, view.eye.y, view.eye.z, view.centre.x, view.centre.y,
                  view.centre.z, 0, 1, 0);
    camera.SetNearFar(view.near_plane, 100.0f);
    for (const Pass& pass : passes) {
      scene->shadows_enabled = pass.shadows;
      scene->glow_enabled = pass.glow;
      scene->depth_prepass = pass.prepass;
      scene->closed_primitive_culling = 0;
      const auto without = Render(*scene, glm::vec4(0.1f, 0.1f, 0.1f, 1.0f));
      scene->closed_primitive_culling = 1;
      const auto with = Render(*scene, glm::vec4(0.1f, 0.1f, 0.1f, 1.0f));
      // Only where the light or the camera sees a face edge-on may a sample go another way.
      EXPECT_LE(PixelsApart(with, without), kSide * kSide / 200) << view.name << ", " << pass.name;
    }
  }
  EXPECT_TRUE(NoGLError());
}

// Draws the scene as Render does, but with the depth, blend and stencil state `caller` sets.
template <typename SetUp>
std::vector<uint8_t> RenderWithCallerState(Objects3D& scene, SetUp caller) {
  FBO target(kSide, kSide, FBOType::Color, 0);
  target.Bind();
  glClearColor(0.1f, 0.1f, 0.1f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glEnable(GL_DEPTH_TEST);
  glDepthMask(GL_TRUE);
  glDepthFunc(GL_LESS);
  caller();
  scene.Draw();
  std::vector<uint8_t> pixels(static_cast<size_t>(kSide) * kSide * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, kSide, kSide, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  target.Unbind();
  glEnable(GL_DEPTH_TEST);
  glDepthMask(GL_TRUE);
  glDepthFunc(GL_LESS);
  glDisable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ZERO);
  return pixels;
}

// A caller that leaves the depth test off (as a scene's light markers are drawn over the
// resolved frame), or draws with depth writes off, or adds what it draws, paints whatever face
// comes last: the back faces stay in, and the picture is the one without the culling.
TEST_F(ClosedPrimitiveCullingTest, CallersWhoseDepthTestDoesNotDecideKeepTheirPicture) {
  struct Caller {
    const char* name;
    void (*set_up)();
  };
  const Caller callers[] = {
      {"depth test off", [] { glDisable(GL_DEPTH_TEST); }},
      {"depth writes off", [] { glDepthMask(GL_FALSE); }},
      {"adding", [] {
         glEnable(GL_BLEND);
         glBlendFunc(GL_ONE, GL_ONE);
       }},
      {"depth test always passing", [] { glDepthFunc(GL_ALWAYS); }}};
  auto scene = MakeScene({0, 2, 6});
  Node& ball = scene->AddPrimitive(MakeIcosahedron(), LitMaterial({0.6f, 0.4f, 0.3f, 1}, 0.2f, 1),
                                   nullptr);
  ball.instances[0] = glm::scale(glm::mat4(1.0f), glm::vec3(1.5f));
  Node& cube = scene->AddPrimitive(MakeCube(glm::vec3(1.0f), glm::vec3(1.0f)),
                                   LitMaterial({0.2f, 0.5f, 0.8f, 1}, 0.5f, 0), nullptr);
  cube.instances[0] = glm::rotate(At({1.2f, 0, 1}), 0.7f, glm::vec3(1, 1, 0));
  AddPointLight(*scene, {2, 3, 3}, 40.0f);
  for (const Caller& caller : callers) {
    scene->closed_primitive_culling = 0;
    const auto without = RenderWithCallerState(*scene, caller.set_up);
    scene->closed_primitive_culling = 1;
    const auto with = RenderWithCallerState(*scene, caller.set_up);
    // A sample at the solids' outlines may go another way through the depth pre-pass.
    EXPECT_LE(PixelsApart(with, without), kSide * kSide / 200) << caller.name;
  }
  // The model keeps what it learnt of its two solids across its frames and passes.
  ASSERT_TRUE(scene->closed_solid_culling);
  EXPECT_EQ(scene->closed_solid_culling->shapes_worked_out(), 2u);
  EXPECT_TRUE(NoGLError());
}

// The state read once per pass: which depth, blend and stencil set-ups let the back faces go.
TEST_F(ClosedPrimitiveCullingTest, DepthStateDecidesWhetherBackFacesMayGo) {
  struct Case {
    const char* name;
    void (*set_up)();
    bool may_go;
  };
  const Case cases[] = {
      {"depth test at less, writes on", [] {}, true},
      {"at less-or-equal", [] { glDepthFunc(GL_LEQUAL); }, true},
      {"at equal, writes off, adding (a pass after the depth pre-pass)", [] {
         glDepthFunc(GL_EQUAL);
         glDepthMask(GL_FALSE);
         glEnable(GL_BLEND);
         glBlendFunc(GL_ONE, GL_ONE);
       }, true},
      {"blending with colour writes off (a depth pass)", [] {
         glEnable(GL_BLEND);
         glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
       }, true},
      {"stencil counting passes only", [] {
         glEnable(GL_STENCIL_TEST);
         glStencilOp(GL_KEEP, GL_KEEP, GL_INCR);
       }, true},
      {"depth test off", [] { glDisable(GL_DEPTH_TEST); }, false},
      {"depth writes off", [] { glDepthMask(GL_FALSE); }, false},
      {"an opaque colour laid over the rest", [] {
         glEnable(GL_BLEND);
         glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
       }, true},
      {"adding", [] {
         glEnable(GL_BLEND);
         glBlendFunc(GL_ONE, GL_ONE);
       }, false},
      {"multiplying", [] {
         glEnable(GL_BLEND);
         glBlendFunc(GL_DST_COLOR, GL_ZERO);
       }, false},
      {"at greater", [] { glDepthFunc(GL_GREATER); }, false},
      {"at always", [] { glDepthFunc(GL_ALWAYS); }, false},
      {"stencil counting depth failures", [] {
         glEnable(GL_STENCIL_TEST);
         glStencilOp(GL_KEEP, GL_INCR, GL_KEEP);
       }, false},
  };
  FBO target(kSide, kSide, FBOType::Color, 0);
  target.Bind();
  for (const Case& c : cases) {
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LESS);
    c.set_up();
    EXPECT_EQ(DepthTestHidesBackFaces(), c.may_go) << c.name;
    glDisable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);
    glDisable(GL_STENCIL_TEST);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  }
  target.Unbind();
  // A framebuffer without a depth buffer passes every fragment, whatever the depth state.
  GLuint texture = 0;
  GLuint framebuffer = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexStorage2D(GL_TEXTURE_2D, 1, GL_RGBA8, kSide, kSide);
  glGenFramebuffers(1, &framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
  EXPECT_FALSE(DepthTestHidesBackFaces()) << "no depth buffer";
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glDeleteFramebuffers(1, &framebuffer);
  glBindTexture(GL_TEXTURE_2D, 0);
  glDeleteTextures(1, &texture);
  glDepthMask(GL_TRUE);
  glDepthFunc(GL_LESS);
  EXPECT_TRUE(NoGLError());
}

}  // namespace
