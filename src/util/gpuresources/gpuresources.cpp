#include "util/gpuresources/gpuresources.h"

#include <GL/glew.h>

#include "system/log.h"
#include "util/shaderprogram/shaderconstructor.h"
#include "util/shaderprogram/vertexattrib.h"

namespace {

GpuResources* current = nullptr;

// Two-dimensional corners at the position location, texture coordinates 0..1 across them.
void UploadSquare(EasyDrawCustom& square, float from, float to) {
  static constexpr float kTexCoords[8] = {0, 0, 1, 0, 1, 1, 0, 1};
  const float positions[8] = {from, from, to, from, to, to, from, to};
  square.SetAttribute(VertexAttribPosition, 2, 8, positions, 0);
  square.SetAttribute(VertexAttribTexCoord1, 2, 8, kTexCoords, 0);
}

}  // namespace

GpuResources::GpuResources() {
  if (current != nullptr) ExitMsg(__FILE__, __LINE__, "Shared GPU resources made twice");
  copy_program_ = std::make_unique<ShaderProgram>(MakeTextured2DShader("CopyProgram"));
  copy_projection_location_ = copy_program_->GetUniformLocation("ProjectionMatrix");
  copy_texture_location_ = copy_program_->GetUniformLocation("Texture");
  UploadSquare(unit_quad_, 0.0f, 1.0f);
  UploadSquare(fullscreen_quad_, -1.0f, 1.0f);
  current = this;
}

GpuResources::~GpuResources() {
  // Later objects may use earlier ones (an engine holding a program): free newest first.
  while (!kept_.empty()) kept_.pop_back();
  if (current == this) current = nullptr;
}

GpuResources& GpuResources::Current() {
  if (current == nullptr) ExitMsg(__FILE__, __LINE__, "Shared GPU resources used without a context");
  return *current;
}

bool GpuResources::Exists() { return current != nullptr; }

const std::array<float, 16>& GpuResources::UnitSquareProjection() {
  static constexpr std::array<float, 16> kMatrix = {2, 0, 0, 0, 0, 2, 0, 0,
                                                    0, 0, -1, 0, -1, -1, 0, 1};
  return kMatrix;
}

void GpuResources::UseCopyProgram() {
  copy_program_->Use();
  if (copy_projection_location_ >= 0) {
    glUniformMatrix4fv(copy_projection_location_, 1, GL_FALSE, UnitSquareProjection().data());
  }
  if (copy_texture_location_ >= 0) glUniform1i(copy_texture_location_, 0);
}

void GpuResources::DrawUnitQuad() { unit_quad_.Draw(GL_QUADS); }

void GpuResources::DrawFullscreenQuad() { fullscreen_quad_.Draw(GL_QUADS); }

GpuResources::Holder* GpuResources::Find(const GpuResourceKey& key) {
  for (Entry& entry : kept_) {
    if (entry.key == &key) return entry.holder.get();
  }
  return nullptr;
}

GpuResources::Holder& GpuResources::Checked(const GpuResourceKey& key, Holder& held,
                                            const std::type_info& wanted) const {
  if (held.type() != wanted) {
    ExitMsgFmt(__FILE__, __LINE__, "Shared GPU resource {} asked for as another type", key.name);
  }
  return held;
}
