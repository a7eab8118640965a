#include "util/texture/texturecube.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include <glm/glm.hpp>

#include "support/gl_test_files.h"
#include "support/gl_fixture.h"
#include "support/run_command.h"
#include "support/test_images.h"
#include "util/shaderprogram/shaderprogram.h"

namespace {

using Scheme = std::array<const char*, 6>;
const Scheme kScheme1 = {"negx", "posx", "negy", "posy", "negz", "posz"};
const Scheme kScheme2 = {"left", "right", "down", "up", "back", "front"};
const Scheme kScheme3 = {"left", "right", "bottom", "top", "back", "front"};
const Scheme kScheme4 = {"left_0", "right_0", "bottom_0", "top_0", "back_0", "front_0"};

// The colour of quadrant q (0 top left, 1 top right, 2 bottom left, 3 bottom right) of face f.
glm::u8vec3 QuadrantColor(int face, int quadrant) {
  return {30 + 40 * face, 20 + 70 * quadrant, 128};
}

Pixels QuadrantFace(int face, int size) {
  Pixels pixels;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const glm::u8vec3 c = QuadrantColor(face, (y < size / 2 ? 0 : 2) + (x < size / 2 ? 0 : 1));
      pixels.insert(pixels.end(), {c.r, c.g, c.b});
    }
  }
  return pixels;
}

void WriteQuadrantFaces(const TempDataDir& dir, const Scheme& scheme, int size) {
  for (int face = 0; face < 6; ++face) {
    WritePng(dir.Path(std::string("sky_") + scheme[face] + ".png"), size, size, 3,
             QuadrantFace(face, size));
  }
}

// Samples level 0 of the cube along 24 directions, one pixel each: the centres of the four
// quadrants of every face.
std::vector<uint8_t> SampleQuadrantCentres(GLuint cube) {
  auto constructor = std::make_shared<ShaderConstructor>();
  constructor->name = "cube sampler";
  constructor->version = 420;
  using T = ShaderPieceType;
  constexpr auto S = ShaderPieceSource::STRING;
  constructor->AddPiece(T::VERTEX_GLOBALS, S, "layout (location = VertexAttribPosition) in vec2 Position;");
  constructor->AddPiece(T::VERTEX_BODY, S, "\tgl_Position = vec4( Position, 0.0, 1.0 );");
  constructor->AddPiece(T::FRAGMENT_GLOBALS, S,
                        "uniform samplerCube Cube;\nuniform vec3 Directions[24];\nout vec4 FragColor;");
  constructor->AddPiece(T::FRAGMENT_BODY, S,
                        "\tFragColor = textureLod( Cube, Directions[int( gl_FragCoord.x )], 0.0 );");
  ShaderProgram program(constructor);
  std::vector<glm::vec3> directions;
  for (int face = 0; face < 6; ++face) {
    for (int quadrant = 0; quadrant < 4; ++quadrant) {
      directions.push_back(
          CubeFaceDirection(face, quadrant % 2 ? 0.75f : 0.25f, quadrant < 2 ? 0.25f : 0.75f));
    }
  }
  RenderTarget target(24, 1);
  target.Bind();
  program.Use();
  glUniform1i(program.GetUniformLocation("Cube"), 0);
  glUniform3fv(program.GetUniformLocation("Directions"), 24, &directions[0].x);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_CUBE_MAP, cube);
  // Plain bilinear reads of level 0: the texture's own anisotropic filtering would smear
  // neighbouring texels in, since neighbouring pixels here look in unrelated directions.
  GLuint sampler = 0;
  glGenSamplers(1, &sampler);
  glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glBindSampler(0, sampler);
  DrawClipSquare();
  glBindSampler(0, 0);
  glDeleteSamplers(1, &sampler);
  glUseProgram(0);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  return target.ReadPixels();
}

