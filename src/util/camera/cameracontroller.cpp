#include "util/camera/cameracontroller.h"

#include <glm/geometric.hpp>

#include "util/frametime.h"
#include "system/log.h"
#include "tolmesystem.h"
#include "util/music/music.h"
#include "util/random.h"

namespace {

// The free controls' rates: degrees per mouse pixel, degrees per second, units per second.
struct FreeRates {
  float mouse_factor = 0.15f;
  float turn_rate = 35.0f;
  float move_rate = 0.0f;
};

bool TakePressedOnce(uint8_t* bytes, uint32_t code) {
  uint8_t& pressed = bytes[KeyState::kPressedOnce + code];
  if (pressed == 0) return false;
  pressed = 0;
  return true;
}

// Writes the camera as the calls that recreate it, so a position found by flying can be pasted
// into a scene.
void LogCameraAsCode(const Camera& camera, uint32_t frame) {
  constexpr int kDecimals = 3;
  LogInfo("Camera [{}] {}:\n", camera.name, frame);
  LogInfo("\tcam->SetYfov({:.{}f}f);\n", camera.yfov, kDecimals);
  LogInfo("\tcam->SetNearFar({1:.{0}f}f, {2:.{0}f}f);\n", kDecimals, camera.znear, camera.zfar);
  LogInfo("\tcam->LookAt({1:.{0}f}f, {2:.{0}f}f, {3:.{0}f}f,  {4:.{0}f}f, {5:.{0}f}f, {6:.{0}f}f,  "
          "{7:.{0}f}f, {8:.{0}f}f, {9:.{0}f}f);\n",
          kDecimals, camera.eye.x, camera.eye.y, camera.eye.z, camera.dst.x, camera.dst.y,
          camera.dst.z, camera.up.x, camera.up.y, camera.up.z);
}

void FollowTracks(Camera* camera, const CameraTrackSource& music) {
  // The sampling order is the tracks' opening order in the editor's view; kept as it is.
  camera->up.z = music.value("cameraUpZ");
  camera->up.y = music.value("cameraUpY");
  camera->up.x = music.value("cameraUpX");
  camera->dst.z = music.value("cameraDstZ");
  camera->dst.y = music.value("cameraDstY");
  camera->dst.x = music.value("cameraDstX");
  camera->eye.z = music.value("cameraEyeZ");
  camera->eye.y = music.value("cameraEyeY");
  camera->eye.x = music.value("cameraEyeX");
  camera->UpdateView();
  camera->yfov = music.value("cameraFoV");

  SharedRandom::Seed(static_cast<uint32_t>(music.position()));
  const float radius = music.value("cameraShake");
  camera->shake = radius > 0.0f ? SharedBallRand(radius) : glm::vec3(0.0f);
}

FreeRates RatesFor(const KeyState& keys, float speed) {
  FreeRates rates;
  rates.move_rate = speed * 0.03f;
  if (keys[VirtualKey::kShift]) {
    rates.turn_rate = 105.0f;
    rates.move_rate *= 3.0f;
  } else if (keys[VirtualKey::kControl]) {
    rates.mouse_factor = 0.015f;
    rates.turn_rate = 3.5f;
    rates.move_rate *= 0.1f;
  }
  return rates;
}

void FlyFree(Camera* camera, const KeyState& keys, MouseState* mouse, float speed) {
  const float dt = static_cast<float>(smoothed_frame_delta);
  const FreeRates rates = RatesFor(keys, speed);
  const float turn = dt * rates.turn_rate;
  const float move = dt * rates.move_rate;

  if (mouse->buttons[VirtualKey::kRightButton] || mouse->grab) {
    camera->Turn(-static_cast<float>(mouse->dx) * rates.mouse_factor);
    camera->Pitch(-static_cast<float>(mouse->dy) * rates.mouse_factor);
  }
  if (keys[VirtualKey::kLeft]) camera->Turn(turn);
  if (keys[VirtualKey::kRight]) camera->Turn(-turn);
  if (keys[VirtualKey::kUp]) camera->Pitch(turn);
  if (keys[VirtualKey::kDown]) camera->Pitch(-turn);
  if (keys['Q']) camera->Tilt(-turn);
  if (keys['E']) camera->Tilt(turn);

  camera->yfov -= 0.5f * rates.mouse_factor * static_cast<float>(mouse->wheel);
  mouse->wheel = 0;

  if (keys['W']) camera->MoveForward(move);
  if (keys['S']) camera->MoveForward(-move);
  if (keys['A']) camera->Strafe(move);
  if (keys['D']) camera->Strafe(-move);
  if (keys['Z']) camera->MoveUp(-move);
  if (keys['X']) camera->MoveUp(move);
  if (keys[VirtualKey::kAdd]) camera->yfov -= 60.0f * dt;
  if (keys[VirtualKey::kSubtract]) camera->yfov += 60.0f * dt;
}

}  // namespace

glm::vec3 SharedBallRand(float radius) {
  // Rejection sampling in the enclosing cube: uniform inside the ball.
  for (;;) {
    glm::vec3 point;
    for (int axis = 0; axis < 3; ++axis) {
      point[axis] = (SharedRandom::NextUnit() * 2.0f - 1.0f) * radius;
    }
    if (glm::length(point) <= radius) return point;
  }
}

void UpdateCamera(Camera* camera, KeyState* keys, MouseState* mouse, float speed,
                  const CameraTrackSource& music, bool manual) {
  if (TakePressedOnce(mouse->buttons, VirtualKey::kLeftButton)) {
    LogCameraAsCode(*camera, mouse->frame);
  }
  SystemSettings& settings = **GetSystemSettings();
  if (TakePressedOnce(keys->keys, VirtualKey::kF11)) {
    settings.free_camera = settings.free_camera ? 0 : 1;
  }
  if (settings.free_camera == 0 && !manual) {
    FollowTracks(camera, music);
  } else {
    FlyFree(camera, *keys, mouse, speed);
  }
}

CameraTrackSource MusicCameraTracks(Music* music) {
  return {[music](const std::string& name) { return music->GetSyncValue(name); },
          [music] { return music->GetPosition(); }};
}

void UpdateCamera(Camera* camera, KeyState* keys, MouseState* mouse, float speed, Music* music,
                  bool manual) {
  UpdateCamera(camera, keys, mouse, speed, MusicCameraTracks(music), manual);
}
