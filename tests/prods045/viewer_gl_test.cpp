// The model viewer on real models: what loading adds around a model (floor, cameras, default
// lights, grid copies), the refusal of a model that cannot be a grid, and whole frames driven
// through the key record.
#include <algorithm>
#include <memory>

#include <gtest/gtest.h>

#include "scene_harness.h"
#include "scenes/scene_gltf/scene_gltf.h"
#include "scenes/scene_gltf/viewerlayout.h"
#include "support/gl_fixture.h"
#include "support/test_images.h"
#include "util/camera/camera.h"
#include "util/data/data.h"
#include "util/light/light.h"
#include "util/light/shadowcubemap.h"

namespace {

const char kBox[] = "data/models/samples/Box/Box.glb";  // a unit box under a turned root node
const char kSphere[] = "data/models/vorantil/sphere/sphere.glb";  // radius 1, one node

class ViewerModel : public GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    ResetDataFileState();
  }
  uint64_t counter_ = 0;
};

TEST_F(ViewerModel, LoadingAddsAFloorSevenCamerasAndThreeDefaultLights) {
  GltfScene model(kBox, false);
  model.Resize(64, 48, 4.0f / 3.0f);
  model.Load(counter_);
  model.Load(counter_);  // a second call adds nothing
  ASSERT_TRUE(model.loaded);
  EXPECT_NEAR(model.size, std::sqrt(3.0f), 1e-4f);
  EXPECT_NEAR(glm::length(model.centre), 0.0f, 1e-5f);
  const auto& data = model.objects.data;
  ASSERT_EQ(data.cameras.size(), 7u);
  EXPECT_NEAR(data.cameras[0]->znear, 0.001f * model.size, 1e-7f);
  EXPECT_NEAR(data.cameras[0]->zfar, 10.0f * model.size, 1e-4f);
  ASSERT_EQ(data.lights.size(), 3u);
  EXPECT_TRUE(model.default_lights);
  EXPECT_EQ(data.lights[2]->name, "Default light 3");
  EXPECT_EQ(data.lights[2]->color, glm::vec3(1.0f, 0.2f, 0.5f));
  EXPECT_NEAR(data.lights[0]->shadow_far, kLightShadowReach * model.size, 1e-5f);
  const Node& floor = model.objects.GetNode(model.floor_node);
  EXPECT_EQ(floor.name, "FloorNode");
  EXPECT_NEAR(floor.instances[0][3].y, model.bbox_min.y, 1e-6f);
  EXPECT_EQ(model.objects.cur_cam, 0);
}

TEST_F(ViewerModel, GridModelsBecomeOneHundredTwentyFiveTintedCopies) {
  GltfScene model(kSphere, true);
  model.Load(counter_);
  EXPECT_EQ(counter_, 125u);
  ASSERT_EQ(model.FirstNode().instances.size(), 125u);
  const std::shared_ptr<Material> material = model.objects.GetMaterial(model.FirstNode());
  EXPECT_EQ(material->instance_base_colors.size(), 125u);
  EXPECT_EQ(material->instance_emission_colors.size(), 125u);
  // Copies stand one sphere diagonal (2 sqrt 3) apart: the grid spans 4 of them plus a sphere.
  const float diagonal = 2.0f * std::sqrt(3.0f);
  EXPECT_NEAR(model.bbox_max.x, 2.0f * diagonal + 1.0f, 1e-3f);
  EXPECT_NEAR(model.size, std::sqrt(3.0f) * (4.0f * diagonal + 2.0f), 1e-2f);
}

using ViewerModelDeathTest = ViewerModel;

TEST_F(ViewerModelDeathTest, AGridModelOfTheWrongShapeIsRefusedByName) {
  // The box's first node holds no mesh of its own; its mesh hangs one level down.
  EXPECT_EXIT(
      {
        GltfScene model(kBox, true);
        model.Load(counter_);
      },
      ::testing::ExitedWithCode(1), "Model data/models/samples/Box/Box.glb can't be shown as a grid");
}

