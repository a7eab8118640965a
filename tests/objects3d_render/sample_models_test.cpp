// The shared sample models drawn at 256 x 256 with image-based light and one shadowed point
// light. The pictures go to "objects3d_render_models/" in the build folder for a person to
// look at; the test checks that each model loads, draws something and leaves no GL error, and
// that the colours of a few of them (a material's, vertex colours) land where they belong.

#include <array>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include "render_scene.h"
#include "util/camera/camera.h"
#include "util/light/light.h"

namespace {

namespace fs = std::filesystem;

constexpr int kPictureSide = 256;
const char kModels[] = "/work/shared/testdata/gltf";

// The first .gltf (else .glb) of a sample folder.
std::string ModelFile(const fs::path& folder) {
  for (const char* variant : {"glTF", "glTF-Binary"}) {
    const fs::path dir = folder / variant;
    if (!fs::is_directory(dir)) continue;
    for (const auto& entry : fs::directory_iterator(dir)) {
      const std::string ext = entry.path().extension().string();
      if (ext == ".gltf" || ext == ".glb") return entry.path().string();
    }
  }
  return {};
}

fs::path PictureFolder() {
  const char* build = std::getenv("PLAYER_BINARY_DIR");
  fs::path folder = fs::path(build ? build : ".") / "objects3d_render_models";
  fs::create_directories(folder);
  return folder;
}

// Camera in front of, above and to the right of the model, looking at its centre.
void FrameModel(Objects3D& scene) {
  glm::vec3 min, max;
  scene.GetNodeBBox("", min, max);
  const glm::vec3 centre = (min + max) * 0.5f;
  const float size = std::max(glm::length(max - min), 1e-3f);
  const glm::vec3 eye = centre + glm::vec3(0.45f, 0.35f, 1.0f) * size * 1.1f;
  Camera& camera = *scene.AddCamera();
  camera.LookAt(eye.x, eye.y, eye.z, centre.x, centre.y, centre.z, 0, 1, 0);
  camera.SetNearFar(size * 0.01f, size * 10.0f);
  Light& light = *scene.AddLight();
  light.position = glm::vec4(centre + glm::vec3(-0.6f, 1.0f, 0.8f) * size, 1.0f);
  light.intensity = 1.5f * size * size;
  light.shadow_size = 512;
  light.shadow_near = size * 0.01f;
  light.shadow_far = size * 10.0f;
  light.projection = CubeFaceProjection(light.shadow_near, light.shadow_far);
  scene.shadows_enabled = 1;
  scene.Resize(kPictureSide, kPictureSide, 1.0f);
}

// A colour expected about a place of a model's picture (x right, y down from the top left), as
// the test view frames and lights it: the box's red plastic, the interleaved box's red metal
// (its material leaves metallic at glTF's default of 1), the vertex colours of the three ticks,
// the triangle without a material (glTF's default: white, rough metal), the clear colour beside
// them. The reference check holds these lit colours against an independent renderer; here they
// guard the places, the hues and the light's level (a frame encoded twice or lit in display
// space lands 80 or more off).
struct ColourSample {
  const char* model;
  int x, y;
  std::array<uint8_t, 3> colour;
};

constexpr std::array<uint8_t, 3> kRedPlastic = {128, 22, 24};
constexpr std::array<uint8_t, 3> kRedMetal = {81, 1, 1};
constexpr std::array<uint8_t, 3> kRed = {156, 25, 26};
constexpr std::array<uint8_t, 3> kGreen = {24, 160, 25};
constexpr std::array<uint8_t, 3> kBlue = {22, 23, 160};
constexpr std::array<uint8_t, 3> kRoughWhiteMetal = {92, 96, 105};
constexpr glm::vec4 kClearColour(0.1f, 0.1f, 0.12f, 1.0f);
constexpr std::array<uint8_t, 3> kClear = {26, 26, 31};  // kClearColour as drawn
constexpr int kColourTolerance = 30;

const ColourSample kColourSamples[] = {
    {"Box", 100, 150, kRedPlastic},          {"Box", 10, 10, kClear},
    {"BoxInterleaved", 100, 150, kRedMetal}, {"VertexColorTest", 88, 95, kRed},
    {"VertexColorTest", 133, 95, kGreen},    {"VertexColorTest", 180, 100, kBlue},
    {"Triangle", 100, 120, kRoughWhiteMetal}, {"Triangle", 200, 60, kClear},
};

// The mean colour of the 3 x 3 pixels about a place, given from the top left.
std::array<int, 3> MeanColour(const std::vector<uint8_t>& pixels, int x, int y) {
  std::array<int, 3> sum = {0, 0, 0};
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      const auto pixel = PixelOf(pixels, kPictureSide, x + dx, kPictureSide - 1 - (y + dy));
      for (int c = 0; c < 3; ++c) sum[c] += pixel[c];
    }
  }
  for (int& channel : sum) channel /= 9;
  return sum;
}

