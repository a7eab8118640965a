#include "util/fbo/fbo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "support/gl_fixture.h"

namespace {

GLint Integer(GLenum name) {
  GLint value = 0;
  glGetIntegerv(name, &value);
  return value;
}

std::array<GLint, 4> Viewport() {
  std::array<GLint, 4> viewport{};
  glGetIntegerv(GL_VIEWPORT, viewport.data());
  return viewport;
}

GLint LevelWidth(const Texture& texture, GLint level) {
  glBindTexture(texture.Target(), texture.id);
  GLint width = 0;
  glGetTexLevelParameteriv(texture.Target(), level, GL_TEXTURE_WIDTH, &width);
  return width;
}

GLint RenderbufferWidth(GLuint renderbuffer) {
  glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
  GLint width = 0;
  glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_WIDTH, &width);
  return width;
}

const FBOType kTypes[] = {FBOType::MipmappedColor, FBOType::ThreeFloatColors,
                          FBOType::FloatColor, FBOType::ColorDepthTexture, FBOType::Color};

}  // namespace

TEST_F(GLTest, EveryLayoutIsCompleteSingleAndMultisampled) {
  for (const FBOType type : kTypes) {
    for (const int32_t samples : {0, 1, 2, 4}) {
      SCOPED_TRACE(::testing::Message() << "type " << int(type) << ", samples " << samples);
      FBO fbo(32, 16, type, samples);
      EXPECT_EQ(Integer(GL_FRAMEBUFFER_BINDING), 0);
      glBindFramebuffer(GL_FRAMEBUFFER, fbo.framebuffer);
      EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
      glBindFramebuffer(GL_FRAMEBUFFER, 0);
      EXPECT_EQ(fbo.color_textures.size(), type == FBOType::ThreeFloatColors ? 3u : 1u);
      EXPECT_EQ(fbo.depth_texture != nullptr, type == FBOType::ColorDepthTexture);
      EXPECT_EQ(fbo.depth_renderbuffer != 0, type != FBOType::ColorDepthTexture);
      const GLenum target = samples >= 2 ? GL_TEXTURE_2D_MULTISAMPLE : GL_TEXTURE_2D;
      for (const auto& texture : fbo.color_textures) EXPECT_EQ(texture->Target(), target);
      EXPECT_TRUE(NoGLError());
    }
  }
}

TEST_F(GLTest, SampleCountsAboveTheDriversMaximumAreLowered) {
  const GLint most = std::min({Integer(GL_MAX_SAMPLES), Integer(GL_MAX_COLOR_TEXTURE_SAMPLES),
                               Integer(GL_MAX_DEPTH_TEXTURE_SAMPLES)});
  for (const FBOType type : {FBOType::Color, FBOType::ColorDepthTexture}) {
    FBO fbo(8, 8, type, 64);
    EXPECT_EQ(fbo.samples, most);
    EXPECT_TRUE(fbo.IsMultisampled());
  }
}

