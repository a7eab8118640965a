#include "scenes/scene_twboxes/vertexcolourscene.h"

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include "util/camera/cameracontroller.h"
#include "util/shaderprogram/vertexattrib.h"

namespace {

constexpr float kFreeCameraSpeed = 15.0f;

void SetMatrix(GLint location, const glm::mat4& matrix) {
  if (location >= 0) glUniformMatrix4fv(location, 1, GL_FALSE, glm::value_ptr(matrix));
}

}  // namespace

VertexColourScene::~VertexColourScene() = default;

void VertexColourScene::InitView(const std::string& program_name) {
  program_ = std::make_unique<ShaderProgram>(MakeVertexColor3DShader(program_name));
  projection_location_ = program_->GetUniformLocation("ProjectionMatrix");
  model_view_location_ = program_->GetUniformLocation("ModelViewMatrix");
  camera_.LookAt(15.0f, 7.5f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f);
  camera_.UpdateView();
  camera_.SetYfov(57.3302f);
  camera_.SetNearFar(0.00001f, 500.0f);
}

void VertexColourScene::BeginFrame() {
  UpdateCamera(&camera_, keys, mouse, kFreeCameraSpeed, music, false);
  const glm::mat4 projection =
      camera_.SetUpMatrices(static_cast<int>(width), static_cast<int>(height), aspect);
  program_->Use();
  SetMatrix(projection_location_, projection);
  SetMatrix(model_view_location_, glm::translate(camera_.view, camera_.shake));
  glEnable(GL_BLEND);
  glDepthMask(GL_FALSE);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_LIGHTING);
  glDisable(GL_COLOR_MATERIAL);
  glDisable(GL_CULL_FACE);
  mesh_.Clear();
}

void VertexColourScene::DrawMesh(GLenum mode) {
  vertices_.SetAttribute(VertexAttribColor, 4, static_cast<uint32_t>(mesh_.colours.size()),
                         mesh_.colours.data(), 0);
  vertices_.SetAttribute(VertexAttribPosition, 3, static_cast<uint32_t>(mesh_.positions.size()),
                         mesh_.positions.data(), 0);
  vertices_.SetIndices(0, nullptr);
  vertices_.Draw(mode);
  glDisable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glDepthMask(GL_TRUE);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_COLOR_MATERIAL);
}
