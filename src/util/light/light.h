#pragma once
// A punctual light of a 3D scene: position, colour, intensity, range, cone angles and type for
// the shaders, and what its omnidirectional shadow needs: six cube-face views, the face
// projection, near and far planes and the side of the shared shadow cube map. A shadow face is
// rendered between BeginShadowFace and EndShadowFace, which set the state a depth pass needs
// and put back everything they changed.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include <GL/glew.h>
#include <glm/glm.hpp>

class ShadowCubeMap;
struct ShadowFaceTexels;

// Type 0 is directional, 2 a spot, every other value a point light; type 3 casts no shadow.
constexpr int32_t kLightTypeDirectional = 0;
constexpr int32_t kLightTypeSpot = 2;
constexpr int32_t kLightTypeUnshadowed = 3;

// The look-at matrix of cube face i (GL order +X, -X, +Y, -Y, +Z, -Z) seen from the origin.
glm::mat4 CubeFaceView(uint32_t face);
// The square 90-degree perspective of the faces with the given planes.
glm::mat4 CubeFaceProjection(float near_plane, float far_plane);

class Light {
 public:
  Light();
  ~Light();
  Light(const Light&) = delete;
  Light& operator=(const Light&) = delete;

  // transform = translation by minus the position.
  void UpdateMatrix();
  // Takes hold of the shared cube map (made at shadow_size when none exists). A light that
  // holds the map of a later place in a draw keeps it (at the side asked for), so that a scene
  // may call this before every frame without the draw having to make that map again.
  void CreateShadowTextures();
  // Takes hold of the map a draw that reads several lights' shadows at once reads the light at
  // `place` from: 0 the shared map, else the map of that place, shared by every light drawn
  // there.
  void CreateShadowTexturesAt(uint32_t place);
  // Lets go of the map of a later place, for a light no longer drawn beside others: the map
  // goes with the last light holding it. The shared map is kept.
  void ReleasePlacedShadowTextures();
  // Starts rendering face 0-5 into the light's map: binds its framebuffer with that face as
  // depth, sets the viewport to the map's real size, depth test and writes on, polygon offset,
  // clears the depth. Returns the model-view root of the face (face view x transform). Without
  // `shadows`, without a map, or for a face outside 0-5: the identity and no GL change. With
  // `texels`, the clear and every draw until EndShadowFace reach only those texels.
  glm::mat4 BeginShadowFace(int32_t face, const ShadowFaceTexels* texels = nullptr);
  // Ends the face begun last: everything BeginShadowFace changed is put back.
  void EndShadowFace();
  bool InShadowFace() const { return face_active_; }

  std::string name;
  uint8_t enabled = 1;
  glm::vec4 position{0.0f, 0.0f, 0.0f, 1.0f};
  glm::mat4 transform{1.0f};
  std::array<glm::mat4, 6> face_views;
  glm::mat4 projection;
  glm::vec3 direction{0.0f};
  glm::vec3 color{1.0f};
  float intensity = 10.0f;
  float range = -1.0f;
  float shadow_clip = -1.0f;
  // Cone half-angles in radians.
  float inner_cone = 0.0f;
  float outer_cone = 0.7853982f;
  int32_t type = 1;
  uint8_t shadows = 0;
  float shadow_near = 0.01f;
  float shadow_far = 20.0f;
  int32_t shadow_size = 2048;
  uint32_t last_width = 0;
  uint32_t last_height = 0;
  // The shared cube map, held from the first CreateShadowTextures; or the map of the light's
  // place in a draw that reads several lights.
  std::shared_ptr<ShadowCubeMap> shadow_map;

 private:
  struct SavedFaceState {
    GLboolean offset_fill = GL_FALSE;
    GLboolean offset_line = GL_FALSE;
    GLboolean offset_point = GL_FALSE;
    GLfloat offset_factor = 0.0f;
    GLfloat offset_units = 0.0f;
    GLint cull_face_mode = GL_BACK;
    GLboolean depth_test = GL_FALSE;
    GLboolean depth_mask = GL_TRUE;
    GLint depth_func = GL_LESS;
    GLboolean scissor_test = GL_FALSE;
    std::array<GLint, 4> scissor_box{};
  };
  SavedFaceState saved_;
  bool face_active_ = false;
  // The place in a draw whose map shadow_map is.
  uint32_t shadow_place_ = 0;
};
