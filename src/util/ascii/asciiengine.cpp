#include "util/ascii/asciiengine.h"

#include <stdexcept>

#include "system/log.h"
#include "util/gpuresources/gpuresources.h"
#include "util/texture/image_loader.h"

// The bytes are made from tools/gen_ascii_chart.py by the build.
const std::vector<uint8_t> ascii_chart_png = {
#include "ascii_chart_png.inc"
};

namespace {

constexpr GpuResourceKey kSharedBuffer{"text-mode picture buffer"};

void SetUniform(ShaderProgram& program, const char* name, int value) {
  const GLint location = program.GetUniformLocation(name);
  if (location >= 0) glUniform1i(location, value);
}

// The picture is a pixel grid: presented 1:1 it must be an exact copy, enlarged it stays crisp.
// Anisotropic filtering would blend neighbouring pixels even at 1:1, so it is turned off.
std::unique_ptr<FBO> MakeSharedBuffer() {
  auto fbo = std::make_unique<FBO>(AsciiEngine::kPictureWidth, AsciiEngine::kPictureHeight,
                                   FBOType::MipmappedColor, 0);
  const Texture& picture = *fbo->color_textures[0];
  glBindTexture(GL_TEXTURE_2D, picture.id);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, 1.0f);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glBindTexture(GL_TEXTURE_2D, 0);
  return fbo;
}

}  // namespace

AsciiEngine::AsciiEngine() {
  LoadChart();
  CreateFrame();
  buffer = &GpuResources::Current().Get<FBO>(kSharedBuffer, MakeSharedBuffer);
  program = std::make_unique<ShaderProgram>("data/util/ascii/asciiengine.vert",
                                            "data/util/ascii/asciiengine.frag");
}

void AsciiEngine::LoadChart() {
  chart.name = "asciichart.png";
  chart.wrap = GL_CLAMP_TO_EDGE;
  chart.min_filter = GL_NEAREST;
  chart.mag_filter = GL_NEAREST;
  chart.mipmaps = false;
  if (!DecodeImage(chart, chart.name, ascii_chart_png, true)) {
    ExitMsgFmt(__FILE__, __LINE__, "Failed to load png texture {} of size {}", chart.name,
               ascii_chart_png.size());
  }
  if (!chart.Create()) throw std::runtime_error("Failed to load ASCII chart texture!");
}

void AsciiEngine::CreateFrame() {
  frame.name = "ascii_frame";
  frame.width = kColumns;
  frame.height = kRows;
  frame.bpp = 32;
  frame.format = GL_RGBA_INTEGER;
  frame.internal_format = GL_RGBA8UI;
  frame.wrap = GL_CLAMP_TO_EDGE;
  frame.min_filter = GL_NEAREST;
  frame.mag_filter = GL_NEAREST;
  frame.mipmaps = false;
  frame.Create();
}

std::vector<uint8_t> AsciiEngine::PackCells() const {
  std::vector<uint8_t> bytes(static_cast<size_t>(kCells) * 4);
  for (int y = 0; y < kRows; ++y) {
    for (int x = 0; x < kColumns; ++x) {
      const int cell = CellIndex(x, y);
      uint8_t* texel = &bytes[static_cast<size_t>(CellIndex(x, kRows - 1 - y)) * 4];
      texel[0] = characters[cell];
      texel[1] = foreground[cell];
      texel[2] = background[cell];
      texel[3] = 0;
    }
  }
  return bytes;
}

void AsciiEngine::render(bool present) {
  buffer->Bind();
  glEnable(GL_TEXTURE_2D);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_MULTISAMPLE);
  glDisable(GL_LIGHTING);
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ONE);
  glViewport(0, 0, kPictureWidth, kPictureHeight);
  frame.Update(PackCells());

  program->Use();
  const GLint matrix = program->GetUniformLocation("ProjectionMatrix");
  if (matrix >= 0) glUniformMatrix4fv(matrix, 1, GL_FALSE, GpuResources::UnitSquareProjection().data());
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, chart.id);
  SetUniform(*program, "Texture", 0);
  glActiveTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_2D, frame.id);
  SetUniform(*program, "u_AsciiFrame", 1);
  GpuResources::Current().DrawUnitQuad();
  glActiveTexture(GL_TEXTURE0);
  buffer->Unbind();

  if (!present) return;
  GpuResources::Current().UseCopyProgram();
  glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
  glDisable(GL_DEPTH_TEST);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, buffer->color_textures[0]->id);
  GpuResources::Current().DrawUnitQuad();
}
