// Shapes and vertex arrays drawn for real and read back.

#include <gtest/gtest.h>

#include <cmath>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include "support/gl2_draw.h"
#include "util/easydraw/easydraw.h"
#include "util/easydraw/easydrawcustom.h"
#include "util/shaderprogram/shaderconstructor.h"

namespace {

using EasyDrawRenderTest = GLTest;

TEST_F(EasyDrawRenderTest, FullscreenQuadCoversEveryPixel) {
  RenderTarget target(32, 24);
  ClearTarget(target);
  auto program = UseFlatProgram(false, glm::mat4(1.0f));
  EasyDraw::DrawFullscreenQuad();
  EasyDraw::DrawFullscreenQuad();  // the second call reuses the uploaded data
  EXPECT_EQ(CountLitPixels(target), 32 * 24);
  EXPECT_TRUE(NoGLError());
}

TEST_F(EasyDrawRenderTest, QuadCoversExactlyItsRectangle) {
  RenderTarget target(64, 64);
  ClearTarget(target);
  auto program = UseFlatProgram(false, glm::ortho(0.0f, 64.0f, 0.0f, 64.0f, -1.0f, 1.0f));
  EasyDraw::DrawQuad(10, 20, 30, 16);
  EXPECT_EQ(CountLitPixels(target), 30 * 16);
  EXPECT_GT(target.PixelAt(10, 20)[0], 127);
  EXPECT_GT(target.PixelAt(39, 35)[0], 127);
  EXPECT_EQ(target.PixelAt(40, 35)[0], 0);
  EXPECT_EQ(target.PixelAt(39, 36)[0], 0);
  EXPECT_TRUE(NoGLError());
}

TEST_F(EasyDrawRenderTest, QuadTextureCoordinatesFollowThePositions) {
  auto constructor = MakeTextured2DShader("texcoord test");
  // The preset's vertex stage, with a fragment stage showing the coordinates as colour.
  ShaderConstructor plain;
  plain.name = "texcoord probe";
  plain.version = 420;
  for (auto type : {ShaderPieceType::VERTEX_GLOBALS, ShaderPieceType::VERTEX_BODY}) {
    for (const ShaderPiece& piece : constructor->GetPiecesFromType(type)) {
      plain.AddPiece(type, piece.source, piece.text);
    }
  }
  plain.AddPiece(ShaderPieceType::FRAGMENT_GLOBALS, ShaderPieceSource::STRING,
                 "in vec2 TexCoordFrag;\nout vec4 FragColor;");
  plain.AddPiece(ShaderPieceType::FRAGMENT_BODY, ShaderPieceSource::STRING,
                 "\tFragColor = vec4( TexCoordFrag, 0.0, 1.0 );");
  ShaderProgram program(std::make_shared<ShaderConstructor>(plain));
  program.Use();
  const glm::mat4 projection = glm::ortho(0.0f, 1.0f, 0.0f, 1.0f, -1.0f, 1.0f);
  glUniformMatrix4fv(program.GetUniformLocation("ProjectionMatrix"), 1, GL_FALSE,
                     glm::value_ptr(projection));
  RenderTarget target(32, 32);
  ClearTarget(target);
  EasyDraw::DrawQuad(0, 0, 1, 1);
  // Near the bottom-left corner u and v are near 0, near the top-right near 1.
  EXPECT_LT(target.PixelAt(0, 0)[0], 8);
  EXPECT_LT(target.PixelAt(0, 0)[1], 8);
  EXPECT_GT(target.PixelAt(31, 0)[0], 247);
  EXPECT_LT(target.PixelAt(31, 0)[1], 8);
  EXPECT_GT(target.PixelAt(0, 31)[1], 247);
  EXPECT_TRUE(NoGLError());
}

TEST_F(EasyDrawRenderTest, BoxSilhouetteMatchesItsExtents) {
  RenderTarget target(64, 64);
  ClearTarget(target);
  // 8 x 8 units over 64 pixels: a 2 x 4 face covers 16 x 32 pixels.
  auto program = UseFlatProgram(true, glm::ortho(-4.0f, 4.0f, -4.0f, 4.0f, -10.0f, 10.0f));
  EasyDraw::DrawBox(2, 4, 6);
  EXPECT_EQ(CountLitPixels(target), 16 * 32);
  EXPECT_EQ(EasyDraw::LastShapeVertices().VertexCount(), 24u);
  EXPECT_TRUE(NoGLError());
}

TEST_F(EasyDrawRenderTest, IcosphereAreaIsCloseToTheDisc) {
  RenderTarget target(128, 128);
  ClearTarget(target);
  auto program = UseFlatProgram(true, glm::ortho(-2.0f, 2.0f, -2.0f, 2.0f, -10.0f, 10.0f));
  EasyDraw::DrawIcosphere(1.0f);
  const double radius_pixels = 32.0;
  const double disc = 3.14159265358979 * radius_pixels * radius_pixels;
  EXPECT_NEAR(CountLitPixels(target), disc, disc * 0.03);
  EXPECT_TRUE(NoGLError());
}

TEST_F(EasyDrawRenderTest, IcosphereRebuildsOnlyForANewRadius) {
  RenderTarget target(16, 16);
  ClearTarget(target);
  auto program = UseFlatProgram(true, glm::mat4(1.0f));
  EasyDraw::DrawIcosphere(0.5f);
  const uint32_t builds = EasyDraw::IcosphereBuildCount();
  EasyDraw::DrawIcosphere(0.5f);
  EXPECT_EQ(EasyDraw::IcosphereBuildCount(), builds);
  EasyDraw::DrawIcosphere(0.25f);
  EXPECT_EQ(EasyDraw::IcosphereBuildCount(), builds + 1);
  EasyDraw::DrawIcosphere(0.5f);
  EXPECT_EQ(EasyDraw::IcosphereBuildCount(), builds + 2);
}

// A 4-pixel square at the origin drawn once per instance matrix.
class InstancedSquare {
 public:
  InstancedSquare() { object.SetAttribute(0, 2, 8, kSquare, 0); }
  static constexpr float kSquare[8] = {0, 0, 4, 0, 4, 4, 0, 4};
  EasyDrawCustom object;
};

TEST_F(EasyDrawRenderTest, TwoInstancesDrawAtTwoPlaces) {
  RenderTarget target(32, 32);
  ClearTarget(target);
  auto program = UseInstancedProgram(glm::ortho(0.0f, 32.0f, 0.0f, 32.0f, -1.0f, 1.0f));
  InstancedSquare square;
  glm::mat4 matrices[2] = {glm::translate(glm::mat4(1.0f), {2, 2, 0}),
                           glm::translate(glm::mat4(1.0f), {20, 10, 0})};
  square.object.SetInstanceMatrices(32, glm::value_ptr(matrices[0]));
  square.object.Draw(GL_QUADS);
  EXPECT_EQ(square.object.InstanceCount(), 2u);
  EXPECT_EQ(CountLitPixels(target), 2 * 16);
  EXPECT_GT(target.PixelAt(3, 3)[0], 127);
  EXPECT_GT(target.PixelAt(21, 11)[0], 127);
  EXPECT_TRUE(NoGLError());
}

TEST_F(EasyDrawRenderTest, ZeroInstancesDrawNothing) {
  RenderTarget target(32, 32);
  ClearTarget(target);
  auto program = UseInstancedProgram(glm::ortho(0.0f, 32.0f, 0.0f, 32.0f, -1.0f, 1.0f));
  InstancedSquare square;
  square.object.SetInstanceMatrices(0, nullptr);
  square.object.Draw(GL_QUADS);
  EXPECT_EQ(CountLitPixels(target), 0);
  // One instance draws once, without instancing.
  const glm::mat4 one = glm::translate(glm::mat4(1.0f), {8, 8, 0});
  square.object.SetInstanceMatrices(16, glm::value_ptr(one));
  square.object.Draw(GL_QUADS);
  EXPECT_EQ(CountLitPixels(target), 16);
  EXPECT_TRUE(NoGLError());
}

TEST_F(EasyDrawRenderTest, IndicesDrawTheIndexCountAndNoneDrawsPlain) {
  RenderTarget target(32, 32);
  ClearTarget(target);
  auto program = UseFlatProgram(false, glm::ortho(0.0f, 32.0f, 0.0f, 32.0f, -1.0f, 1.0f));
  const float corners[8] = {0, 0, 8, 0, 8, 8, 0, 8};
  const uint32_t one_triangle[3] = {0, 1, 2};
  EasyDrawCustom object;
  object.SetAttribute(0, 2, 8, corners, 0);
  object.SetIndices(3, one_triangle);
  object.Draw(GL_TRIANGLES);
  const int triangle = CountLitPixels(target);
  EXPECT_NEAR(triangle, 32, 6);  // half of the 8 x 8 square
  // An empty index list draws the vertices in order: the whole square as a fan.
  ClearTarget(target);
  object.SetIndices(0, nullptr);
  object.Draw(GL_TRIANGLE_FAN);
  EXPECT_EQ(CountLitPixels(target), 64);
  EXPECT_TRUE(NoGLError());
}

// An index past the vertices would make the driver read beyond the vertex buffers.
TEST_F(EasyDrawRenderTest, IndicesBeyondTheVerticesAreFatal) {
  const float corners[8] = {0, 0, 8, 0, 8, 8, 0, 8};
  const uint32_t past_the_end[3] = {0, 1, 4};
  EXPECT_EXIT(
      {
        EasyDrawCustom object;
        object.SetAttribute(0, 2, 8, corners, 0);
        object.SetIndices(3, past_the_end);
        object.Draw(GL_TRIANGLES);
      },
      testing::ExitedWithCode(1), "Assert failed");
  EXPECT_EXIT(
      {
        EasyDrawCustom object;
        object.SetIndices(3, nullptr);
      },
      testing::ExitedWithCode(1), "Assert failed");
}

TEST_F(EasyDrawRenderTest, SettingIndicesLeavesTheCallersVertexArrayAlone) {
  GLuint caller_array = 0;
  GLuint caller_indices = 0;
  glGenVertexArrays(1, &caller_array);
  glGenBuffers(1, &caller_indices);
  glBindVertexArray(caller_array);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, caller_indices);