class ViewerFrames : public GLTest {
 protected:
  // Wide enough for the help text, which is scaled with the width, to be legible.
  static constexpr int kWidth = 640;
  static constexpr int kHeight = 360;

  void SetUp() override {
    GLTest::SetUp();
    target_ = std::make_unique<RenderTarget>(kWidth, kHeight);
    harness_.Start(viewer_, kWidth, kHeight);
  }

  void Frame() {
    target_->Bind();
    ResetGLState();
    viewer_.Resize(kWidth, kHeight);
    viewer_.Render();
    glBindFramebuffer(GL_FRAMEBUFFER, target_->framebuffer());
  }

  void Press(uint32_t code) { harness_.keys[KeyState::kPressedOnce + code] = 1; }

  SceneHarness harness_{0};
  GLTF viewer_;
  std::unique_ptr<RenderTarget> target_;
};

// Left alone, the viewer tours its first model over the song: whole in the picture, hardly a
// pixel washed out to white, the camera moving on, the lights showing. Keys then take over.
TEST_F(ViewerFrames, ToursTheFirstModelUntilKeysSwitchModelsCamerasAndToggles) {
  ASSERT_EQ(viewer_.model_count(), 18u);
  EXPECT_TRUE(viewer_.model(0).loaded);
  EXPECT_FALSE(viewer_.model(17).loaded);  // models load when first shown
  const GltfScene& first = viewer_.model(0);
  const Camera& camera = *first.objects.data.cameras[0];
  glm::vec3 last_eye(0.0f);
  for (const double t : {0.0, 13.0, 26.0, 39.0, 52.0, 63.0}) {
    harness_.music->SetPositionSeconds(t);
    Frame();
    for (int i = 0; i < 8; ++i) {  // the bounding box's corners
      const glm::vec3 corner = glm::mix(first.bbox_min, first.bbox_max,
                                        glm::vec3(i & 1, (i >> 1) & 1, i >> 2));
      const glm::vec4 p = camera.projection * camera.view * glm::vec4(corner, 1.0f);
      EXPECT_TRUE(std::abs(p.x) < p.w && std::abs(p.y) < p.w) << t;
    }
    const std::vector<uint8_t> pixels = target_->ReadPixels();
    size_t white = 0;
    for (size_t i = 0; i < pixels.size(); i += 4) {
      white += std::min({pixels[i], pixels[i + 1], pixels[i + 2]}) >= 245;
    }
    EXPECT_LT(white, kWidth * kHeight / 100) << t;
    EXPECT_NE(camera.eye, last_eye) << t;
    last_eye = camera.eye;
  }
  const auto middle = target_->PixelAt(kWidth / 2, kHeight / 2);
  EXPECT_FALSE(PixelNear(middle, {51, 51, 51, 255}, 3)) << "no model in the middle";
  const std::vector<uint8_t> lit = target_->ReadPixels();
  harness_.SetTrack("gltfNumLights", 0.0f);
  Frame();
  EXPECT_LT(Psnr(lit, target_->ReadPixels()), 30.0);

  harness_.keys['W'] = 1;  // a move goes on from the tour's place and ends the tour
  viewer_.HandleKeys();
  harness_.keys['W'] = 0;
  EXPECT_FALSE(viewer_.touring);
  EXPECT_LT(glm::distance(camera.eye, first.centre), glm::distance(last_eye, first.centre));
  viewer_.touring = 1;
  Press(ViewerKey::kPageUp);  // wraps to the last model
  Frame();
  EXPECT_EQ(viewer_.current_model(), 17u);
  EXPECT_TRUE(viewer_.model(17).loaded);
  EXPECT_EQ(camera.eye, BoundingBoxCameras(first.centre, first.size)[0].eye);  // given back
  Press('3');
  Press('H');
  Press('B');
  Frame();
  const GltfScene& model = viewer_.model(17);
  EXPECT_EQ(model.objects.cur_cam, 2);
  EXPECT_FALSE(viewer_.touring);
  const glm::vec3 placed = BoundingBoxCameras(model.centre, model.size)[0].eye;
  EXPECT_EQ(model.objects.data.cameras[0]->eye, placed);
  EXPECT_TRUE(viewer_.toggles().help);
  EXPECT_TRUE(model.objects.draw_bbox);
  Press('F');
  Press('K');
  Frame();
  EXPECT_FALSE(model.objects.data.nodes[model.floor_node]->visible);
  EXPECT_FALSE(model.objects.shadows_enabled);
  EXPECT_TRUE(NoGLError());
}