TEST_F(GLTest, BindSelectsDrawBuffersAndClears) {
  FBO three(8, 8, FBOType::ThreeFloatColors, 0);
  three.Bind();
  EXPECT_EQ(Integer(GL_DRAW_BUFFER0), GL_COLOR_ATTACHMENT0);
  EXPECT_EQ(Integer(GL_DRAW_BUFFER1), GL_COLOR_ATTACHMENT1);
  EXPECT_EQ(Integer(GL_DRAW_BUFFER2), GL_COLOR_ATTACHMENT2);
  three.Unbind();

  FBO fbo(8, 8, FBOType::Color, 0);
  glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
  fbo.Bind();
  EXPECT_EQ(Integer(GL_DRAW_BUFFER0), GL_COLOR_ATTACHMENT0);
  EXPECT_EQ(Integer(GL_DRAW_BUFFER1), GL_NONE);
  uint8_t pixel[4] = {};
  glReadPixels(3, 3, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
  EXPECT_EQ(PixelText({pixel[0], pixel[1], pixel[2], pixel[3]}), "(0, 0, 255, 255)");
  fbo.Unbind();
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  EXPECT_EXIT({ fbo.Bind(); fbo.Bind(); }, ::testing::ExitedWithCode(1), "Assert failed");
}

TEST_F(GLTest, NestedBindingsRestoreBindingBuffersAndViewport) {
  FBO outer(32, 16, FBOType::Color, 0);
  FBO inner(8, 4, FBOType::Color, 4);
  const GLint window_draw_buffer = Integer(GL_DRAW_BUFFER);
  glViewport(1, 2, 30, 20);
  outer.Bind();
  EXPECT_EQ(Viewport(), (std::array<GLint, 4>{0, 0, 32, 16}));
  inner.Bind();
  EXPECT_EQ(Integer(GL_FRAMEBUFFER_BINDING), GLint(inner.framebuffer));
  EXPECT_EQ(Viewport(), (std::array<GLint, 4>{0, 0, 8, 4}));
  inner.Unbind();
  EXPECT_EQ(Integer(GL_FRAMEBUFFER_BINDING), GLint(outer.framebuffer));
  EXPECT_EQ(Viewport(), (std::array<GLint, 4>{0, 0, 32, 16}));
  EXPECT_FALSE(inner.IsBound());
  outer.Unbind();
  EXPECT_EQ(Integer(GL_FRAMEBUFFER_BINDING), 0);
  EXPECT_EQ(Integer(GL_DRAW_BUFFER), window_draw_buffer);
  EXPECT_EQ(Viewport(), (std::array<GLint, 4>{1, 2, 30, 20}));
}

TEST_F(GLTest, UnbindingBeforeAnyBindLeavesTheWindowsBuffersAndViewport) {
  FBO fbo(8, 8, FBOType::Color, 0);
  const GLint draw_buffer = Integer(GL_DRAW_BUFFER);
  const GLint read_buffer = Integer(GL_READ_BUFFER);
  glViewport(1, 2, 30, 20);
  fbo.Unbind();
  EXPECT_EQ(Integer(GL_FRAMEBUFFER_BINDING), 0);
  EXPECT_EQ(Integer(GL_DRAW_BUFFER), draw_buffer);
  EXPECT_EQ(Integer(GL_READ_BUFFER), read_buffer);
  EXPECT_EQ(Viewport(), (std::array<GLint, 4>{1, 2, 30, 20}));
  // A second unbind after a bind restores what that bind saved, again.
  fbo.Bind();
  fbo.Unbind();
  glViewport(0, 0, 4, 4);
  fbo.Unbind();
  EXPECT_EQ(Viewport(), (std::array<GLint, 4>{1, 2, 30, 20}));
  EXPECT_TRUE(NoGLError());
}

TEST_F(GLTest, NestingInsideAThreeColourTargetKeepsItsThreeDrawBuffers) {
  FBO outer(16, 16, FBOType::ThreeFloatColors, 0);
  FBO inner(8, 8, FBOType::Color, 0);
  outer.Bind();
  inner.Bind();
  inner.Unbind();
  EXPECT_EQ(Integer(GL_FRAMEBUFFER_BINDING), GLint(outer.framebuffer));
  EXPECT_EQ(Integer(GL_DRAW_BUFFER0), GL_COLOR_ATTACHMENT0);
  EXPECT_EQ(Integer(GL_DRAW_BUFFER1), GL_COLOR_ATTACHMENT1);
  EXPECT_EQ(Integer(GL_DRAW_BUFFER2), GL_COLOR_ATTACHMENT2);
  outer.Unbind();
  EXPECT_TRUE(NoGLError());
}

TEST_F(GLTest, MultisampledDrawingResolvesToTheColor) {
  FBO fbo(16, 16, FBOType::Color, 4);
  glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
  fbo.Bind();
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  RenderTarget resolved(16, 16);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo.framebuffer);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, resolved.framebuffer());
  glBlitFramebuffer(0, 0, 16, 16, 0, 0, 16, 16, GL_COLOR_BUFFER_BIT, GL_NEAREST);
  glBindFramebuffer(GL_FRAMEBUFFER, fbo.framebuffer);
  fbo.Unbind();
  EXPECT_EQ(PixelText(resolved.PixelAt(7, 7)), "(255, 0, 0, 255)");
}

TEST_F(GLTest, ResizeRemakesEveryAttachment) {
  for (const FBOType type : {FBOType::MipmappedColor, FBOType::ColorDepthTexture}) {
    for (const int32_t samples : {0, 4}) {
      SCOPED_TRACE(::testing::Message() << "type " << int(type) << ", samples " << samples);
      FBO fbo(16, 16, type, samples);
      fbo.Resize(40, 8);
      EXPECT_EQ(fbo.width, 40);
      EXPECT_EQ(fbo.height, 8);
      EXPECT_EQ(LevelWidth(*fbo.color_textures[0], 0), 40);
      if (fbo.depth_texture) EXPECT_EQ(LevelWidth(*fbo.depth_texture, 0), 40);
      if (fbo.depth_renderbuffer != 0) EXPECT_EQ(RenderbufferWidth(fbo.depth_renderbuffer), 40);
      glBindFramebuffer(GL_FRAMEBUFFER, fbo.framebuffer);
      EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
      glBindFramebuffer(GL_FRAMEBUFFER, 0);
      fbo.Bind();
      EXPECT_EQ(Viewport(), (std::array<GLint, 4>{0, 0, 40, 8}));
      fbo.Unbind();
    }
  }
}

TEST_F(GLTest, ResizeIgnoresTinySizes) {
  FBO fbo(16, 16, FBOType::Color, 0);
  const GLuint color = fbo.color_textures[0]->id;
  fbo.Resize(1, 100);
  fbo.Resize(100, 1);
  fbo.Resize(16, 16);
  EXPECT_EQ(fbo.width, 16);
  EXPECT_EQ(fbo.height, 16);
  EXPECT_EQ(fbo.color_textures[0]->id, color);
}

TEST(FBOSizes, PowerOfTwoFallbackIsASquareFromTheWidth) {
  EXPECT_EQ(PowerOfTwoTargetSize(1920), std::make_pair(1024, 1024));
  EXPECT_EQ(PowerOfTwoTargetSize(1024), std::make_pair(512, 512));
  EXPECT_EQ(PowerOfTwoTargetSize(2), std::make_pair(1, 1));
  EXPECT_EQ(PowerOfTwoTargetSize(std::numeric_limits<int32_t>::max()),
            std::make_pair(1 << 29, 1 << 29));
}

