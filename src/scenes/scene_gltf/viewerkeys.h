#pragma once
// The model viewer's keys, read from the scene manager's key record: model and camera
// selection, the display toggles and the numeric-pad turns of the model. Pressed-once bytes
// are cleared as they are read; held bytes are only looked at.

#include <cstddef>
#include <cstdint>

#include <glm/glm.hpp>

#include "scenes/scene.h"

// What the viewer shows; the defaults are the viewer's start-up state.
struct ViewerToggles {
  uint8_t lighting = 1;
  uint8_t shadows = 1;
  uint8_t glow = 0;
  uint8_t skybox = 1;
  uint8_t light_sources = 1;
  uint8_t bbox = 0;
  uint8_t floor = 1;
  uint8_t help = 0;
};

// One frame's requests besides the toggles, which are flipped in place.
struct ViewerInput {
  int32_t model_step = 0;    // -1 previous model, +1 next, 0 stay
  int32_t camera_slot = -1;  // 0 to 9 from the digit keys ("1" is 0, "0" is 9), -1 none
  bool toggle_mouse_lock = false;  // F12: grab or free the mouse
  bool turned = false;       // a numeric-pad key is held: apply `rotation`
  glm::dmat4 rotation{1.0};  // the turn to multiply onto every instance of the model
};

namespace ViewerKey {
constexpr uint32_t kPageUp = 0x21;
constexpr uint32_t kPageDown = 0x22;
constexpr uint32_t kF5 = 0x74;
constexpr uint32_t kF6 = 0x75;
constexpr uint32_t kF12 = 0x7B;
constexpr uint32_t kNumpad0 = 0x60;  // numeric pad digits run 0x60 to 0x69
}  // namespace ViewerKey

// Reads the keys of one frame. frame_delta is the smoothed frame time in seconds; the turn
// rate is 5 radians a second, 5/3 with Shift held, 0.5 with Control held.
ViewerInput ReadViewerKeys(KeyState& keys, ViewerToggles& toggles, double frame_delta);

// The model after a step, wrapping at both ends of a list of `count` models.
uint32_t StepModel(uint32_t current, int32_t step, uint32_t count);

// The camera a digit selects: the slot, capped at the last camera; `current` when the model
// has no camera at all (a camera index of -1 could not be drawn).
int32_t SelectCamera(int32_t slot, size_t camera_count, int32_t current);
