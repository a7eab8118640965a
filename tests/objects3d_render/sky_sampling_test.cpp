// The sky sampled bilinearly from its cube map's base level gives nearly the frame of the full
// mipmapped, anisotropic filter, whether the scene covers none, part or all of the sky.

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include "effects/skybox.h"
#include "objects3d/procedural.h"
#include "render_scene.h"
#include "support/gl_state.h"
#include "support/test_images.h"

namespace {

class SkySamplingTest : public GLTest {};

// About the show's pixels per degree of view.
constexpr int kFrameSide = 720;

enum class Cover { None, Floor, Wall };

// The sky around a camera at (0, 2, 6), with nothing, a floor or a wall filling the view.
std::unique_ptr<Objects3D> Scene(Cover cover) {
  auto scene = MakeScene({0, 2, 6});
  scene->Resize(kFrameSide, kFrameSide, 1.0f);
  scene->SetSkyBox(glm::vec3(0.0f));
  if (cover == Cover::None) return scene;
  const float half = cover == Cover::Floor ? 8.0f : 40.0f;
  Node& node = scene->AddPrimitive(MakePlane(half, half, 1), LitMaterial({0.5f, 0.4f, 0.3f, 1}, 1, 0),
                                   nullptr);
  node.instances[0] = cover == Cover::Floor
                          ? glm::translate(glm::mat4(1.0f), {0, -1, 0})
                          : glm::rotate(glm::mat4(1.0f), glm::radians(-70.0f), {1, 0, 0});
  AddPointLight(*scene, {0, 3, 2}, 30.0f);
  return scene;
}

TEST_F(SkySamplingTest, FrameIsNearlyTheFullFiltersFrame) {
  struct Case {
    const char* name;
    Cover cover;
    bool sky_seen;
  };
  const Case cases[] = {
      {"nothing in front of the sky", Cover::None, true},
      {"a floor over the lower part", Cover::Floor, true},
      {"a wall over all of it", Cover::Wall, false},
  };
  for (const Case& c : cases) {
    auto scene = Scene(c.cover);
    scene->skybox->shortcuts.base_level_sampling = false;
    const Pixels filtered = Render(*scene, glm::vec4(0.0f), kFrameSide);
    scene->skybox->shortcuts.base_level_sampling = true;
    const Pixels base_level = Render(*scene, glm::vec4(0.0f), kFrameSide);
    scene->skybox_enabled = 0;
    const Pixels no_sky = Render(*scene, glm::vec4(0.0f), kFrameSide);
    EXPECT_GE(Psnr(base_level, filtered), 40.0) << c.name;
    // The sky is there to compare where it is seen.
    EXPECT_EQ(Psnr(no_sky, filtered) < 30.0, c.sky_seen) << c.name;
  }
  EXPECT_TRUE(NoGLError());
}

}  // namespace
