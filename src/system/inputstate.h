#pragma once
// The two input records: the window's key and mouse events are written into them, and scenes
// (through the scene manager) and the camera controller read them. Keys and buttons are named
// by Windows virtual-key codes.

#include <cstdint>

// Byte k (0-255) is non-zero while the key with virtual-key code k is held; byte 256 + k is
// non-zero once after key k was pressed, and the reader clears it when it acts on it.
struct KeyState {
  static constexpr uint32_t kPressedOnce = 256;
  uint8_t keys[512] = {};

  uint8_t& operator[](uint32_t index) { return keys[index]; }
  const uint8_t& operator[](uint32_t index) const { return keys[index]; }
};
static_assert(sizeof(KeyState) == 512);

// Mouse input: the frame loop writes the frame number and the deltas; buttons are split like
// KeyState (held, then pressed-once) by the buttons' virtual-key codes; the reader clears the
// wheel. While grab is set the window keeps the cursor at its centre.
struct MouseState {
  uint32_t frame = 0;
  int32_t x = 0;
  int32_t y = 0;
  int32_t previous_x = 0;
  int32_t previous_y = 0;
  int32_t dx = 0;
  int32_t dy = 0;
  uint8_t buttons[512] = {};
  int32_t wheel = 0;
  uint8_t grab = 0;
};

// Virtual-key codes the readers of these records use.
namespace VirtualKey {
constexpr uint32_t kLeftButton = 0x01;
constexpr uint32_t kRightButton = 0x02;
constexpr uint32_t kShift = 0x10;
constexpr uint32_t kControl = 0x11;
constexpr uint32_t kLeft = 0x25;
constexpr uint32_t kUp = 0x26;
constexpr uint32_t kRight = 0x27;
constexpr uint32_t kDown = 0x28;
constexpr uint32_t kAdd = 0x6B;
constexpr uint32_t kSubtract = 0x6D;
constexpr uint32_t kF11 = 0x7A;
// Letters and digits are their ASCII upper-case codes ('A' = 0x41).
}  // namespace VirtualKey
