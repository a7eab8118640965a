// Closed solids drawn without back faces keep the picture (but for a sample or two where a face
// is seen exactly edge-on): cubes and a ball (one of them a set
// of coloured copies) on a floor, drawn with every pass combination and seen from outside, from
// inside a cube and with a cube's face cut open by the near plane, with the culling on and off.

#include <cstdlib>

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include "objects3d/procedural.h"
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

}  // namespace
