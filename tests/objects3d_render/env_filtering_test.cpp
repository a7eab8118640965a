// The diffuse environment is read without anisotropic filtering: on a bumpy floor seen at a
// grazing angle, where the lookup direction swings from pixel to pixel, the frame is nearly the
// one sixteen-fold anisotropic filtering gives.

#include <cmath>

#include <GL/glew.h>
#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include "objects3d/shared_resources.h"
#include "render_scene.h"
#include "support/test_images.h"
#include "util/texture/texturecube.h"

namespace {

class EnvFilteringTest : public GLTest {};

constexpr int kFrameSide = 256;

// A floor of 48 x 48 quads whose vertex normals lean every which way, so that the normal, and
// with it the diffuse lookup, changes sharply between neighbouring pixels.
std::unique_ptr<Objects3D> BumpyFloor() {
  auto scene = MakeScene({0, 0.6f, 6});
  scene->Resize(kFrameSide, kFrameSide, 1.0f);
  auto floor = MakeChecker(6.0f, 48);
  floor->colors.clear();
  floor->color_components = 0;
  for (size_t i = 0; i + 2 < floor->normals.size(); i += 3) {
    const float a = static_cast<float>(i) * 0.618f;
    floor->normals[i] = 0.6f * std::sin(a * 7.1f);
    floor->normals[i + 1] = 0.6f * std::cos(a * 3.7f);
  }
  Node& node = scene->AddPrimitive(floor, LitMaterial({0.8f, 0.8f, 0.8f, 1}, 1, 0), nullptr);
  node.instances[0] = glm::rotate(glm::translate(glm::mat4(1.0f), {0, -0.5f, 0}),
                                  glm::radians(-90.0f), {1, 0, 0});
  return scene;
}

void SetDiffuseAnisotropy(float anisotropy) {
  glBindTexture(GL_TEXTURE_CUBE_MAP, RequireObjects3DSharedResources().env_diffuse->id);
  glTexParameterf(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAX_ANISOTROPY_EXT, anisotropy);
  glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
}

TEST_F(EnvFilteringTest, DiffuseLightIsNearlyTheAnisotropicFiltersLight) {
  auto scene = BumpyFloor();
  const Pixels isotropic = Render(*scene, glm::vec4(0.0f), kFrameSide);
  GLfloat most = 1.0f;
  glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &most);
  SetDiffuseAnisotropy(most);
  const Pixels anisotropic = Render(*scene, glm::vec4(0.0f), kFrameSide);
  SetDiffuseAnisotropy(1.0f);
  EXPECT_GE(Psnr(isotropic, anisotropic), 40.0);
  // The two differ at all: the anisotropic filter is at work on this floor.
  EXPECT_LT(Psnr(isotropic, anisotropic), 100.0);
  EXPECT_TRUE(NoGLError());
}

}  // namespace
