#include "scenes/scene_gltf/viewerkeys.h"

#include <algorithm>

#include <glm/gtc/matrix_transform.hpp>

namespace {

bool TakePressed(KeyState& keys, uint32_t code) {
  uint8_t& pressed = keys[KeyState::kPressedOnce + code];
  const bool was = pressed != 0;
  pressed = 0;
  return was;
}

bool Held(const KeyState& keys, uint32_t code) { return keys[code] != 0; }

struct ToggleKey {
  uint32_t code;
  uint8_t ViewerToggles::*toggle;
};

// L is handled apart: with Shift it switches the light sources instead of the lighting.
constexpr ToggleKey kToggleKeys[] = {
    {'H', &ViewerToggles::help},  {'Y', &ViewerToggles::skybox}, {'G', &ViewerToggles::glow},
    {'K', &ViewerToggles::shadows}, {'B', &ViewerToggles::bbox}, {'F', &ViewerToggles::floor},
};

struct TurnKey {
  uint32_t numpad_digit;
  double sign;
  glm::dvec3 axis;
};

// The order in which held keys add their turns.
constexpr TurnKey kTurnKeys[] = {
    {4, +1.0, {0, 0, 1}}, {7, +1.0, {1, 1, 0}}, {8, -1.0, {1, 0, 0}}, {9, -1.0, {1, 1, 0}},
    {6, -1.0, {0, 0, 1}}, {3, -1.0, {1, 1, 0}}, {2, +1.0, {1, 0, 0}}, {1, +1.0, {1, 1, 0}},
};

int32_t ReadModelStep(KeyState& keys) {
  // Both keys of a pair are read so that neither stays pending for a later frame.
  const bool previous = TakePressed(keys, ViewerKey::kF5) | TakePressed(keys, ViewerKey::kPageUp);
  const bool next = TakePressed(keys, ViewerKey::kF6) | TakePressed(keys, ViewerKey::kPageDown);
  return (next ? 1 : 0) - (previous ? 1 : 0);
}

int32_t ReadCameraSlot(KeyState& keys) {
  int32_t slot = -1;
  for (uint32_t digit = 0; digit <= 9; ++digit) {
    if (TakePressed(keys, '0' + digit)) slot = digit == 0 ? 9 : static_cast<int32_t>(digit) - 1;
  }
  return slot;
}

void ReadToggles(KeyState& keys, ViewerToggles& toggles) {
  for (const ToggleKey& key : kToggleKeys) {
    if (TakePressed(keys, key.code)) toggles.*key.toggle ^= 1;
  }
  if (TakePressed(keys, 'L')) {
    uint8_t& toggle = Held(keys, VirtualKey::kShift) ? toggles.light_sources : toggles.lighting;
    toggle ^= 1;
  }
}

void ReadTurns(const KeyState& keys, double frame_delta, ViewerInput& input) {
  double speed = 5.0;
  if (Held(keys, VirtualKey::kShift)) {
    speed = 5.0 / 3.0;
  } else if (Held(keys, VirtualKey::kControl)) {
    speed = 0.5;
  }
  const double angle = frame_delta * speed;
  for (const TurnKey& key : kTurnKeys) {
    if (!Held(keys, ViewerKey::kNumpad0 + key.numpad_digit)) continue;
    input.rotation = glm::rotate(input.rotation, key.sign * angle, key.axis);
    input.turned = true;
  }
}

}  // namespace

ViewerInput ReadViewerKeys(KeyState& keys, ViewerToggles& toggles, double frame_delta) {
  ViewerInput input;
  input.model_step = ReadModelStep(keys);
  input.camera_slot = ReadCameraSlot(keys);
  input.toggle_mouse_lock = TakePressed(keys, ViewerKey::kF12);
  ReadTurns(keys, frame_delta, input);
  ReadToggles(keys, toggles);
  return input;
}

uint32_t StepModel(uint32_t current, int32_t step, uint32_t count) {
  if (count == 0) return 0;
  const int64_t moved = (static_cast<int64_t>(current) + step) % count;
  return static_cast<uint32_t>(moved < 0 ? moved + count : moved);
}

int32_t SelectCamera(int32_t slot, size_t camera_count, int32_t current) {
  if (slot < 0 || camera_count == 0) return current;
  return std::min(slot, static_cast<int32_t>(camera_count) - 1);
}
