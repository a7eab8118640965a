#pragma once
// The common frame of the additive vertex-colour scenes (TwBoxes, TwGlowShapes): a camera that
// follows the camera tracks, a generated vertex-colour program, and a mesh rebuilt from the
// tracks every frame and drawn additively with depth test, texturing and lighting off.

#include <GL/glew.h>

#include <memory>
#include <string>

#include "scenes/scene.h"
#include "scenes/scene_twboxes/vertexcolourmesh.h"
#include "util/camera/camera.h"
#include "util/easydraw/easydrawcustom.h"
#include "util/shaderprogram/shaderprogram.h"

class VertexColourScene : public Scene {
 public:
  ~VertexColourScene() override;

  const Camera& camera() const { return camera_; }
  const VertexColourMesh& mesh() const { return mesh_; }

 protected:
  // Builds the program under the name and places the camera at its starting view.
  void InitView(const std::string& program_name);
  // Moves the camera, sets the matrices and the blend state, and empties the mesh.
  void BeginFrame();
  // Uploads the mesh and draws it, then puts back the state BeginFrame changed.
  void DrawMesh(GLenum mode);

  VertexColourMesh mesh_;

 private:
  Camera camera_;
  EasyDrawCustom vertices_;
  std::unique_ptr<ShaderProgram> program_;
  GLint projection_location_ = -1;
  GLint model_view_location_ = -1;
};
