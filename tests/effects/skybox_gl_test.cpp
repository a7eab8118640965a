// The sky box drawn for real: its program, the call order it demands, and the cube map face
// seen straight ahead along each axis.

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <stb_image_write.h>

#include "effects/skybox.h"
#include "support/gl_fixture.h"
#include "support/test_files.h"
#include "util/texture/texturecube.h"

namespace {

using SkyBoxTest = GLTest;
using Rgb = std::array<uint8_t, 3>;

// One colour per face, in face order -X, +X, -Y, +Y, -Z, +Z.
constexpr std::array<Rgb, 6> kFaceColors = {{{255, 0, 0},
                                             {0, 255, 0},
                                             {0, 0, 255},
                                             {255, 255, 0},
                                             {0, 255, 255},
                                             {255, 0, 255}}};
constexpr std::array<const char*, 6> kFaceNames = {"negx", "posx", "negy",
                                                   "posy", "negz", "posz"};

// Six solid 4 x 4 face images written to a scratch folder and loaded as a cube map.
class SixColourCube {
 public:
  SixColourCube() {
    for (size_t face = 0; face < 6; ++face) {
      std::vector<uint8_t> pixels;
      for (int i = 0; i < 16; ++i) {
        pixels.insert(pixels.end(), kFaceColors[face].begin(), kFaceColors[face].end());
      }
      const std::string path = (dir_ / (std::string("sky_") + kFaceNames[face] + ".png")).string();
      if (stbi_write_png(path.c_str(), 4, 4, 3, pixels.data(), 12) == 0) {
        throw std::runtime_error("could not write " + path);
      }
    }
    cube = std::make_shared<TextureCube>((dir_ / "sky_").string(), "png", false);
  }
  ~SixColourCube() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  std::shared_ptr<TextureCube> cube;

