#include "util/light/light.h"

#include <glm/gtc/matrix_transform.hpp>

#include "util/fbo/fbo.h"
#include "util/glstate/face_culling.h"
#include "util/light/shadowcubemap.h"

namespace {

struct FaceAxes {
  glm::vec3 direction;
  glm::vec3 up;
};

// The orientation GL's cube-map sampling expects of each face.
constexpr std::array<FaceAxes, 6> kFaceAxes = {{
    {{1.0f, 0.0f, 0.0f}, {0.0f, -1.0f, 0.0f}},
    {{-1.0f, 0.0f, 0.0f}, {0.0f, -1.0f, 0.0f}},
    {{0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}},
    {{0.0f, -1.0f, 0.0f}, {0.0f, 0.0f, -1.0f}},
    {{0.0f, 0.0f, 1.0f}, {0.0f, -1.0f, 0.0f}},
    {{0.0f, 0.0f, -1.0f}, {0.0f, -1.0f, 0.0f}},
}};

}  // namespace

glm::mat4 CubeFaceView(uint32_t face) {
  const FaceAxes& axes = kFaceAxes[face % 6];
  return glm::lookAt(glm::vec3(0.0f), axes.direction, axes.up);
}

glm::mat4 CubeFaceProjection(float near_plane, float far_plane) {
  glm::mat4 m(0.0f);
  m[0][0] = 1.0f;
  m[1][1] = 1.0f;
  m[2][2] = -(far_plane + near_plane) / (far_plane - near_plane);
  m[2][3] = -1.0f;
  m[3][2] = -2.0f * far_plane * near_plane / (far_plane - near_plane);
  return m;
}

Light::Light() : projection(CubeFaceProjection(0.01f, 20.0f)) {
  for (uint32_t i = 0; i < 6; ++i) face_views[i] = CubeFaceView(i);
}

Light::~Light() = default;

void Light::UpdateMatrix() {
  transform = glm::translate(glm::mat4(1.0f), -glm::vec3(position));
}

void Light::CreateShadowTextures() { CreateShadowTexturesAt(shadow_map ? shadow_place_ : 0); }

void Light::CreateShadowTexturesAt(uint32_t place) {
  shadow_map = AcquireShadowCubeMap(shadow_size, place);
  shadow_place_ = place;
}

void Light::ReleasePlacedShadowTextures() {
  if (shadow_place_ == 0) return;
  shadow_map.reset();
  shadow_place_ = 0;
}

glm::mat4 Light::BeginShadowFace(int32_t face, const ShadowFaceTexels* texels) {
  if (!shadows || face < 0 || face > 5 || !shadow_map || face_active_) return glm::mat4(1.0f);
  glGetBooleanv(GL_POLYGON_OFFSET_FILL, &saved_.offset_fill);
  glGetBooleanv(GL_POLYGON_OFFSET_LINE, &saved_.offset_line);
  glGetBooleanv(GL_POLYGON_OFFSET_POINT, &saved_.offset_point);
  glGetFloatv(GL_POLYGON_OFFSET_FACTOR, &saved_.offset_factor);
  glGetFloatv(GL_POLYGON_OFFSET_UNITS, &saved_.offset_units);
  glGetIntegerv(GL_CULL_FACE_MODE, &saved_.cull_face_mode);
  glGetBooleanv(GL_DEPTH_TEST, &saved_.depth_test);
  glGetBooleanv(GL_DEPTH_WRITEMASK, &saved_.depth_mask);
  glGetIntegerv(GL_DEPTH_FUNC, &saved_.depth_func);
  glGetBooleanv(GL_SCISSOR_TEST, &saved_.scissor_test);
  glGetIntegerv(GL_SCISSOR_BOX, saved_.scissor_box.data());
  face_active_ = true;
  shadow_map->SetFaceContents(static_cast<uint32_t>(face), 0);

  FBO& target = shadow_map->framebuffer();
  target.AttachDepthCubeFace(shadow_map->texture(), static_cast<uint32_t>(face));
  // The viewport is the map's own size, which may differ from this light's shadow_size when
  // another light made the map.
  target.BindWithoutClear();
  glCullFace(GL_FRONT);
  glEnable(GL_DEPTH_TEST);
  glDepthMask(GL_TRUE);
  glDepthFunc(GL_LEQUAL);
  if (texels) {
    glEnable(GL_SCISSOR_TEST);
    glScissor(texels->x0, texels->y0, texels->x1 - texels->x0, texels->y1 - texels->y0);
  } else {
    glDisable(GL_SCISSOR_TEST);
  }
  glEnable(GL_POLYGON_OFFSET_FILL);
  glEnable(GL_POLYGON_OFFSET_LINE);
  glEnable(GL_POLYGON_OFFSET_POINT);
  glPolygonOffset(1.0f, 1.0f);
  glClear(GL_DEPTH_BUFFER_BIT);
  return face_views[static_cast<size_t>(face)] * transform;
}

void Light::EndShadowFace() {
  if (!face_active_) return;
  face_active_ = false;
  shadow_map->framebuffer().Unbind();
  SetEnabled(GL_POLYGON_OFFSET_FILL, saved_.offset_fill);
  SetEnabled(GL_POLYGON_OFFSET_LINE, saved_.offset_line);
  SetEnabled(GL_POLYGON_OFFSET_POINT, saved_.offset_point);
  glPolygonOffset(saved_.offset_factor, saved_.offset_units);
  glCullFace(static_cast<GLenum>(saved_.cull_face_mode));
  SetEnabled(GL_DEPTH_TEST, saved_.depth_test);
  glDepthMask(saved_.depth_mask);
  glDepthFunc(static_cast<GLenum>(saved_.depth_func));
  SetEnabled(GL_SCISSOR_TEST, saved_.scissor_test);
  glScissor(saved_.scissor_box[0], saved_.scissor_box[1], saved_.scissor_box[2],
            saved_.scissor_box[3]);
}
