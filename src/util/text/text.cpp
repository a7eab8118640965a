#include "util/text/text.h"

#include <GL/glew.h>
#include <FTGL/ftgl.h>
#include <cstdarg>
#include <cstdio>

#include "system/log.h"
#include "util/data/data.h"
#include "util/gpuresources/gpuresources.h"
#include "util/shaderprogram/shaderconstructor.h"
#include "util/shaderprogram/shaderprogram.h"

namespace {

constexpr int32_t kTextGlslVersion = 120;
constexpr float kLayoutWidthInverse = 0.00078125f;  // 1 / 1280
constexpr int kTextureUnitsCleared = 8;

std::shared_ptr<ShaderConstructor> MakeTextProgramSource(bool textured) {
  auto constructor = MakeTextShaderConstructor(kTextGlslVersion);
  constructor->AddStrings(ShaderPieceType::VERTEX_BODY,
                          {"\tgl_TexCoord[0] = gl_MultiTexCoord0;", "\tgl_Position = ftransform();",
                           "\tgl_FrontColor = gl_Color;"});
  if (textured) {
    // The glyph texture's alpha times the current colour.
    constructor->AddStrings(ShaderPieceType::FRAGMENT_GLOBALS, {"uniform sampler2D tex;"});
    constructor->AddStrings(ShaderPieceType::FRAGMENT_BODY,
                            {"\tgl_FragColor = texture2D( tex, gl_TexCoord[0].st ).a * gl_Color;"});
  } else {
    constructor->AddStrings(ShaderPieceType::FRAGMENT_BODY, {"\tgl_FragColor = gl_Color;"});
  }
  return constructor;
}

constexpr GpuResourceKey kBufferFontProgram{"buffer font program"};
constexpr GpuResourceKey kOutlineFontProgram{"outline font program"};

ShaderProgram& BufferFontProgram() {
  return GpuResources::Current().Get<ShaderProgram>(kBufferFontProgram, [] {
    return std::make_unique<ShaderProgram>(MakeTextProgramSource(true));
  });
}

ShaderProgram& OutlineFontProgram() {
  return GpuResources::Current().Get<ShaderProgram>(kOutlineFontProgram, [] {
    return std::make_unique<ShaderProgram>(MakeTextProgramSource(false));
  });
}

std::unique_ptr<FTFont> MakeFont(TextFontType type, const std::vector<uint8_t>& bytes) {
  switch (type) {
    case TextFontType::Buffer:
      return std::make_unique<FTBufferFont>(bytes.data(), bytes.size());
    case TextFontType::Outline:
      return std::make_unique<FTOutlineFont>(bytes.data(), bytes.size());
  }
  ExitMsgFmt(__FILE__, __LINE__, "Unknown font type {}", static_cast<uint32_t>(type));
}

}  // namespace

std::shared_ptr<ShaderConstructor> MakeTextShaderConstructor(int32_t version) {
  auto constructor = std::make_shared<ShaderConstructor>();
  constructor->name = "Text";
  constructor->version = version;
  return constructor;
}

std::string FormatPrintText(const char* format, va_list arguments) {
  char buffer[Text::kMaxTextLength + 1];
  const int written = std::vsnprintf(buffer, sizeof(buffer), format, arguments);
  if (written < 0) return {};
  return buffer;
}

Text::Text(const std::string& font_file, uint32_t size) {
  font_bytes_ = GetFileBytes(font_file, "rb", true);
  font_ = MakeFont(font_type, font_bytes_);
  // FTGL always hands back an object; a face it could not open shows in its error state.
  if (font_->Error() != 0) {
    ExitMsgFmt(__FILE__, __LINE__, "Failed to create font from {}", font_file);
  }
  font_->CharMap(ft_encoding_unicode);
  font_->FaceSize(size, 72);
  face_size_ = size;
  font_->Outset(1.0f);
  width_ = -1;
  height_ = -1;
}

Text::~Text() = default;

void Text::SetFaceSize(uint32_t size) {
  if (size == face_size_) return;
  font_->FaceSize(size, 72);
  face_size_ = size;
  ++face_size_changes_;
}

void Text::Reshape(int32_t width, int32_t height) {
  width_ = width;
  height_ = height;
}

void Text::RequireSize(const char* message, uint32_t line) const {
  if (width_ < 1 || height_ < 1) ExitMsg(__FILE__, line, message);
}

void Text::UseShader() {
  switch (font_type) {
    case TextFontType::Outline:
      OutlineFontProgram().Use();
      return;
    case TextFontType::Buffer:
      BufferFontProgram().Use();
      return;
  }
  ExitMsg(__FILE__, __LINE__, "Invalid font type");
}

void Text::SetGLState() {
  RequireSize("Can't set gl state before calling Text::Reshape() at least once!", __LINE__);
  UseShader();
  glViewport(0, 0, width_, height_);
  glMatrixMode(GL_TEXTURE);
  glLoadIdentity();
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  // One unit per pixel, origin at the bottom left.
  glOrtho(0.0, width_, 0.0, height_, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();

  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glDisable(GL_ALPHA_TEST);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
  for (GLenum coordinate : {GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R,
                            GL_TEXTURE_GEN_Q}) {
    glDisable(coordinate);
  }
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glDisable(GL_SCISSOR_TEST);
}

void Text::Render(const std::string& text, float x, float y, float x_stretch) {
  for (int unit = 0; unit < kTextureUnitsCleared; ++unit) {
    glActiveTexture(GL_TEXTURE0 + unit);
    glBindTexture(GL_TEXTURE_2D, 0);
  }
  glActiveTexture(GL_TEXTURE0);

  const float scale = static_cast<float>(width_) * kLayoutWidthInverse;
  glPushMatrix();
  glTranslatef(static_cast<float>(width_) * x, static_cast<float>(height_) * y, 0.0f);
  glScalef(x_stretch * scale, scale, scale);
  font_->Render(text.c_str(), -1, FTPoint(), FTPoint(), FTGL::RENDER_ALL);
  glPopMatrix();
}

void Text::PrintFormatted(float x, float y, float x_stretch, const char* format,
                          va_list arguments) {
  RequireSize("Can't print before calling Text::Reshape() at least once!", __LINE__);
  if (format == nullptr) return;
  Render(FormatPrintText(format, arguments), x, y, x_stretch);
}

void Text::Print(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  PrintFormatted(0.0f, 0.0f, 1.0f, format, arguments);
  va_end(arguments);
}

void Text::PrintAt(float x, float y, float x_stretch, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  PrintFormatted(x, y, x_stretch, format, arguments);
  va_end(arguments);
}
