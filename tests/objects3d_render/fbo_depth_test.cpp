// The framebuffer pieces the shadow and composite passes use: binding without clearing and a
// depth-only target drawing into one face of a depth cube map.

#include <vector>

#include <gtest/gtest.h>

#include "support/gl_fixture.h"
#include "util/fbo/fbo.h"
#include "util/light/light.h"
#include "util/light/shadowcubemap.h"

namespace {

class FBODepthTest : public GLTest {};

TEST_F(FBODepthTest, BindWithoutClearKeepsWhatWasDrawn) {
  FBO target(8, 8, FBOType::Color, 0);
  glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
  target.Bind();
  target.Unbind();
  glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
  target.BindWithoutClear();
  std::array<uint8_t, 4> pixel{};
  glReadPixels(3, 3, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel.data());
  target.Unbind();
  EXPECT_EQ(pixel, (std::array<uint8_t, 4>{255, 0, 0, 255}));
  EXPECT_TRUE(NoGLError());
}

float FaceDepth(GLuint cube, GLenum face) {
  std::vector<float> depths(16 * 16);
  glBindTexture(GL_TEXTURE_CUBE_MAP, cube);
  glGetTexImage(face, 0, GL_DEPTH_COMPONENT, GL_FLOAT, depths.data());
  glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
  return depths[5 * 16 + 7];
}

TEST_F(FBODepthTest, DepthOnlyTargetWritesTheAttachedCubeFace) {
  ShadowCubeMap map(16);
  FBO& target = map.framebuffer();
  GLint outer = 0;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING, &outer);
  for (const auto& [face, depth] : {std::pair{2u, 0.25}, std::pair{3u, 0.75}}) {
    target.AttachDepthCubeFace(map.texture(), face);
    GLint still = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &still);
    EXPECT_EQ(still, outer) << "attaching keeps the caller's binding";
    target.BindWithoutClear();
    EXPECT_TRUE(target.CheckStatus());
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 16);
    glClearDepth(depth);
    glClear(GL_DEPTH_BUFFER_BIT);
    target.Unbind();
  }
  glClearDepth(1.0);
  EXPECT_NEAR(FaceDepth(map.texture(), GL_TEXTURE_CUBE_MAP_POSITIVE_Y), 0.25f, 1e-4f);
  EXPECT_NEAR(FaceDepth(map.texture(), GL_TEXTURE_CUBE_MAP_NEGATIVE_Y), 0.75f, 1e-4f);
  EXPECT_TRUE(NoGLError());
}

// A face's remembered contents last only until something else is drawn into it or the storage
// is made anew; the other faces keep theirs.
TEST_F(FBODepthTest, FaceContentsAreForgottenWhenTheFaceIsDrawnOrTheMapResized) {
  Light light;
  light.shadows = 1;
  light.shadow_size = 16;
  light.CreateShadowTextures();
  ShadowCubeMap& map = *light.shadow_map;
  map.Resize(16);
  for (uint32_t face = 0; face < 6; ++face) map.SetFaceContents(face, 100 + face);
  light.BeginShadowFace(2);
  light.EndShadowFace();
  EXPECT_EQ(map.FaceContents(2), 0u) << "drawn into";
  EXPECT_EQ(map.FaceContents(3), 103u) << "not drawn into";
  map.Resize(32);
  EXPECT_EQ(map.FaceContents(3), 0u) << "new storage";
  EXPECT_TRUE(NoGLError());
}

}  // namespace