 private:
  std::filesystem::path dir_ = MakeTemporaryFolder("skybox_test");
};

std::shared_ptr<Camera> CameraLooking(glm::vec3 eye, glm::vec3 direction, glm::vec3 up) {
  auto camera = std::make_shared<Camera>();
  const glm::vec3 dst = eye + direction;
  camera->LookAt(eye.x, eye.y, eye.z, dst.x, dst.y, dst.z, up.x, up.y, up.z);
  return camera;
}

// Clears the target to grey and draws the sky seen by the camera over all of it.
void DrawSky(const RenderTarget& target, Effects::SkyBox& sky, std::shared_ptr<Camera> camera) {
  target.Bind();
  glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glClearColor(0, 0, 0, 0);
  sky.setCamera(camera, static_cast<uint32_t>(target.width()),
                static_cast<uint32_t>(target.height()), 1.0f);
  sky.render(0.0);
}

// The pixel in the middle of the target.
std::array<uint8_t, 4> Centre(const RenderTarget& target) {
  return target.PixelAt(target.width() / 2, target.height() / 2);
}

// Leaves the fixed-function state as the other tests expect it.
struct RestoreState {
  ~RestoreState() {
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glUseProgram(0);
  }
};

TEST_F(SkyBoxTest, ProgramHasTheUniformsRenderSetsWithTheirTypes) {
  RestoreState restore;
  SixColourCube faces;
  Effects::SkyBox sky;
  sky.init({0, 0, 0}, 1.0f, faces.cube);
  sky.color = {0.25f, 0.5f, 1.0f};
  DrawSky(RenderTarget(8, 8), sky, CameraLooking({0, 0, 0}, {0, 0, -1}, {0, 1, 0}));

  const GLuint program = sky.program().program();
  EXPECT_EQ(ActiveUniformType(program, "Color"), GLenum(GL_FLOAT_VEC3));
  EXPECT_EQ(ActiveUniformType(program, "CubeMap"), GLenum(GL_SAMPLER_CUBE));
  float color[3] = {};
  glGetUniformfv(program, sky.program().GetUniformLocation("Color"), color);
  EXPECT_EQ(color[0], 0.25f);
  EXPECT_EQ(color[1], 0.5f);
  EXPECT_EQ(color[2], 1.0f);
  EXPECT_TRUE(NoGLError());
}

TEST_F(SkyBoxTest, LookingAlongEachAxisShowsThatFaceInTheCentre) {
  RestoreState restore;
  SixColourCube faces;
  Effects::SkyBox sky;
  sky.init({0, 0, 0}, 5.0f, faces.cube);
  const std::array<glm::vec3, 6> directions = {
      {{-1, 0, 0}, {1, 0, 0}, {0, -1, 0}, {0, 1, 0}, {0, 0, -1}, {0, 0, 1}}};
  RenderTarget target(32, 32);
  for (size_t face = 0; face < 6; ++face) {
    const glm::vec3 up = directions[face].y != 0.0f ? glm::vec3(0, 0, 1) : glm::vec3(0, 1, 0);
    // The scene eye lies outside the box; the sky camera's tenth of it lies inside.
    DrawSky(target, sky, CameraLooking({30, -20, 40}, directions[face], up));
    const Rgb& c = kFaceColors[face];
    const std::array<uint8_t, 4> centre = Centre(target);
    EXPECT_TRUE(PixelNear(centre, {c[0], c[1], c[2], 255}, 2))
        << kFaceNames[face] << ": " << PixelText(centre);
  }
  EXPECT_TRUE(NoGLError());
}

TEST_F(SkyBoxTest, ColourTintsTheSkyAndTheStateIsLeftForTheScene) {
  RestoreState restore;
  SixColourCube faces;
  Effects::SkyBox sky;
  sky.init({0, 0, 0}, 1.0f, faces.cube);
  sky.color = {0.5f, 1.0f, 1.0f};
  RenderTarget target(16, 16);
  glEnable(GL_CULL_FACE);
  DrawSky(target, sky, CameraLooking({0, 0, 0}, {1, 0, 0}, {0, 1, 0}));
  // +X is pure green, which a tint halving only red leaves as it is.
  EXPECT_TRUE(PixelNear(Centre(target), {0, 255, 0, 255}, 2)) << PixelText(Centre(target));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_CUBE_MAP));
  GLint bound = -1;
  glGetIntegerv(GL_TEXTURE_BINDING_CUBE_MAP, &bound);
  EXPECT_EQ(bound, 0);

  sky.color = {0.5f, 0.5f, 0.5f};
  DrawSky(target, sky, CameraLooking({0, 0, 0}, {-1, 0, 0}, {0, 1, 0}));
  EXPECT_TRUE(PixelNear(Centre(target), {128, 0, 0, 255}, 2)) << PixelText(Centre(target));
  EXPECT_TRUE(NoGLError());
}

TEST_F(SkyBoxTest, InitStoresTenTimesTheSizeAndTheCameraFitsIt) {
  SixColourCube faces;
  Effects::SkyBox sky;
  EXPECT_FALSE(sky.initialised());
  EXPECT_FALSE(sky.cameraSet());
  EXPECT_EQ(sky.position, glm::vec3(0.0f));
  EXPECT_EQ(sky.color, glm::vec3(1.0f));
  sky.init({1, 2, 3}, 50.0f, faces.cube);
  EXPECT_TRUE(sky.initialised());
  EXPECT_EQ(sky.position, glm::vec3(1, 2, 3));
  EXPECT_FLOAT_EQ(sky.size, 500.0f);
  sky.setCamera(CameraLooking({10, 20, 30}, {0, 0, -30}, {0, 1, 0}), 64, 48, 4.0f / 3.0f);
  EXPECT_TRUE(sky.cameraSet());
  EXPECT_FLOAT_EQ(sky.camera().znear, 0.5f);
  EXPECT_FLOAT_EQ(sky.camera().zfar, 5000.0f);
  EXPECT_FLOAT_EQ(sky.camera().eye.z, 3.0f);
  EXPECT_FLOAT_EQ(sky.camera().dst.z, -27.0f);
}

TEST_F(SkyBoxTest, RenderNeedsInitThenACamera) {
  SixColourCube faces;
  Effects::SkyBox sky;
  try {
    sky.render(0.0);
    ADD_FAILURE() << "render before init drew";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "SkyBox::render() called without initializing effect!");
  }
  sky.init({0, 0, 0}, 1.0f, faces.cube);
  try {
    sky.render(0.0);
    ADD_FAILURE() << "render before setCamera drew";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "SkyBox::render() called without setting camera first");
  }
  try {
    sky.init({0, 0, 0}, 1.0f, faces.cube);
    ADD_FAILURE() << "second init accepted";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "SkyBox::init() called twice!");
  }
  EXPECT_TRUE(NoGLError());
}