void ExpectColours(const std::string& model, const std::vector<uint8_t>& pixels) {
  for (const ColourSample& sample : kColourSamples) {
    if (model != sample.model) continue;
    const auto mean = MeanColour(pixels, sample.x, sample.y);
    for (int c = 0; c < 3; ++c) {
      EXPECT_NEAR(mean[c], sample.colour[c], kColourTolerance)
          << model << " at (" << sample.x << ", " << sample.y << "), channel " << c;
    }
  }
}

// The pixels of a picture drawn over kClearColour that are not that colour.
int DrawnPixels(const std::vector<uint8_t>& pixels) {
  int drawn = 0;
  for (size_t i = 0; i < pixels.size(); i += 4) {
    drawn += pixels[i] != kClear[0] || pixels[i + 1] != kClear[1] || pixels[i + 2] != kClear[2];
  }
  return drawn;
}

class SampleModelsTest : public GLTest {};

TEST_F(SampleModelsTest, EverySampleModelDrawsAPicture) {
  if (!fs::is_directory(kModels)) GTEST_SKIP() << "no sample models";
  const fs::path out = PictureFolder();
  const auto keep = HoldSharedResources();
  int drawn = 0;
  for (const auto& entry : fs::directory_iterator(kModels)) {
    const std::string file = ModelFile(entry.path());
    const std::string name = entry.path().filename().string();
    // The loader refuses primitives without indices (a fatal message of its own).
    if (file.empty() || name == "TriangleWithoutIndices") continue;
    SCOPED_TRACE(name);
    Objects3D scene(file);
    FrameModel(scene);
    scene.Animate(0.25f);
    const auto pixels = Render(scene, kClearColour, kPictureSide);
    ASSERT_TRUE(WritePng((out / (name + ".png")).string(), pixels, kPictureSide, kPictureSide));
    EXPECT_GT(DrawnPixels(pixels), 200) << name << " drew nothing";
    ExpectColours(name, pixels);
    EXPECT_TRUE(NoGLError());
    ++drawn;
  }
  EXPECT_GE(drawn, 6);
}

// The odd primitives the glTF fuzzer starts from (tests/fuzz/gltf_seeds): no size, a tiny or a
// huge one (brought to a unit size by the master node), a position that is not a number. Each
// loads and draws with shadows, glow and the closed-solid culling without a GL error (and, built
// with the sanitizers, without undefined behaviour). The boxes with a size show, glow and all:
// the glow blurred about the emitters alone gives the frame of the glow blurred everywhere.
TEST_F(SampleModelsTest, OddPrimitivesDraw) {
  const char* source = std::getenv("PLAYER_SOURCE_DIR");
  const fs::path seeds = fs::path(source ? source : ".") / "tests" / "fuzz" / "gltf_seeds";
  const struct {
    const char* name;
    float scale;
    bool shows;
  } cases[] = {{"one_point", 1, false},  {"flat_sliver_far_out", 1, false},
               {"tiny_box", 1e20f, true}, {"huge_box", 1e-30f, true},
               {"not_a_number", 1, true}};
  const auto keep = HoldSharedResources();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Objects3D scene((seeds / (std::string(c.name) + ".glb")).string());
    scene.GetMasterNode().instances[0] = glm::scale(glm::mat4(1.0f), glm::vec3(c.scale));
    FrameModel(scene);
    scene.Resize(kSide, kSide, 1.0f);
    scene.glow_enabled = 1;
    scene.glow_bounded = 0;
    const auto whole = Render(scene, kClearColour);
    scene.glow_bounded = 1;
    const auto pixels = Render(scene, kClearColour);
    EXPECT_EQ(pixels, whole);
    EXPECT_EQ(DrawnPixels(pixels) > kSide * kSide / 4, c.shows) << DrawnPixels(pixels);
    EXPECT_TRUE(NoGLError());
  }
}

}  // namespace