void ExpectQuadrantsInPlace(GLuint cube, int tolerance) {
  const std::vector<uint8_t> pixels = SampleQuadrantCentres(cube);
  for (int face = 0; face < 6; ++face) {
    for (int quadrant = 0; quadrant < 4; ++quadrant) {
      const size_t at = static_cast<size_t>(face * 4 + quadrant) * 4;
      const glm::u8vec3 expected = QuadrantColor(face, quadrant);
      const std::array<uint8_t, 4> got = {pixels[at], pixels[at + 1], pixels[at + 2], 255};
      EXPECT_TRUE(PixelNear(got, {expected.r, expected.g, expected.b, 255}, tolerance))
          << "face " << face << " quadrant " << quadrant << ": " << PixelText(got);
    }
  }
}

// Level `level` of all six faces as floats (RGB), face by face.
std::vector<float> ReadCubeLevel(GLuint cube, int level) {
  glBindTexture(GL_TEXTURE_CUBE_MAP, cube);
  GLint size = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_CUBE_MAP_POSITIVE_X, level, GL_TEXTURE_WIDTH, &size);
  std::vector<float> all;
  for (GLenum target = GL_TEXTURE_CUBE_MAP_POSITIVE_X; target <= GL_TEXTURE_CUBE_MAP_NEGATIVE_Z;
       ++target) {
    std::vector<float> face(static_cast<size_t>(size) * size * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(target, level, GL_RGB, GL_FLOAT, face.data());
    all.insert(all.end(), face.begin(), face.end());
  }
  return all;
}

float Variance(const std::vector<float>& rgb) {
  double mean[3] = {0, 0, 0};
  const size_t count = rgb.size() / 3;
  for (size_t i = 0; i < rgb.size(); ++i) mean[i % 3] += rgb[i] / count;
  double variance = 0;
  for (size_t i = 0; i < rgb.size(); ++i) variance += std::pow(rgb[i] - mean[i % 3], 2) / count;
  return static_cast<float>(variance);
}

class TextureCubeTest : public GLTest {
 protected:
  TempDataDir dir;
  std::string Base() const { return dir.Path("sky_"); }
};

}  // namespace

TEST_F(TextureCubeTest, EveryNamingSchemeIsFound) {
  for (const Scheme* scheme : {&kScheme1, &kScheme2, &kScheme3, &kScheme4}) {
    TempDataDir scheme_dir;
    for (const char* face : *scheme) scheme_dir.Write(std::string("sky_") + face + ".jpg", "x");
    const auto files = FindCubeFaceFiles(scheme_dir.Path("sky_"), "jpg");
    ASSERT_TRUE(files.has_value()) << (*scheme)[0];
    for (size_t face = 0; face < 6; ++face) {
      EXPECT_EQ((*files)[face], scheme_dir.Path(std::string("sky_") + (*scheme)[face] + ".jpg"));
    }
  }
}

TEST_F(TextureCubeTest, OnlyACompleteSchemeCounts) {
  for (const char* face : kScheme2) dir.Write(std::string("sky_") + face + ".png", "x");
  dir.Write("sky_negx.png", "x");
  EXPECT_EQ((*FindCubeFaceFiles(Base(), "png"))[0], dir.Path("sky_left.png"));
  EXPECT_FALSE(FindCubeFaceFiles(Base(), "jpg").has_value());
  EXPECT_TRUE(AllFilesExist({}));
  EXPECT_FALSE(AllFilesExist({dir.Path("sky_left.png"), dir.Path("nothing")}));
}

TEST_F(TextureCubeTest, MissingOrUnloadableFacesThrow) {
  try {
    TextureCube cube(Base(), "png", true);
    FAIL() << "no faces, yet a cube";
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(std::string(error.what()),
              "Could not find cubemap files with path " + Base() + "[negx|left].png");
  }
  for (const char* face : kScheme1) dir.Write(std::string("sky_") + face + ".tga", "x");
  try {
    TextureCube cube(Base(), "tga", true);
    FAIL() << "unsupported faces, yet a cube";
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(std::string(error.what()),
              "Failed to load cubemap with base " + Base() + " and extension tga!");
  }
  EXPECT_EQ(message_boxes().size(), 1u);
}

