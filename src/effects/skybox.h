#pragma once
// A cube map drawn on a large cube around the viewer, behind the 3D scene. The sky box keeps
// its own copy of the scene camera, pulled towards the origin (a tenth of the distance) so that
// the sky moves only slightly when the camera moves, with near and far planes fitted to the box.
// Per frame: setCamera with the frame's camera and size, then render, before the scene's
// geometry (the box is drawn without depth testing, so everything drawn later covers it).

#include <cstdint>
#include <memory>
#include <vector>

#include <GL/glew.h>
#include <glm/glm.hpp>

#include "effects/effect.h"
#include "effects/uniformvalue.h"
#include "util/camera/camera.h"
#include "util/shaderprogram/shaderprogram.h"

class TextureCube;

namespace Effects {

class SkyBox : public Effect {
 public:
  // Builds the program at once; needs a current GL context.
  SkyBox();
  ~SkyBox() override;
  SkyBox(const SkyBox&) = delete;
  SkyBox& operator=(const SkyBox&) = delete;

  // Stores the centre, ten times the size as the half edge, and the cube map. Throws
  // std::runtime_error when called twice, without a cube map, or with a size that is not a
  // positive number.
  void init(glm::vec3 new_position, float new_size, std::shared_ptr<TextureCube> new_cube_map);
  // Takes a moved copy of the scene camera (SkyCamera) and the render size for render.
  // Throws std::runtime_error for an empty camera pointer.
  void setCamera(const std::shared_ptr<Camera>& scene_camera, uint32_t new_width,
                 uint32_t new_height, float new_aspect);
  // Draws the box; time is not read. Throws std::runtime_error before init or before the
  // first setCamera. Leaves depth testing and lighting enabled and cube-map texturing off.
  void render(double time) override;

  // Whether the box, drawn for `scene_camera` at this aspect, covers every pixel of its
  // viewport: the sky camera's eye lies inside the box by more than the near plane reaches,
  // and the far plane lies beyond every corner. False before init.
  bool FillsView(const Camera& scene_camera, float aspect) const;

  bool initialised() const { return initialised_; }
  bool cameraSet() const { return camera_set_; }
  const Camera& camera() const { return camera_; }
  // The uniforms render sets, in upload order.
  std::vector<UniformValue> uniforms() const;
  ShaderProgram& program() const { return *program_; }

  // Owners may change these between frames.
  glm::vec3 position{0.0f};  // the box centre
  float size = 0.0f;         // half edge length of the drawn cube
  glm::vec3 color{1.0f};     // multiplies the sky
  // Ways of drawing the same picture more cheaply: all on in a show, turned off only by tests.
  struct Shortcuts {
    // Samples the cube map bilinearly from its base level, without mipmaps or anisotropy: at
    // the show's sizes the box's texels are seen about as large as the pixels, where the cube
    // map's own mipmapped, anisotropic filter (used when off) gives nearly the same picture
    // (within 43 dB PSNR over the frame) at a higher cost.
    bool base_level_sampling = true;
  };
  Shortcuts shortcuts;

 private:
  bool initialised_ = false;
  bool camera_set_ = false;
  Camera camera_;
  // The render size given to the last setCamera.
  uint32_t width_ = 0;
  uint32_t height_ = 0;
  float aspect_ = 0.0f;
  std::shared_ptr<TextureCube> cube_map_;
  std::unique_ptr<ShaderProgram> program_;
  LocatedUniforms located_;
  GLuint base_level_sampler_ = 0;
};

// The sky box's view of the scene: a copy of the scene camera with its eye at a tenth of the
// scene eye, the same view direction, and near and far planes of box_size x 0.001 and
// box_size x 10 (box_size being the half edge of the drawn cube).
Camera SkyCamera(const Camera& scene_camera, float box_size);

// The twelve triangles of the cube with corners at +-1, as 36 corner positions in drawing
// order; each also serves as the texture coordinate, the direction sampled in the cube map.
const std::vector<glm::vec3>& SkyBoxTriangles();

}  // namespace Effects