  const uint32_t indices[3] = {0, 1, 2};
  EasyDrawCustom object;
  object.SetIndices(3, indices);

  GLint bound_array = 0;
  GLint bound_indices = 0;
  glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &bound_array);
  glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &bound_indices);
  EXPECT_EQ(bound_array, GLint(caller_array));
  EXPECT_EQ(bound_indices, GLint(caller_indices));
  glBindVertexArray(0);
  glDeleteBuffers(1, &caller_indices);
  glDeleteVertexArrays(1, &caller_array);
  EXPECT_TRUE(NoGLError());
}

TEST_F(EasyDrawRenderTest, NewDataOfTheSameCountIsDrawnWithTheKeptLayout) {
  RenderTarget target(32, 32);
  auto program = UseFlatProgram(false, glm::ortho(0.0f, 32.0f, 0.0f, 32.0f, -1.0f, 1.0f));
  EasyDrawCustom object;
  const float left[8] = {0, 0, 4, 0, 4, 4, 0, 4};
  const float right[8] = {20, 0, 24, 0, 24, 4, 20, 4};
  object.SetAttribute(0, 2, 8, left, 0);
  object.Draw(GL_QUADS);
  ClearTarget(target);
  object.SetAttribute(0, 2, 8, right, 0);
  object.Draw(GL_QUADS);
  EXPECT_EQ(target.PixelAt(1, 1)[0], 0);
  EXPECT_GT(target.PixelAt(21, 1)[0], 127);
  // A different count re-specifies the layout: three corners make one triangle fewer.
  const float strip[12] = {0, 0, 4, 0, 0, 4, 4, 4, 0, 8, 4, 8};
  object.SetAttribute(0, 2, 12, strip, 0);
  object.Draw(GL_TRIANGLE_STRIP);
  EXPECT_EQ(object.VertexCount(), 6u);
  EXPECT_TRUE(NoGLError());
}

}  // namespace