// Bright pixels in the top-left corner where the help lines begin (the key names), left of the
// model.
int BrightTopLeft(const RenderTarget& target) {
  int bright = 0;
  for (int y = target.height() * 3 / 4; y < target.height(); ++y) {
    for (int x = 0; x < target.width() / 10; ++x) {
      const auto p = target.PixelAt(x, y);
      bright += p[0] > 200 && p[1] > 200 && p[2] > 200;
    }
  }
  return bright;
}

TEST_F(ViewerFrames, HelpPrintsItsLinesOverThePicture) {
  Press('Y');  // no sky box behind the text: the background is the clear grey
  Frame();
  const int without = BrightTopLeft(*target_);
  Press('H');
  Frame();
  EXPECT_GT(BrightTopLeft(*target_), without + 20);
}

TEST_F(ViewerFrames, TheLightCountTrackRoundsToTheNearestWholeLight) {
  const struct {
    float track;
    int enabled;
  } cases[] = {{0.4f, 0}, {0.5f, 1}, {2.0f, 2}, {3.0f, 3}, {-1.0f, 0}};
  for (const auto& c : cases) {
    harness_.SetTrack("gltfNumLights", c.track);
    Frame();
    int enabled = 0;
    for (const auto& light : viewer_.model(0).objects.data.lights) enabled += light->enabled;
    EXPECT_EQ(enabled, c.enabled) << c.track;
  }
}

// The viewer halves the shadow cube map's side (512 rather than 1024 at 640 wide). The shadows
// keep their places: on the cube, its floor, and the stairs (which shade their own steps), the
// frames with and without agree at 50 dB or more (a map of side 64 leaves the stairs at 45),
// and differ, as the smaller map must.
TEST_F(ViewerFrames, TheHalvedShadowMapKeepsTheShadowsInPlace) {
  const struct {
    uint32_t model;
    const char* name;
  } models[] = {{0, "bevelled cube"}, {11, "stairs"}};
  for (const auto& m : models) {
    while (viewer_.current_model() != m.model) {
      Press(ViewerKey::kPageDown);
      Frame();
    }
    std::vector<uint8_t> pictures[2];
    for (const uint8_t halved : {0, 1}) {
      viewer_.shortcuts.shadow_map_halved = halved;
      Frame();
      pictures[halved] = target_->ReadPixels();
      ASSERT_TRUE(CurrentShadowCubeMap()) << m.name;
      EXPECT_EQ(CurrentShadowCubeMap()->size(), halved ? 512 : 1024) << m.name;
    }
    const double psnr = Psnr(pictures[0], pictures[1]);
    EXPECT_GE(psnr, 50.0) << m.name;
    EXPECT_LT(psnr, 1000.0) << m.name;
  }
  EXPECT_TRUE(NoGLError());
}

// The packed data file holds what write mode read: a viewer that loaded only its first model
// there would end the run at the first switch to another model when played from the file.
TEST_F(ViewerModel, WriteModeLoadsEveryModelOfTheList) {
  SceneHarness harness(0);
  data_mode = DataMode::Write;
  GLTF viewer;
  harness.Start(viewer, 64, 36);
  for (size_t i = 0; i < viewer.model_count(); ++i) {
    EXPECT_TRUE(viewer.model(static_cast<uint32_t>(i)).loaded) << i;
  }
  const bool recorded = std::any_of(data_file_entries.begin(), data_file_entries.end(),
                                    [](const DataFileEntry& e) {
                                      return e.name == "data/models/vorantil/cube_flat/cube_flat.glb";
                                    });
  EXPECT_TRUE(recorded);
  ResetDataFileState();
}

}  // namespace