TEST_F(TextureCubeTest, FacesLandOnTheirAxesTheRightWayUp) {
  WriteQuadrantFaces(dir, kScheme3, 8);
  TextureCube cube(Base(), "png", true);
  EXPECT_EQ(cube.width, 8u);
  EXPECT_EQ(cube.bpp, 24u);
  EXPECT_EQ(cube.internal_format, GL_RGB8);
  ExpectQuadrantsInPlace(cube.id, 1);
}

TEST_F(TextureCubeTest, WithoutFlipFacesAreUploadedBottomRowFirst) {
  WriteQuadrantFaces(dir, kScheme1, 4);
  TextureCube cube(Base(), "png", false);
  for (size_t face = 0; face < 6; ++face) {
    EXPECT_EQ(cube.face_data[face], cube.faces[face]->image_data);
  }
  const glm::u8vec3 bottom_left = QuadrantColor(0, 2);
  EXPECT_EQ(cube.face_data[0][0], bottom_left.r);
  EXPECT_EQ(cube.face_data[0][1], bottom_left.g);
}

TEST_F(TextureCubeTest, FacesOfDifferentSizesAreFatal) {
  WriteQuadrantFaces(dir, kScheme1, 4);
  WritePng(dir.Path("sky_posz.png"), 2, 2, 3, Solid(2, 2, {1, 2, 3}));
  EXPECT_EXIT(TextureCube(Base(), "png", true), ::testing::ExitedWithCode(1), "Assert failed");
}

TEST_F(TextureCubeTest, FaceBytesShortOfTheSizeAreFatal) {
  WriteQuadrantFaces(dir, kScheme1, 4);
  TextureCube cube(Base(), "png", true);
  glDeleteTextures(1, &cube.id);
  cube.id = 0;
  cube.face_data[3].resize(cube.face_data[3].size() - 1);
  EXPECT_EXIT(cube.Create(), ::testing::ExitedWithCode(1), "Assert failed");
}

TEST_F(TextureCubeTest, PrefilterFillsEveryLevelFromSharpToBlurred) {
  WriteQuadrantFaces(dir, kScheme1, 16);
  TextureCube cube(Base(), "png", true);
  glViewport(1, 2, 3, 4);
  // A scissor box and a blend that keeps the destination would spoil every level if they
  // stayed on while rendering.
  glEnable(GL_SCISSOR_TEST);
  glScissor(0, 0, 1, 1);
  glEnable(GL_BLEND);
  glBlendFunc(GL_ZERO, GL_ONE);
  cube.CreatePrefilteredMipmaps();
  EXPECT_TRUE(NoGLError());
  std::array<GLint, 4> viewport{};
  glGetIntegerv(GL_VIEWPORT, viewport.data());
  EXPECT_EQ(viewport, (std::array<GLint, 4>{1, 2, 3, 4}));
  EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  glDisable(GL_SCISSOR_TEST);
  glDisable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ZERO);

  glBindTexture(GL_TEXTURE_CUBE_MAP, cube.id);
  GLint format = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_CUBE_MAP_POSITIVE_X, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
  EXPECT_EQ(format, GL_RGB16F);
  for (int level = 0; level < 5; ++level) {
    GLint width = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_CUBE_MAP_NEGATIVE_Z, level, GL_TEXTURE_WIDTH, &width);
    EXPECT_EQ(width, 16 >> level);
  }

  // Level 0 is the environment's light itself: the faces decoded as the display encodes.
  const std::vector<float> level0 = ReadCubeLevel(cube.id, 0);
  glBindTexture(GL_TEXTURE_CUBE_MAP, cube.id);
  for (size_t face = 0; face < 6; ++face) {
    // GL's face order is +X, -X, +Y, ...; ours is -X, +X, -Y, ...
    const std::vector<uint8_t>& source = cube.face_data[face ^ 1];
    for (size_t i = 0; i < source.size(); ++i) {
      const float light = std::pow(source[i] / 255.0f, 2.2f);
      ASSERT_NEAR(level0[face * source.size() + i], light, 0.002f + light / 512.0f)
          << face << " " << i;
    }
  }
  // Each level is smoother than the one below it, and the top one is far from the source.
  float previous = Variance(level0);
  for (int level = 1; level < 5; ++level) {
    const float variance = Variance(ReadCubeLevel(cube.id, level));
    EXPECT_LT(variance, previous * 1.02f) << "level " << level;
    previous = variance;
  }
  EXPECT_LT(previous, Variance(level0) * 0.5f);
}

