#include "scenes/scene_twballs/twballs.h"

#include <GL/glew.h>

#include "objects3d/procedural.h"
#include "objects3d/context/rendercontextshaderpieces.h"
#include "objects3d/shared_resources.h"
#include "util/camera/camera.h"
#include "util/camera/cameracontroller.h"
#include "util/light/light.h"

namespace {

using T = TwBallsTracks;

void SetAdditiveState() {
  glEnable(GL_BLEND);
  glDepthMask(GL_FALSE);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_LIGHTING);
  glDisable(GL_COLOR_MATERIAL);
  glDisable(GL_CULL_FACE);
}

}  // namespace

const std::vector<TrackField<TwBallsTracks>>& TwBalls::Tracks() {
  static const std::vector<TrackField<T>> tracks = {
      {"twblPosX", 0, &T::pos_x},         {"twblPosY", 0, &T::pos_y},
      {"twblPosZ", 0, &T::pos_z},         {"twblNumX", 5, &T::num_x},
      {"twblNumY", 5, &T::num_y},         {"twblNumZ", 5, &T::num_z},
      {"twblDistX", 2, &T::dist_x},       {"twblDistXMul", 1, &T::dist_x_mul},
      {"twblDistY", 2, &T::dist_y},       {"twblDistYMul", 1, &T::dist_y_mul},
      {"twblDistZ", 2, &T::dist_z},       {"twblDistZMul", 1, &T::dist_z_mul},
      {"twblSizeX", 1, &T::size_x},       {"twblSizeY", 1, &T::size_y},
      {"twblSizeZ", 1, &T::size_z},       {"twblSizeMul", 1, &T::size_mul},
      {"twblCol1H", 0.2f, &T::col1_h},    {"twblCol1S", 1, &T::col1_s},
      {"twblCol1L", 0.5f, &T::col1_l},    {"twblCol1A", 0.5f, &T::col1_a},
      {"twblCol2H", 0.7f, &T::col2_h},    {"twblCol2S", 1, &T::col2_s},
      {"twblCol2L", 0.5f, &T::col2_l},    {"twblCol2A", 0.5f, &T::col2_a},
      {"twblRotX", 0, &T::rot_x},         {"twblRotY", 0, &T::rot_y},
      {"twblRotZ", 0, &T::rot_z},
  };
  return tracks;
}

TwBalls::TwBalls() : tracks_(Tracks()) {}

TwBalls::~TwBalls() = default;

void TwBalls::Init() {
  ball_ = MakeIcosahedron();
  material_ = MakeMaterial();
  material_->base_color = glm::vec4(0.5f, 0.75f, 1.0f, 0.5f);
  material_->roughness = 1.0f;
  material_->metallic = 0.0f;
  ball_node_ = stage_.AddPrimitive(ball_, material_, nullptr).index;
  camera_ = stage_.AddCamera();
  camera_->LookAt(5, 5, 5, 0, 0, 0, 0, 1, 0);
  tracks_.Open(*music);
  // The shared programs, lighting textures and shader pieces are read now, while loading:
  // in write mode only what is read before the packed file is written ends up in it, and
  // making the shared resources inside a frame would draw into framebuffers of their own.
  RequireObjects3DSharedResources();
  RenderContextShaderPieces read_pieces;
}

void TwBalls::Resize(uint32_t new_width, uint32_t new_height) {
  Scene::Resize(new_width, new_height);
  stage_.Resize(new_width, new_height, aspect);
}

void TwBalls::Render() {
  UpdateCamera(camera_.get(), keys, mouse, 250.0f, music, false);
  SetAdditiveState();
  TwBallsTracks values;
  tracks_.Sample(*music, values);
  BuildTwBallsGrid(values, grid_);
  stage_.GetNode(ball_node_).instances = grid_.matrices;
  material_->instance_base_colors = grid_.colors;
  stage_.shadows_enabled = 0;
  for (const std::shared_ptr<Light>& light : stage_.data.lights) light->shadows = 0;
  stage_.glow_enabled = 1;
  // An empty grid draws nothing; a node without instances hides itself.
  stage_.Draw();
}