TEST_F(GLTest, BuildingResizingAndDestroyingKeepTheCallersBinding) {
  FBO outer(16, 16, FBOType::Color, 0);
  outer.Bind();
  {
    FBO inner(8, 8, FBOType::MipmappedColor, 0);
    EXPECT_EQ(Integer(GL_DRAW_FRAMEBUFFER_BINDING), GLint(outer.framebuffer));
    EXPECT_EQ(Integer(GL_READ_FRAMEBUFFER_BINDING), GLint(outer.framebuffer));
    inner.Resize(12, 12);
    EXPECT_EQ(Integer(GL_DRAW_FRAMEBUFFER_BINDING), GLint(outer.framebuffer));
  }
  EXPECT_EQ(Integer(GL_DRAW_FRAMEBUFFER_BINDING), GLint(outer.framebuffer));
  outer.Unbind();
}

TEST_F(GLTest, BuildingAndResizingKeepTheCallersTextureAndRenderbuffer) {
  GLuint texture = 0;
  GLuint renderbuffer = 0;
  glGenTextures(1, &texture);
  glGenRenderbuffers(1, &renderbuffer);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, texture);
  glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
  for (const FBOType type : kTypes) {
    for (const int32_t samples : {0, 4}) {
      SCOPED_TRACE(::testing::Message() << "type " << int(type) << ", samples " << samples);
      FBO fbo(8, 8, type, samples);
      EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D), GLint(texture));
      EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D_MULTISAMPLE), 0);
      EXPECT_EQ(Integer(GL_RENDERBUFFER_BINDING), GLint(renderbuffer));
      fbo.Resize(12, 10);
      EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D), GLint(texture));
      EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D_MULTISAMPLE), 0);
      EXPECT_EQ(Integer(GL_RENDERBUFFER_BINDING), GLint(renderbuffer));
    }
  }
  glBindTexture(GL_TEXTURE_2D, 0);
  glBindRenderbuffer(GL_RENDERBUFFER, 0);
  glDeleteTextures(1, &texture);
  glDeleteRenderbuffers(1, &renderbuffer);
  EXPECT_TRUE(NoGLError());
}

TEST_F(GLTest, UnbindRebuildsMipLevelsOnlyWhereTheyExist) {
  FBO plain(16, 16, FBOType::Color, 0);
  plain.Bind();
  plain.Unbind();
  EXPECT_EQ(LevelWidth(*plain.color_textures[0], 1), 0);

  FBO mipmapped(16, 16, FBOType::MipmappedColor, 0);
  glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
  mipmapped.Bind();
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  mipmapped.Unbind();
  uint8_t smallest[4] = {};
  glBindTexture(GL_TEXTURE_2D, mipmapped.color_textures[0]->id);
  glGetTexImage(GL_TEXTURE_2D, 4, GL_RGBA, GL_UNSIGNED_BYTE, smallest);
  EXPECT_EQ(PixelText({smallest[0], smallest[1], smallest[2], smallest[3]}), "(0, 255, 0, 255)");

  FBO multisampled(16, 16, FBOType::MipmappedColor, 4);
  glBindTexture(GL_TEXTURE_2D, 0);
  multisampled.Bind();
  multisampled.Unbind();
  EXPECT_TRUE(NoGLError());
  EXPECT_EQ(Integer(GL_ACTIVE_TEXTURE), GL_TEXTURE0);
}

TEST_F(GLTest, FBOBuildingLimitsAreFatal) {
  EXPECT_EXIT(FBO(8, 8, static_cast<FBOType>(7), 0), ::testing::ExitedWithCode(1),
              "Unrecognized FBO type");
  FBO fbo(8, 8, FBOType::Color, 0);
  glBindFramebuffer(GL_FRAMEBUFFER, fbo.framebuffer);
  EXPECT_EXIT(fbo.AddDepthBuffer(), ::testing::ExitedWithCode(1), "Depth buffer already present!");
  EXPECT_EXIT({ fbo.AddDepthTexture(); fbo.AddDepthTexture(); }, ::testing::ExitedWithCode(1),
              "Trying to add depth texture to an FBO that already has one!");
  EXPECT_EXIT(
      {
        while (true) fbo.AddColorAttachment(GL_RGBA8, false);
      },
      ::testing::ExitedWithCode(1),
      "Tried to add more than [0-9]+ color attachments, and GL_MAX_DRAW_BUFFERS is [0-9]+");
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  EXPECT_EXIT(
      {
        glBindFramebuffer(GL_FRAMEBUFFER, fbo.framebuffer);
        fbo.AddColorAttachment(GL_RGBA8, false);
        fbo.AddColorAttachment(GL_RGBA8, false);
        fbo.AddColorAttachment(GL_RGBA8, false);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        fbo.Bind();
      },
      ::testing::ExitedWithCode(1), "Can only draw to 3 buffers at a time here");
}
