// The shared GPU resources: one object per key for the run, the copy program drawing a texture
// over the unit square, and refusals of a second owner or a key asked for as another type.

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <memory>

#include "support/gl_fixture.h"
#include "util/gpuresources/gpuresources.h"

namespace {

constexpr GpuResourceKey kCounter{"test counter"};

struct Counter {
  int value = 0;
};

class GpuResourcesTest : public GLTest {};

TEST_F(GpuResourcesTest, KeyGivesTheSameObjectMadeOnce) {
  int made = 0;
  auto make = [&made] {
    ++made;
    return std::make_unique<Counter>();
  };
  Counter& first = GpuResources::Current().Get<Counter>(kCounter, make);
  first.value = 7;
  Counter& second = GpuResources::Current().Get<Counter>(kCounter, make);
  EXPECT_EQ(&first, &second);
  EXPECT_EQ(second.value, 7);
  EXPECT_LE(made, 1);
}

TEST_F(GpuResourcesTest, CopyProgramDrawsTheBoundTextureOverTheUnitSquare) {
  const uint8_t texels[16] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
  RenderTarget target(4, 4);
  target.Bind();
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
  glDisable(GL_DEPTH_TEST);
  GpuResources::Current().UseCopyProgram();
  GpuResources::Current().DrawUnitQuad();
  EXPECT_TRUE(PixelNear(target.PixelAt(0, 0), {255, 0, 0, 255}, 1)) << PixelText(target.PixelAt(0, 0));
  EXPECT_TRUE(PixelNear(target.PixelAt(3, 0), {0, 255, 0, 255}, 1)) << PixelText(target.PixelAt(3, 0));
  EXPECT_TRUE(PixelNear(target.PixelAt(0, 3), {0, 0, 255, 255}, 1)) << PixelText(target.PixelAt(0, 3));
  glUseProgram(0);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glDeleteTextures(1, &texture);
}

TEST_F(GpuResourcesTest, SecondOwnerOrAnotherTypeIsFatal) {
  EXPECT_EXIT(GpuResources second, ::testing::ExitedWithCode(1), "made twice");
  GpuResources::Current().Get<Counter>(kCounter, [] { return std::make_unique<Counter>(); });
  EXPECT_EXIT(GpuResources::Current().Get<int>(kCounter, [] { return std::make_unique<int>(); }),
              ::testing::ExitedWithCode(1), "test counter asked for as another type");
}

}  // namespace
