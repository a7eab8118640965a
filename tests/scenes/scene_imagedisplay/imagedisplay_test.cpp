// The still-picture scene: where the picture goes, and the picture drawn and read back.

#include <gtest/gtest.h>

#include <array>

#include "support/effect_gl.h"
#include "scenes/scene_imagedisplay/imagedisplay.h"

namespace {

TEST(ImageDisplayRectTest, NarrowPictureFillsTheHeightCentredSideways) {
  const UnitRect rect = ImageDisplay::PictureRect(1.0f, 16.0f / 9.0f);  // 1024 x 1024
  EXPECT_FLOAT_EQ(rect.width, 0.5625f);
  EXPECT_FLOAT_EQ(rect.x, 0.21875f);
  EXPECT_FLOAT_EQ(rect.y, 0.0f);
  EXPECT_FLOAT_EQ(rect.height, 1.0f);
}

TEST(ImageDisplayRectTest, WidePictureFillsTheWidthCentredVertically) {
  const UnitRect rect = ImageDisplay::PictureRect(3.2f, 16.0f / 9.0f);  // 3200 x 1000
  EXPECT_FLOAT_EQ(rect.x, 0.0f);
  EXPECT_FLOAT_EQ(rect.width, 1.0f);
  EXPECT_NEAR(rect.height, 0.5556f, 1e-4);
  EXPECT_NEAR(rect.y, 0.2222f, 1e-4);
}

TEST(ImageDisplayRectTest, PictureOfTheSceneAspectFillsTheSquare) {
  const UnitRect rect = ImageDisplay::PictureRect(16.0f / 9.0f, 16.0f / 9.0f);
  EXPECT_FLOAT_EQ(rect.x, 0.0f);
  EXPECT_FLOAT_EQ(rect.y, 0.0f);
  EXPECT_FLOAT_EQ(rect.width, 1.0f);
  EXPECT_FLOAT_EQ(rect.height, 1.0f);
}

class ImageDisplayGLTest : public GLTest {
 protected:
  // The scene drawn into a cleared target of this size with this scene aspect.
  void Draw(ImageDisplay& scene, const RenderTarget& target, float aspect) {
    scene.aspect = aspect;
    target.Bind();
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    scene.Resize(target.width(), target.height());
    scene.Render();
  }

  // The picture's texel (column, row from the bottom) as RGBA.
  static std::array<uint8_t, 4> Texel(const Texture& image, uint32_t x, uint32_t y) {
    const size_t bytes = image.bpp / 8;
    const size_t at = (static_cast<size_t>(y) * image.width + x) * bytes;
    const uint8_t alpha = bytes == 4 ? image.image_data[at + 3] : 255;
    return {image.image_data[at], image.image_data[at + 1], image.image_data[at + 2], alpha};
  }
};

TEST_F(ImageDisplayGLTest, LetterboxesWithBlackBarsAndNearestTexels) {
  ImageDisplay scene;
  scene.Init();
  const Texture& image = scene.image();
  ASSERT_EQ(image.width, 1024u);
  ASSERT_EQ(image.height, 576u);
  // A 16:9 picture in a 4:3 viewport of 64 x 48: rows 6 to 41 hold it, 16 texels a pixel.
  RenderTarget target(64, 48);
  Draw(scene, target, 4.0f / 3.0f);
  for (int x = 0; x < 64; x += 7) {
    EXPECT_EQ(target.PixelAt(x, 2), (std::array<uint8_t, 4>{0, 0, 0, 0})) << x;
    EXPECT_EQ(target.PixelAt(x, 45), (std::array<uint8_t, 4>{0, 0, 0, 0})) << x;
  }
  for (int y = 6; y < 42; y += 5) {
    for (int x = 0; x < 64; x += 9) {
      // Pixel centres fall on texel centres: nearest sampling returns the texel exactly.
      const auto expected = Texel(image, x * 16 + 8, (y - 6) * 16 + 8);
      EXPECT_EQ(target.PixelAt(x, y), expected) << x << ", " << y;
    }
  }
  EXPECT_TRUE(NoGLError());
}

TEST_F(ImageDisplayGLTest, PillarboxesInAWiderViewport) {
  ImageDisplay scene;
  scene.Init();
  RenderTarget target(96, 32);  // aspect 3: the picture is 0.5926 of the width
  Draw(scene, target, 3.0f);
  const std::array<uint8_t, 4> black = {0, 0, 0, 0};
  EXPECT_EQ(target.PixelAt(5, 16), black);
  EXPECT_EQ(target.PixelAt(90, 16), black);
  EXPECT_NE(target.PixelAt(48, 28), black);  // the sky over the middle
  EXPECT_EQ(target.PixelAt(48, 28)[3], 255);
}

}  // namespace
