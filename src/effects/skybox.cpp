#include "effects/skybox.h"

#include <GL/glew.h>

#include <array>
#include <cmath>
#include <stdexcept>
#include <utility>

#include "util/texture/texturecube.h"

namespace Effects {

namespace {

constexpr float kFarPerSize = 10.0f;
constexpr float kNearPerSize = 0.001f;
constexpr float kEyeScale = 0.1f;
constexpr float kSizeScale = 10.0f;
constexpr int kClipPlanesCleared = 4;

constexpr std::array<glm::vec3, 8> kCorners = {{{-1, 1, 1},
                                                {1, 1, 1},
                                                {-1, -1, 1},
                                                {1, -1, 1},
                                                {-1, 1, -1},
                                                {1, 1, -1},
                                                {-1, -1, -1},
                                                {1, -1, -1}}};

constexpr std::array<int, 36> kTriangleCorners = {0, 1, 2, 1, 3, 2, 1, 5, 3, 5, 7, 3,
                                                  5, 4, 7, 4, 6, 7, 4, 0, 6, 0, 2, 6,
                                                  4, 5, 0, 5, 1, 0, 2, 3, 6, 3, 7, 6};

void FitPlanes(Camera& camera, float box_size) {
  camera.SetNearFar(box_size * kNearPerSize, box_size * kFarPerSize);
}

void DisableSceneState() {
  glDisable(GL_ALPHA_TEST);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
  for (int plane = 0; plane < kClipPlanesCleared; ++plane) glDisable(GL_CLIP_PLANE0 + plane);
  glDisable(GL_CULL_FACE);
}

void DrawCube(glm::vec3 position, float size) {
  glPushMatrix();
  glTranslatef(position.x, position.y, position.z);
  glScalef(size, size, size);
  glBegin(GL_TRIANGLES);
  for (const glm::vec3& corner : SkyBoxTriangles()) {
    glTexCoord3f(corner.x, corner.y, corner.z);
    glVertex3f(corner.x, corner.y, corner.z);
  }
  glEnd();
  glPopMatrix();
}

}  // namespace

Camera SkyCamera(const Camera& scene_camera, float box_size) {
  Camera sky = scene_camera;
  FitPlanes(sky, box_size);
  sky.eye = scene_camera.eye * kEyeScale;
  sky.UpdateView();
  sky.dst = sky.eye + (scene_camera.dst - scene_camera.eye);
  sky.UpdateView();
  return sky;
}

const std::vector<glm::vec3>& SkyBoxTriangles() {
  static const std::vector<glm::vec3> triangles = [] {
    std::vector<glm::vec3> corners;
    for (int index : kTriangleCorners) corners.push_back(kCorners[index]);
    return corners;
  }();
  return triangles;
}

SkyBox::SkyBox()
    : program_(std::make_unique<ShaderProgram>("data/effects/skybox/skybox.vert",
                                               "data/effects/skybox/skybox.frag")) {
  glGenSamplers(1, &base_level_sampler_);
  glSamplerParameteri(base_level_sampler_, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glSamplerParameteri(base_level_sampler_, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  for (const GLenum wrap : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_TEXTURE_WRAP_R}) {
    glSamplerParameteri(base_level_sampler_, wrap, GL_CLAMP_TO_EDGE);
  }
}

SkyBox::~SkyBox() { glDeleteSamplers(1, &base_level_sampler_); }

void SkyBox::init(glm::vec3 new_position, float new_size,
                  std::shared_ptr<TextureCube> new_cube_map) {
  if (initialised_) throw std::runtime_error("SkyBox::init() called twice!");
  // A missing cube map or a box without extent would only fail later, inside render.
  if (!new_cube_map) throw std::runtime_error("SkyBox::init() called without a cube map");
  if (!(new_size > 0.0f) || !std::isfinite(new_size)) {
    throw std::runtime_error("SkyBox::init() called with a size that is not positive");
  }
  position = new_position;
  size = new_size * kSizeScale;
  cube_map_ = std::move(new_cube_map);
  initialised_ = true;
}

void SkyBox::setCamera(const std::shared_ptr<Camera>& scene_camera, uint32_t new_width,
                       uint32_t new_height, float new_aspect) {
  if (!scene_camera) throw std::runtime_error("SkyBox::setCamera() called without a camera");
  camera_ = SkyCamera(*scene_camera, size);
  width_ = new_width;
  height_ = new_height;
  aspect_ = new_aspect;
  camera_set_ = true;
}

bool SkyBox::FillsView(const Camera& scene_camera, float aspect) const {
  if (!initialised_ || !(size > 0.0f) || !(aspect > 0.0f)) return false;
  const Camera sky = SkyCamera(scene_camera, size);
  const float half_angle = glm::radians(sky.yfov) * 0.5f;
  if (!(half_angle > 0.0f) || half_angle >= glm::radians(89.0f)) return false;
  // The near plane's corners lie this far from the eye.
  const float t = std::tan(half_angle);
  const float near_reach = sky.znear * std::sqrt(1.0f + t * t * (1.0f + aspect * aspect));
  // The drawn eye: the view is moved by the shake.
  const glm::vec3 eye = sky.eye - sky.shake - position;
  for (int axis = 0; axis < 3; ++axis) {
    if (!(std::abs(eye[axis]) + near_reach < size)) return false;
  }
  const float farthest_corner = glm::length(glm::abs(eye) + glm::vec3(size));
  return farthest_corner < sky.zfar;
}

std::vector<UniformValue> SkyBox::uniforms() const {
  return {UniformVec3("Color", color.x, color.y, color.z), UniformInt("CubeMap", 0)};
}

void SkyBox::render(double /*time*/) {
  if (!initialised_) {
    throw std::runtime_error("SkyBox::render() called without initializing effect!");
  }
  if (!camera_set_) {
    throw std::runtime_error("SkyBox::render() called without setting camera first");
  }
  if (!(size > 0.0f) || !std::isfinite(size)) {
    throw std::runtime_error("SkyBox::render() called with a size that is not positive");
  }
  // The planes follow the current size: it may have changed since setCamera (owners set it
  // directly), and a camera set before init was fitted to no box at all.
  FitPlanes(camera_, size);
  camera_.SetUpMatrices(static_cast<int>(width_), static_cast<int>(height_), aspect_);
  program_->Use();
  located_.Upload(*program_, uniforms());
  DisableSceneState();
  glEnable(GL_TEXTURE_CUBE_MAP);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_CUBE_MAP, cube_map_->id);
  GLint sampler = 0;
  glGetIntegerv(GL_SAMPLER_BINDING, &sampler);
  glBindSampler(0, shortcuts.base_level_sampling ? base_level_sampler_ : 0);
  DrawCube(position, size);
  glBindSampler(0, static_cast<GLuint>(sampler));
  glEnable(GL_LIGHTING);
  glEnable(GL_DEPTH_TEST);
  glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
  glDisable(GL_TEXTURE_CUBE_MAP);
}

}  // namespace Effects
