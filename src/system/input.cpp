#include "system/input.h"

#include <SDL2/SDL.h>

namespace {

struct KeyRange {
  SDL_Keycode first;
  SDL_Keycode last;
  uint32_t first_code;
};

// Runs of SDL keys whose virtual-key codes run alongside.
constexpr KeyRange kKeyRanges[] = {
    {SDLK_a, SDLK_z, 0x41},     {SDLK_0, SDLK_9, 0x30},       {SDLK_F1, SDLK_F12, 0x70},
    {SDLK_KP_1, SDLK_KP_9, 0x61},
};

struct KeyPair {
  SDL_Keycode key;
  uint32_t code;
};

constexpr KeyPair kSingleKeys[] = {
    {SDLK_BACKSPACE, 0x08}, {SDLK_TAB, 0x09},        {SDLK_RETURN, 0x0D},    {SDLK_KP_ENTER, 0x0D},
    {SDLK_LSHIFT, 0x10},    {SDLK_RSHIFT, 0x10},     {SDLK_LCTRL, 0x11},     {SDLK_RCTRL, 0x11},
    {SDLK_LALT, 0x12},      {SDLK_RALT, 0x12},       {SDLK_PAUSE, 0x13},     {SDLK_ESCAPE, 0x1B},
    {SDLK_SPACE, 0x20},     {SDLK_PAGEUP, 0x21},     {SDLK_PAGEDOWN, 0x22},  {SDLK_END, 0x23},
    {SDLK_HOME, 0x24},      {SDLK_LEFT, 0x25},       {SDLK_UP, 0x26},        {SDLK_RIGHT, 0x27},
    {SDLK_DOWN, 0x28},      {SDLK_INSERT, 0x2D},     {SDLK_DELETE, 0x2E},    {SDLK_KP_0, 0x60},
    {SDLK_KP_MULTIPLY, 0x6A}, {SDLK_KP_PLUS, 0x6B},  {SDLK_KP_MINUS, 0x6D},  {SDLK_KP_PERIOD, 0x6E},
    {SDLK_KP_DIVIDE, 0x6F}, {SDLK_EQUALS, 0xBB},     {SDLK_COMMA, 0xBC},     {SDLK_MINUS, 0xBD},
    {SDLK_PERIOD, 0xBE},
};

void RecordKey(KeyState& keys, uint32_t code, bool down, bool repeat) {
  if (code == 0) return;
  keys[code] = down ? 1 : 0;
  // A held key's auto-repeat is not a new press.
  if (down && !repeat) keys[KeyState::kPressedOnce + code] = 1;
}

void RecordButton(MouseState& mouse, uint32_t code, bool down) {
  if (code == 0) return;
  mouse.buttons[code] = down ? 1 : 0;
  if (down) mouse.buttons[KeyState::kPressedOnce + code] = 1;
}

void RecordMotion(MouseState& mouse, const SDL_MouseMotionEvent& motion) {
  // Grabbed, the pointer stays put and only the movement counts.
  if (SDL_GetRelativeMouseMode()) {
    mouse.x += motion.xrel;
    mouse.y += motion.yrel;
  } else {
    mouse.x = motion.x;
    mouse.y = motion.y;
  }
}

}  // namespace

uint32_t VirtualKeyFromKeycode(int32_t keycode) {
  for (const KeyRange& range : kKeyRanges) {
    if (keycode >= range.first && keycode <= range.last) {
      return range.first_code + static_cast<uint32_t>(keycode - range.first);
    }
  }
  for (const KeyPair& pair : kSingleKeys) {
    if (pair.key == keycode) return pair.code;
  }
  return 0;
}

uint32_t VirtualKeyFromMouseButton(uint8_t button) {
  switch (button) {
    case SDL_BUTTON_LEFT: return 0x01;
    case SDL_BUTTON_RIGHT: return 0x02;
    case SDL_BUTTON_MIDDLE: return 0x04;
    case SDL_BUTTON_X1: return 0x05;
    case SDL_BUTTON_X2: return 0x06;
    default: return 0;
  }
}

void RecordInputEvent(const SDL_Event& event, KeyState& keys, MouseState& mouse) {
  switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      RecordKey(keys, VirtualKeyFromKeycode(event.key.keysym.sym), event.type == SDL_KEYDOWN,
                event.key.repeat != 0);
      return;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      RecordButton(mouse, VirtualKeyFromMouseButton(event.button.button),
                   event.type == SDL_MOUSEBUTTONDOWN);
      return;
    case SDL_MOUSEMOTION:
      RecordMotion(mouse, event.motion);
      return;
    case SDL_MOUSEWHEEL:
      mouse.wheel += event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y : event.wheel.y;
      return;
    default:
      return;
  }
}

void ApplyMouseGrab(const MouseState& mouse) {
  const SDL_bool wanted = mouse.grab ? SDL_TRUE : SDL_FALSE;
  if (SDL_GetRelativeMouseMode() != wanted) SDL_SetRelativeMouseMode(wanted);
}
