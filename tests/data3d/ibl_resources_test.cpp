// The generated image-based-lighting resources loaded through the toolkit as the 3D renderer
// loads them: both environment cubes find their faces, keep the sky up, and the specular one
// prefilters; the BRDF table reads as the loader stores it (bottom row first).

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>

#include "support/gl_fixture.h"
#include "util/texture/texture.h"
#include "util/texture/texturecube.h"

namespace {

constexpr const char* kLut = "data/objects3d/textures/brdfLUT.png";

struct Environment {
  const char* prefix;
  const char* extension;
  bool flip;
  uint32_t size;
  uint32_t bpp;
};

const Environment kEnvironments[] = {
    {"data/objects3d/environments/doge2/diffuse/diffuse_", "hdr", false, 32, 96},
    {"data/common/skyboxes/urban-skyboxes/CNTower/1024_", "jpg", true, 512, 24},
};

// One channel value of a face on the display scale 0-255: byte faces as stored, radiance faces
// (linear floats) display-encoded.
double DisplayValue(const TextureCube& cube, const std::vector<uint8_t>& face, size_t index) {
  if (cube.bpp != 96) return face[index];
  float linear = 0.0f;
  std::memcpy(&linear, face.data() + index * sizeof(float), sizeof(float));
  return 255.0 * std::pow(std::max(linear, 0.0f), 1.0 / 2.2);
}

// Mean of one channel over rows [first, last) of a face stored top row first, RGB.
double RowsMean(const TextureCube& cube, int face_index, uint32_t first, uint32_t last,
                int channel) {
  const std::vector<uint8_t>& face = cube.face_data[static_cast<size_t>(face_index)];
  const uint32_t size = cube.width;
  double sum = 0;
  for (uint32_t y = first; y < last; ++y) {
    for (uint32_t x = 0; x < size; ++x) {
      sum += DisplayValue(cube, face, (static_cast<size_t>(y) * size + x) * 3 + channel);
    }
  }
  return sum / ((last - first) * size);
}

class IblResourcesTest : public GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    ASSERT_TRUE(std::filesystem::exists(kLut)) << "run tools/generate-data.sh";
  }
};

}  // namespace

TEST_F(IblResourcesTest, EnvironmentsLoadWithTheSkyUp) {
  for (const Environment& env : kEnvironments) {
    SCOPED_TRACE(env.prefix);
    TextureCube cube(env.prefix, env.extension, env.flip);
    EXPECT_EQ(cube.width, env.size);
    EXPECT_EQ(cube.height, env.size);
    EXPECT_EQ(cube.bpp, env.bpp);
    const uint32_t n = env.size;
    // +Y (face 3) is sky, -Y (face 2) ground.
    EXPECT_GT(RowsMean(cube, 3, 0, n, 2), RowsMean(cube, 2, 0, n, 2) + 20);
    // On every side face the first rows (up) are bluer than the last (down).
    for (int face : {0, 1, 4, 5}) {
      EXPECT_GT(RowsMean(cube, face, 0, n / 4, 2), RowsMean(cube, face, n - n / 4, n, 2) + 10)
          << "face " << face;
    }
    EXPECT_TRUE(NoGLError());
  }
}

TEST_F(IblResourcesTest, SpecularEnvironmentPrefiltersIntoAFullChain) {
  TextureCube cube(kEnvironments[1].prefix, kEnvironments[1].extension, kEnvironments[1].flip);
  const auto start = std::chrono::steady_clock::now();
  cube.CreatePrefilteredMipmaps();
  glFinish();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  RecordProperty("prefilter_seconds", std::to_string(seconds));
  EXPECT_TRUE(NoGLError());
  glBindTexture(GL_TEXTURE_CUBE_MAP, cube.id);
  GLint width = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_CUBE_MAP_POSITIVE_Y, 9, GL_TEXTURE_WIDTH, &width);
  EXPECT_EQ(width, 1);  // 512 down to 1: ten levels
  glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
}

TEST_F(IblResourcesTest, BrdfTableReadsBottomRowFirst) {
  Texture lut(kLut, false, false);
  ASSERT_EQ(lut.width, 128u);
  ASSERT_EQ(lut.height, 128u);
  ASSERT_EQ(lut.bpp, 24u);
  // The first stored row is roughness near 0: grazing views reflect through the bias (green),
  // head-on views through the scale (red).
  const auto texel = [&](uint32_t x, uint32_t y, int c) {
    return lut.image_data[(static_cast<size_t>(y) * lut.width + x) * 3 + c];
  };
  EXPECT_GT(texel(0, 0, 1), 200);
  EXPECT_GT(texel(127, 0, 0), 240);
  EXPECT_LT(texel(127, 0, 1), 5);
  // The roughest row loses energy at grazing angles.
  EXPECT_LT(texel(0, 127, 0) + texel(0, 127, 1), 200);
}