TEST_F(SkyBoxTest, BadArgumentsAreRefusedInsteadOfDrawingGarbage) {
  RestoreState restore;
  SixColourCube faces;
  Effects::SkyBox sky;
  EXPECT_THROW(sky.init({0, 0, 0}, 1.0f, nullptr), std::runtime_error);
  EXPECT_THROW(sky.init({0, 0, 0}, 0.0f, faces.cube), std::runtime_error);
  EXPECT_THROW(sky.init({0, 0, 0}, -2.0f, faces.cube), std::runtime_error);
  EXPECT_FALSE(sky.initialised());
  EXPECT_THROW(sky.setCamera(nullptr, 16, 16, 1.0f), std::runtime_error);

  // A camera given before init is fitted to the box when drawn.
  RenderTarget target(16, 16);
  target.Bind();
  sky.setCamera(CameraLooking({0, 0, 0}, {0, 0, 1}, {0, 1, 0}), 16, 16, 1.0f);
  sky.init({0, 0, 0}, 1.0f, faces.cube);
  sky.render(0.0);
  EXPECT_TRUE(PixelNear(Centre(target), {255, 0, 255, 255}, 2)) << PixelText(Centre(target));
  EXPECT_FLOAT_EQ(sky.camera().zfar, 100.0f);

  sky.size = 0.0f;
  EXPECT_THROW(sky.render(0.0), std::runtime_error);
  EXPECT_TRUE(NoGLError());
}

}  // namespace

namespace {

// Pixels the sky left at DrawSky's grey.
int GreyPixels(const RenderTarget& target) {
  const std::vector<uint8_t> pixels = target.ReadPixels();
  int count = 0;
  for (size_t i = 0; i + 3 < pixels.size(); i += 4) {
    const bool grey = std::abs(pixels[i] - 128) <= 1 && std::abs(pixels[i + 1] - 128) <= 1 &&
                      std::abs(pixels[i + 2] - 128) <= 1;
    count += grey ? 1 : 0;
  }
  return count;
}

}  // namespace

// A box said to fill the view leaves nothing of what lay beneath; eyes near a face, outside
// the box or shaken out of it are not said to.
TEST_F(SkyBoxTest, FillsViewOnlyWhereTheBoxCoversEveryPixel) {
  RestoreState restore;
  SixColourCube faces;
  RenderTarget target(64, 36);
  const float aspect = 64.0f / 36.0f;
  Effects::SkyBox sky;
  // Half edge 10 around the origin; the sky eye is a tenth of the scene eye, the near plane
  // 0.01 from it.
  sky.init({0, 0, 0}, 1.0f, faces.cube);
  struct Case {
    const char* name;
    glm::vec3 eye;
    glm::vec3 direction;
    glm::vec3 shake;
    bool fills;
  };
  const Case cases[] = {
      {"centre", {0, 0, 0}, {0, 0, -1}, {0, 0, 0}, true},
      {"near a face, facing it", {95, 0, 0}, {1, 0, 0}, {0, 0, 0}, true},
      {"near a corner, facing it", {90, 90, 90}, {1, 1, 1}, {0, 0, 0}, true},
      {"the near plane through the face", {99.99f, 0, 0}, {1, 0, 0}, {0, 0, 0}, false},
      {"outside, facing away", {150, 0, 0}, {1, 0, 0}, {0, 0, 0}, false},
      {"shaken out through the face", {95, 0, 0}, {1, 0, 0}, {-1, 0, 0}, false},
  };
  for (const Case& c : cases) {
    auto camera = CameraLooking(c.eye, c.direction, {0, 1, 0});
    camera->shake = c.shake;
    EXPECT_EQ(sky.FillsView(*camera, aspect), c.fills) << c.name;
    sky.setCamera(camera, 64, 36, aspect);
    target.Bind();
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0, 0, 0, 0);
    sky.render(0.0);
    EXPECT_EQ(GreyPixels(target) == 0, c.fills) << c.name;
  }
}