TEST_F(TextureCubeTest, NonSquareFacesAreFatal) {
  for (const char* face : kScheme1) {
    WritePng(dir.Path(std::string("sky_") + face + ".png"), 4, 2, 3, Solid(4, 2, {1, 2, 3}));
  }
  EXPECT_EXIT(TextureCube(Base(), "png", true), ::testing::ExitedWithCode(1), "Assert failed");
}

TEST_F(TextureCubeTest, PrefilterNeedsAnEvenSize) {
  for (const char* face : kScheme1) {
    WritePng(dir.Path(std::string("sky_") + face + ".png"), 3, 3, 3, Solid(3, 3, {1, 2, 3}));
  }
  TextureCube odd(Base(), "png", true);
  EXPECT_EXIT(odd.CreatePrefilteredMipmaps(), ::testing::ExitedWithCode(1), "Assert failed");
  odd.width = 0;
  odd.height = 0;
  EXPECT_EXIT(odd.CreatePrefilteredMipmaps(), ::testing::ExitedWithCode(1), "Assert failed");
}

// Radiance faces hold linear light, beyond 1.0 too: the cube keeps the values the environment
// generator's writer put in the file (within the 8-bit mantissa of its shared-exponent form),
// on the CPU side and in the GL texture.
TEST_F(TextureCubeTest, RadianceFacesKeepTheLinearValuesWritten) {
  const struct {
    const char* what;
    float r, g, b;
  } cases[] = {
      {"dim", 0.01f, 0.02f, 0.005f},
      {"mid grey", 0.5f, 0.5f, 0.5f},
      {"beyond white", 3.5f, 1.25f, 0.75f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string prefix = dir.Path(std::string("irradiance_") + c.what + "_");
    std::string script = "import sys; sys.path.insert(0, 'tools'); from imagewriters import write_hdr\n";
    for (const char* face : kScheme1) {
      script += "write_hdr('" + prefix + face + ".hdr', [[(" + std::to_string(c.r) + ", " +
                std::to_string(c.g) + ", " + std::to_string(c.b) + ")] * 2] * 2)\n";
    }
    ASSERT_EQ(RunCommand("python3 -c \"" + script + "\"").exit_code, 0);
    TextureCube cube(prefix, "hdr", false);
    std::vector<float> gpu(2 * 2 * 3);
    glBindTexture(GL_TEXTURE_CUBE_MAP, cube.id);
    glGetTexImage(GL_TEXTURE_CUBE_MAP_POSITIVE_Y, 0, GL_RGB, GL_FLOAT, gpu.data());
    std::vector<float> cpu(gpu.size());
    ASSERT_EQ(cube.face_data[3].size(), cpu.size() * sizeof(float));
    std::memcpy(cpu.data(), cube.face_data[3].data(), cube.face_data[3].size());
    const float expected[3] = {c.r, c.g, c.b};
    // The shared exponent gives every channel the step of the pixel's largest one.
    const float tolerance = std::max({c.r, c.g, c.b}) / 128.0f;
    for (size_t i = 0; i < gpu.size(); ++i) {
      EXPECT_NEAR(cpu[i], expected[i % 3], tolerance) << "byte value " << i;
      EXPECT_NEAR(gpu[i], expected[i % 3], tolerance) << "texel value " << i;
    }
    EXPECT_TRUE(NoGLError());
  }
}
