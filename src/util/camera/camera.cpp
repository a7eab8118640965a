#include "util/camera/camera.h"

#include <GL/glew.h>
#include <cmath>
#include <limits>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include "system/log.h"

namespace {
constexpr float kDegreesToRadians = 3.14159265358979323846f / 180.0f;
constexpr int kMaxSide = 10000;
}  // namespace

void Camera::LookAt(float eye_x, float eye_y, float eye_z, float dst_x, float dst_y,
                    float dst_z, float up_x, float up_y, float up_z) {
  eye = {eye_x, eye_y, eye_z};
  dst = {dst_x, dst_y, dst_z};
  up = {up_x, up_y, up_z};
  UpdateView();
}

void Camera::UpdateView() { view = glm::lookAt(eye, dst, up); }

glm::vec3 Camera::Forward() const { return glm::normalize(dst - eye); }

void Camera::MoveForward(float distance) {
  const glm::vec3 step = Forward() * distance;
  eye += step;
  dst += step;
  UpdateView();
}

void Camera::Strafe(float distance) {
  const glm::vec3 step = glm::normalize(glm::cross(up, Forward())) * distance;
  eye += step;
  dst += step;
  UpdateView();
}

void Camera::MoveUp(float distance) {
  const glm::vec3 step = up * distance;
  eye += step;
  dst += step;
  UpdateView();
}

void Camera::Turn(float degrees) {
  const float a = degrees * kDegreesToRadians;
  const glm::vec3 f = Forward();
  const glm::vec3 w = f * std::cos(a) + glm::cross(up, f) * std::sin(a);
  dst = eye + glm::normalize(w);
  UpdateView();
}

void Camera::Pitch(float degrees) {
  const float a = degrees * kDegreesToRadians;
  const glm::vec3 f = Forward();
  const glm::vec3 side = glm::cross(up, f);
  const glm::vec3 m = glm::normalize(f * std::cos(a) + up * std::sin(a));
  dst = eye + m;
  up = glm::cross(m, side);
  UpdateView();
}

void Camera::Tilt(float degrees) {
  const float a = degrees * kDegreesToRadians;
  const glm::vec3 f = Forward();
  const glm::vec3 w = glm::cross(up, f) * std::cos(a) + up * std::sin(a);
  up = glm::cross(f, glm::normalize(w));
  UpdateView();
}

CameraViewport LetterboxViewport(int width, int height, float aspect) {
  CameraViewport viewport;
  viewport.width = width;
  // A zero, negative or non-number aspect gives no picture height, and a height beyond the int
  // range cannot be converted at all.
  const float view_height = static_cast<float>(width) / aspect;
  if (!(aspect > 0.0f) || !(view_height < static_cast<float>(std::numeric_limits<int>::max()))) {
    ExitMsg(__FILE__, __LINE__, "Assert failed");
  }
  viewport.height = static_cast<int>(view_height);
  const int h = height == 0 ? 1 : height;
  viewport.y = (h - viewport.height) / 2;
  return viewport;
}

glm::mat4 CameraProjection(float yfov, float aspect, float znear, float zfar) {
  const float t = std::tan(yfov * 3.14159265358979323846f / 360.0f);
  glm::mat4 projection(0.0f);
  projection[0][0] = 1.0f / (aspect * t);
  projection[1][1] = 1.0f / t;
  projection[2][2] = -(zfar + znear) / (zfar - znear);
  projection[2][3] = -1.0f;
  projection[3][2] = -2.0f * zfar * znear / (zfar - znear);
  return projection;
}

glm::mat4 Camera::SetUpMatrices(int width, int height, float aspect) {
  if (width < 0 || width > kMaxSide || height < 0 || height > kMaxSide) {
    ExitMsgFmt(__FILE__, __LINE__, "Sanity check failed on width/height {}/{}",
               width, height);
  }
  const CameraViewport viewport = LetterboxViewport(width, height, aspect);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glViewport(viewport.x, viewport.y, viewport.width, viewport.height);

  if (znear < 0.0f || zfar < 0.0f) {
    ExitMsgFmt(__FILE__, __LINE__, "Invalid znear/zfar of {}/{}", znear, zfar);
  }
  projection = CameraProjection(yfov, aspect, znear, zfar);
  glLoadMatrixf(glm::value_ptr(projection));

  glMatrixMode(GL_MODELVIEW);
  const glm::mat4 shaken = glm::translate(view, shake);
  glLoadMatrixf(glm::value_ptr(shaken));
  return projection;
}
