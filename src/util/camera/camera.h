#pragma once
// The view of a 3D scene: eye, target and up, the matrices made from them, the vertical field
// of view and depth range, depth-of-field focus settings and a shake offset. Angles are in
// degrees, all arithmetic single precision.

#include <string>
#include <glm/glm.hpp>

class Camera {
 public:
  Camera() = default;
  Camera(const Camera&) = default;
  Camera& operator=(const Camera&) = default;

  void LookAt(float eye_x, float eye_y, float eye_z, float dst_x, float dst_y, float dst_z,
              float up_x, float up_y, float up_z);
  void SetYfov(float degrees) { yfov = degrees; }
  void SetNearFar(float near_plane, float far_plane) {
    znear = near_plane;
    zfar = far_plane;
  }
  void UpdateView();

  // Sets the letterboxed viewport and both fixed-function matrices; returns the projection.
  glm::mat4 SetUpMatrices(int width, int height, float aspect);

  void MoveForward(float distance);
  // Positive distances move to the left of the view.
  void Strafe(float distance);
  void MoveUp(float distance);
  void Turn(float degrees);
  void Pitch(float degrees);
  void Tilt(float degrees);

  std::string name;
  glm::vec3 eye{1.0f, 10.0f, -15.0f};
  glm::vec3 dst{0.0f, 0.0f, 0.0f};
  glm::vec3 up{0.0f, 1.0f, 0.0f};
  glm::mat4 view{1.0f};
  glm::mat4 projection{1.0f};
  float yfov = 45.0f;
  float znear = 0.1f;
  float zfar = 1000.0f;
  // Depth-of-field settings as fractions of the range from znear to zfar.
  float focusPoint = 0.2f;
  float focusRange = 0.1f;
  float focusFalloff = 0.3f;
  glm::vec3 shake{0.0f};

 private:
  glm::vec3 Forward() const;
};

// The letterboxed viewport SetUpMatrices selects: full width, height from the aspect, centred.
struct CameraViewport {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};
CameraViewport LetterboxViewport(int width, int height, float aspect);

// The perspective projection SetUpMatrices loads (vertical field of view in degrees).
glm::mat4 CameraProjection(float yfov, float aspect, float znear, float zfar);
