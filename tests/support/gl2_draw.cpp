#include "support/gl2_draw.h"

#include <glm/gtc/type_ptr.hpp>

#include "util/shaderprogram/shaderconstructor.h"

namespace {

void SetMatrix(ShaderProgram& program, const char* name, const glm::mat4& matrix) {
  glUniformMatrix4fv(program.GetUniformLocation(name), 1, GL_FALSE, glm::value_ptr(matrix));
}

}  // namespace

std::unique_ptr<ShaderProgram> UseFlatProgram(bool three_d, const glm::mat4& projection) {
  auto program = std::make_unique<ShaderProgram>(three_d ? MakeFlat3DShader("flat 3D test")
                                                         : MakeFlat2DShader("flat 2D test"));
  program->Use();
  SetMatrix(*program, "ProjectionMatrix", projection);
  SetMatrix(*program, "ModelViewMatrix", glm::mat4(1.0f));
  glUniform4f(program->GetUniformLocation("Color"), 1, 1, 1, 1);
  return program;
}

std::unique_ptr<ShaderProgram> UseInstancedProgram(const glm::mat4& projection) {
  auto constructor = std::make_shared<ShaderConstructor>();
  constructor->name = "instanced test";
  constructor->version = 420;
  auto add = [&](ShaderPieceType type, const char* text) {
    constructor->AddPiece(type, ShaderPieceSource::STRING, text);
  };
  add(ShaderPieceType::VERTEX_GLOBALS, "uniform mat4 ProjectionMatrix;");
  add(ShaderPieceType::VERTEX_GLOBALS, "layout (location = VertexAttribPosition) in vec2 Position;");
  add(ShaderPieceType::VERTEX_GLOBALS, "layout (location = VertexAttribMatrix) in mat4 Instance;");
  add(ShaderPieceType::VERTEX_BODY,
      "\tgl_Position = ProjectionMatrix * Instance * vec4( Position, 0.0, 1.0 );");
  add(ShaderPieceType::FRAGMENT_GLOBALS, "out vec4 FragColor;");
  add(ShaderPieceType::FRAGMENT_BODY, "\tFragColor = vec4( 1.0 );");
  auto program = std::make_unique<ShaderProgram>(constructor);
  program->Use();
  SetMatrix(*program, "ProjectionMatrix", projection);
  return program;
}

void ClearTarget(const RenderTarget& target) {
  target.Bind();
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

int CountLitPixels(const RenderTarget& target) {
  const std::vector<uint8_t> pixels = target.ReadPixels();
  int lit = 0;
  for (size_t i = 0; i < pixels.size(); i += 4) lit += pixels[i] > 127 ? 1 : 0;
  return lit;
}

std::pair<int, int> LitColumns(const RenderTarget& target) {
  const std::vector<uint8_t> pixels = target.ReadPixels();
  int first = -1;
  int last = -1;
  for (int x = 0; x < target.width(); ++x) {
    for (int y = 0; y < target.height(); ++y) {
      if (pixels[(static_cast<size_t>(y) * target.width() + x) * 4] > 127) {
        if (first < 0) first = x;
        last = x;
        break;
      }
    }
  }
  return {first, last};
}
