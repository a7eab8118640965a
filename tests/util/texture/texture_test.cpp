#include "util/texture/texture.h"

#include <gtest/gtest.h>

#include <cstring>

#include "support/gl_test_files.h"
#include "support/gl_fixture.h"
#include "support/test_images.h"
#include "util/texture/image_loader.h"

namespace {

const Pixels kRed = {255, 0, 0};
const Pixels kGreen = {0, 255, 0};
const Pixels kBlue = {0, 0, 255};
const Pixels kWhite = {255, 255, 255};

Pixels Concat(std::initializer_list<Pixels> parts) {
  Pixels all;
  for (const Pixels& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// Level 0 of the bound 2D texture as GL holds it, rows bottom first.
Pixels ReadLevel0(const Texture& texture, GLenum format, int channels) {
  glBindTexture(GL_TEXTURE_2D, texture.id);
  Pixels pixels(static_cast<size_t>(texture.width) * texture.height * channels);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

GLint TexParameter(GLuint texture, GLenum name) {
  glBindTexture(GL_TEXTURE_2D, texture);
  GLint value = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
  return value;
}

// A 4 x 4 GPU-only texture of the internal format, fields set as a framebuffer sets them.
void PrepareTarget(Texture& texture, GLint internal_format) {
  texture.width = 4;
  texture.height = 4;
  texture.format = GL_RGBA;
  texture.internal_format = internal_format;
}

class TextureTest : public GLTest {
 protected:
  TempDataDir dir;
};

}  // namespace

TEST_F(TextureTest, PngIsStoredBottomRowFirstWithoutRowGaps) {
  // 3 pixels a row: 9 bytes, not a multiple of 4.
  const std::string file = dir.Path("three.png");
  WritePng(file, 3, 2, 3, Concat({kRed, kGreen, kBlue, kWhite, kWhite, kGreen}));
  Texture texture(file, false, false);
  EXPECT_EQ(texture.name, file);
  EXPECT_EQ(texture.bpp, 24u);
  EXPECT_EQ(texture.format, GLenum(GL_RGB));
  EXPECT_EQ(texture.internal_format, GL_RGB8);
  EXPECT_EQ(texture.image_data, Concat({kWhite, kWhite, kGreen, kRed, kGreen, kBlue}));
  EXPECT_EQ(ReadLevel0(texture, GL_RGB, 3), texture.image_data);
}

TEST_F(TextureTest, RgbaPngKeepsItsAlpha) {
  const std::string file = dir.Path("rgba.png");
  WritePng(file, 1, 2, 4, {1, 2, 3, 4, 5, 6, 7, 8});
  Texture texture(file, false, false);
  EXPECT_EQ(texture.bpp, 32u);
  EXPECT_EQ(texture.format, GLenum(GL_RGBA));
  EXPECT_EQ(texture.internal_format, GL_RGBA8);
  EXPECT_EQ(texture.image_data, (Pixels{5, 6, 7, 8, 1, 2, 3, 4}));
}

TEST_F(TextureTest, JpgAndBmpAreFlippedLikePng) {
  const Pixels picture = Concat({Solid(8, 8, kRed), Solid(8, 8, kBlue)});  // red over blue
  WriteJpg(dir.Path("a.jpg"), 8, 16, 3, picture);
  WriteJpg(dir.Path("a.jpeg"), 8, 16, 3, picture);
  WriteBmp(dir.Path("a.bmp"), 8, 16, 3, picture);
  for (const char* name : {"a.jpg", "a.jpeg", "a.bmp"}) {
    Texture texture(dir.Path(name), false, false);
    ASSERT_EQ(texture.image_data.size(), 8u * 16 * 3) << name;
    const uint8_t* first = texture.image_data.data();
    const uint8_t* last = first + texture.image_data.size() - 3;
    EXPECT_LT(first[0], 20) << name;  // stored first: the bottom (blue) row
    EXPECT_GT(first[2], 235) << name;
    EXPECT_GT(last[0], 235) << name;  // stored last: the top (red) row
    EXPECT_LT(last[2], 20) << name;
  }
}

TEST_F(TextureTest, HdrKeepsItsFirstRowFirst) {
  WriteHdr(dir.Path("sky.hdr"), 1, 2, {1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f});
  Texture texture(dir.Path("sky.hdr"), false, false);
  EXPECT_EQ(texture.bpp, 96u);
  std::vector<float> values(6);
  ASSERT_EQ(texture.image_data.size(), values.size() * sizeof(float));
  std::memcpy(values.data(), texture.image_data.data(), texture.image_data.size());
  EXPECT_EQ(values, (std::vector<float>{1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f}));
}

TEST_F(TextureTest, SixteenBitImagesAreRefused) {
  WritePng16(dir.Path("deep.png"), 2, 2);
  EXPECT_EXIT(Texture(dir.Path("deep.png")), ::testing::ExitedWithCode(1),
              "HDR 16 bit image not supported yet");
}

TEST_F(TextureTest, GreyAndGreyAlphaAreRefusedNamingTheChannelCount) {
  WritePng(dir.Path("grey.png"), 2, 2, 1, {0, 1, 2, 3});
  WritePng(dir.Path("greyalpha.png"), 1, 2, 2, {0, 1, 2, 3});
  EXPECT_EXIT(Texture(dir.Path("grey.png")), ::testing::ExitedWithCode(1),
              "Unexpected number of channels \\(1\\) in file .*grey.png");
  EXPECT_EXIT(Texture(dir.Path("greyalpha.png")), ::testing::ExitedWithCode(1),
              "Unexpected number of channels \\(2\\) in file .*greyalpha.png");
}

TEST_F(TextureTest, UndecodableBytesNameTheFileAndTheReason) {
  const std::string file = dir.Write("broken.png", "not a picture at all");
  EXPECT_EXIT(Texture texture(file), ::testing::ExitedWithCode(1),
              "Failed to load image .*broken.png\nFailure reason: ");
}

TEST_F(TextureTest, ExtensionTestIsCaseSensitive) {
  const std::string file = dir.Path("upper.PNG");
  WritePng(file, 1, 1, 3, kRed);
  Texture texture;
  EXPECT_FALSE(texture.Load(file, false, false, GL_LINEAR, GL_LINEAR));
  ASSERT_EQ(message_boxes().size(), 1u);
  EXPECT_EQ(message_boxes()[0].caption, "Unsupported image format!");
  EXPECT_EQ(message_boxes()[0].text,
            "Sorry, image format .PNG is not yet supported.\nTry .jpg or .png.");
  EXPECT_FALSE(message_boxes()[0].has_owner);
  EXPECT_EXIT(Texture{file}, ::testing::ExitedWithCode(1), "Failed to load texture .*upper.PNG");
}

TEST_F(TextureTest, RedTopLeftPixelIsDrawnTopLeft) {
  const std::string file = dir.Path("corner.png");
  WritePng(file, 2, 2, 3, Concat({kRed, kGreen, kBlue, kWhite}));
  Texture texture(file, false, false, GL_NEAREST, GL_NEAREST);
  RenderTarget target(16, 16);
  target.Bind();
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, texture.id);
  UseTextureDefaultShader();
  DrawUnitSquare();
  // Row 0 of the read-back pixels is the bottom of the picture.
  EXPECT_EQ(PixelText(target.PixelAt(2, 13)), "(255, 0, 0, 255)");    // top left
  EXPECT_EQ(PixelText(target.PixelAt(13, 13)), "(0, 255, 0, 255)");   // top right
  EXPECT_EQ(PixelText(target.PixelAt(2, 2)), "(0, 0, 255, 255)");     // bottom left
  EXPECT_EQ(PixelText(target.PixelAt(13, 2)), "(255, 255, 255, 255)");
  glUseProgram(0);
}

TEST_F(TextureTest, FiltersFollowTheMipmapChoice) {
  const std::string file = dir.Path("f.png");
  WritePng(file, 4, 4, 3, Solid(4, 4, kRed));
  Texture plain(file, false, false, GL_NEAREST, GL_NEAREST);
  EXPECT_EQ(TexParameter(plain.id, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
  EXPECT_EQ(TexParameter(plain.id, GL_TEXTURE_MAG_FILTER), GL_NEAREST);
  EXPECT_EQ(TexParameter(plain.id, GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);

  Texture mipmapped(file, true, true, GL_NEAREST, GL_NEAREST);
  EXPECT_EQ(TexParameter(mipmapped.id, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
  EXPECT_EQ(TexParameter(mipmapped.id, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
  EXPECT_EQ(TexParameter(mipmapped.id, GL_TEXTURE_WRAP_T), GL_REPEAT);
  GLfloat max_anisotropy = 0.0f;
  GLfloat anisotropy = 0.0f;
  glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &max_anisotropy);
  glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, &anisotropy);
  EXPECT_EQ(anisotropy, max_anisotropy);
  GLint level2_width = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 2, GL_TEXTURE_WIDTH, &level2_width);
  EXPECT_EQ(level2_width, 1);
}

TEST_F(TextureTest, MultisampledTextureLeavesThe2DBindingAlone) {
  GLuint bystander = 0;
  glGenTextures(1, &bystander);
  glBindTexture(GL_TEXTURE_2D, bystander);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_MIRRORED_REPEAT);
  {
    Texture multisampled;
    ASSERT_TRUE(multisampled.create_multisampled(8, 8, 4, true, GL_RGBA8));
    EXPECT_EQ(multisampled.name, "create_multisampled");
    EXPECT_TRUE(NoGLError());
    GLint samples = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D_MULTISAMPLE, 0, GL_TEXTURE_SAMPLES, &samples);
    EXPECT_EQ(samples, 4);
  }
  EXPECT_EQ(TexParameter(bystander, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
  EXPECT_EQ(TexParameter(bystander, GL_TEXTURE_WRAP_S), GL_MIRRORED_REPEAT);
  glDeleteTextures(1, &bystander);
}

TEST_F(TextureTest, RenderTargetResizesAndImageTextureRefuses) {
  Texture target;
  PrepareTarget(target, GL_RGBA8);
  ASSERT_TRUE(target.Create());
  target.Resize(8, 2);
  EXPECT_NE(target.id, 0u);
  GLint width = 0;
  glBindTexture(GL_TEXTURE_2D, target.id);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  EXPECT_EQ(width, 8);
  EXPECT_EQ(target.GetAspectRatio(), 4.0f);

  WritePng(dir.Path("i.png"), 1, 1, 3, kRed);
  Texture image(dir.Path("i.png"));
  EXPECT_EXIT(image.Resize(2, 2), ::testing::ExitedWithCode(1),
              "Attempted to resize a texture with imageData not null");
  Texture never_made;
  EXPECT_EXIT(never_made.Resize(2, 2), ::testing::ExitedWithCode(1),
              "Attempted to resize a texture that is not initialized!");
  EXPECT_EXIT(target.Create(), ::testing::ExitedWithCode(1),
              "Attempt to create an already initialized texture!");
  EXPECT_EXIT(never_made.GetAspectRatio(), ::testing::ExitedWithCode(1), "Invalid texture!");
}

TEST_F(TextureTest, BufferTextureKeepsItsBytesAsGiven) {
  const Pixels bytes = {1, 2, 3, 4, 5, 6, 7, 8};
  Texture texture("pair", bytes, 4, 2, 1, false, true, GL_NEAREST, GL_NEAREST);
  EXPECT_EQ(texture.name, "CreatedFromBuffer[pair]");
  EXPECT_EQ(texture.internal_format, 4);
  EXPECT_EQ(texture.wrap, GLenum(GL_REPEAT));
  EXPECT_EQ(texture.image_data, bytes);
  EXPECT_EQ(ReadLevel0(texture, GL_RGBA, 4), bytes);
  EXPECT_EXIT(Texture("x", Pixels(4), 2, 1, 2, false, false, GL_LINEAR, GL_LINEAR),
              ::testing::ExitedWithCode(1), "Unsupported bpp 16");
  EXPECT_EXIT(Texture("x", Pixels(5), 4, 1, 1, false, false, GL_LINEAR, GL_LINEAR),
              ::testing::ExitedWithCode(1), "Assert failed");
  // Fields changed by hand so that the bytes no longer cover the picture.
  Texture grown;
  grown.image_data = bytes;
  grown.width = 2;
  grown.height = 2;
  grown.format = GL_RGBA;
  grown.bpp = 32;
  grown.internal_format = GL_RGBA8;
  EXPECT_EXIT(grown.Create(), ::testing::ExitedWithCode(1), "Assert failed");
}

TEST_F(TextureTest, UpdateReplacesBytesAndPicture) {
  Texture texture("u", Pixels(8, 0), 4, 2, 1, true, false, GL_LINEAR, GL_LINEAR);
  const Pixels fresh = {9, 8, 7, 6, 5, 4, 3, 2};
  texture.Update(fresh);
  EXPECT_EQ(texture.image_data, fresh);
  EXPECT_EQ(ReadLevel0(texture, GL_RGBA, 4), fresh);
  EXPECT_EXIT(texture.Update(Pixels(4)), ::testing::ExitedWithCode(1), "Assert failed");
  Texture rgb("rgb", Pixels(3), 3, 1, 1, false, false, GL_LINEAR, GL_LINEAR);
  EXPECT_EXIT(rgb.Update(Pixels(4)), ::testing::ExitedWithCode(1), "Assert failed");
}

TEST_F(TextureTest, FlippedCopyReversesRows) {
  Texture one("one", {1, 2, 3}, 3, 1, 1, false, false, GL_LINEAR, GL_LINEAR);
  EXPECT_EQ(one.get_image_data_flipped_vertically(), (Pixels{1, 2, 3}));
  Texture three("three", {1, 1, 1, 2, 2, 2, 3, 3, 3}, 3, 1, 3, false, false, GL_LINEAR, GL_LINEAR);
  EXPECT_EQ(three.get_image_data_flipped_vertically(), (Pixels{3, 3, 3, 2, 2, 2, 1, 1, 1}));
  Texture empty;
  empty.name = "nothing";
  EXPECT_EXIT(empty.get_image_data_flipped_vertically(), ::testing::ExitedWithCode(1),
              "Image data for nothing is empty when calling get_image_data_flipped_vertically\\(\\)");
  Texture short_bytes;
  short_bytes.width = 2;
  short_bytes.height = 2;
  short_bytes.bpp = 24;
  short_bytes.image_data = {1, 2, 3, 4, 5, 6};
  EXPECT_EXIT(short_bytes.get_image_data_flipped_vertically(), ::testing::ExitedWithCode(1),
              "Assert failed");
}

TEST_F(TextureTest, DepthAndUnknownFormats) {
  Texture depth;
  PrepareTarget(depth, GL_DEPTH_COMPONENT32);
  ASSERT_TRUE(depth.Create());
  EXPECT_EQ(TexParameter(depth.id, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
  EXPECT_EQ(TexParameter(depth.id, GL_TEXTURE_COMPARE_MODE), GL_NONE);

  Texture odd;
  PrepareTarget(odd, GL_R8);
  EXPECT_EXIT(odd.Create(), ::testing::ExitedWithCode(1), "Unrecognized texture format 0x8229!");
  EXPECT_EXIT(Texture(""), ::testing::ExitedWithCode(1),
              "Tried to load Texture with empty filename");
}

TEST(GLErrorStrings, NameEveryKnownCode) {
  EXPECT_EQ(GLErrorString(GL_NO_ERROR), "GL_NO_ERROR");
  EXPECT_EQ(GLErrorString(GL_INVALID_ENUM), "GL_INVALID_ENUM");
  EXPECT_EQ(GLErrorString(GL_INVALID_VALUE), "GL_INVALID_VALUE");
  EXPECT_EQ(GLErrorString(GL_INVALID_OPERATION), "GL_INVALID_OPERATION");
  EXPECT_EQ(GLErrorString(GL_STACK_OVERFLOW), "GL_STACK_OVERFLOW");
  EXPECT_EQ(GLErrorString(GL_STACK_UNDERFLOW), "GL_STACK_UNDERFLOW");
  EXPECT_EQ(GLErrorString(GL_OUT_OF_MEMORY), "GL_OUT_OF_MEMORY");
  EXPECT_EQ(GLErrorString(0x1234), "Unknown GL error");
}
