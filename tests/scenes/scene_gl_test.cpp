// The GL state every scene starts from and the default resize.

#include <GL/glew.h>
#include <gtest/gtest.h>

#include "scenes/scene.h"
#include "support/gl_fixture.h"

namespace {

class SceneStateTest : public GLTest {};

struct PlainScene : Scene {
  void Init() override {}
  void Render() override {}
};

TEST_F(SceneStateTest, ResetTurnsDepthWritesBackOn) {
  glDepthMask(GL_FALSE);
  ResetGLState();
  GLboolean depth_writes = GL_FALSE;
  glGetBooleanv(GL_DEPTH_WRITEMASK, &depth_writes);
  EXPECT_EQ(depth_writes, GL_TRUE);
}

TEST_F(SceneStateTest, ResetRestoresTheSharedDefaults) {
  glEnable(GL_BLEND);
  glEnable(GL_SCISSOR_TEST);
  glDisable(GL_DEPTH_TEST);
  glDepthFunc(GL_ALWAYS);
  glActiveTexture(GL_TEXTURE5);
  glEnable(GL_LIGHT3);
  ResetGLState();
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_FALSE(glIsEnabled(GL_LIGHT3));
  EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
  GLint value = 0;
  glGetIntegerv(GL_DEPTH_FUNC, &value);
  EXPECT_EQ(value, GL_LESS);
  glGetIntegerv(GL_ACTIVE_TEXTURE, &value);
  EXPECT_EQ(value, GL_TEXTURE0);
  glGetIntegerv(GL_MATRIX_MODE, &value);
  EXPECT_EQ(value, GL_MODELVIEW);
  EXPECT_TRUE(NoGLError());
}

TEST_F(SceneStateTest, DefaultResizeLeavesIdentityProjectionAndFullViewport) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, 5, 0, 5, -1, 1);
  PlainScene scene;
  scene.Resize(40, 30);
  EXPECT_EQ(scene.width, 40u);
  EXPECT_EQ(scene.height, 30u);
  GLfloat projection[16] = {};
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(projection[i], i % 5 == 0 ? 1.0f : 0.0f);
  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], 40);
  EXPECT_EQ(viewport[3], 30);
  GLint scissor[4] = {};
  glGetIntegerv(GL_SCISSOR_BOX, scissor);
  EXPECT_EQ(scissor[2], 40);
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
  glViewport(0, 0, kWindowWidth, kWindowHeight);
}

}  // namespace
