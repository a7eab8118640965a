// Window input into the scene manager's records, by Windows virtual-key code.

#include "system/input.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

namespace {

SDL_Event KeyEvent(Uint32 type, SDL_Keycode key, Uint8 repeat = 0) {
  SDL_Event event{};
  event.type = type;
  event.key.keysym.sym = key;
  event.key.repeat = repeat;
  return event;
}

SDL_Event ButtonEvent(Uint32 type, Uint8 button) {
  SDL_Event event{};
  event.type = type;
  event.button.button = button;
  return event;
}

TEST(VirtualKeys, LettersDigitsAndFunctionKeysRunInOrder) {
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_a), 0x41u);
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_w), 0x57u);
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_z), 0x5Au);
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_0), 0x30u);
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_9), 0x39u);
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_F1), 0x70u);
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_F11), 0x7Au);
}

TEST(VirtualKeys, NavigationModifiersAndNumpad) {
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_LEFT), 0x25u);
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_UP), 0x26u);
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_RIGHT), 0x27u);
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_DOWN), 0x28u);
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_PAGEUP), 0x21u);
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_PAGEDOWN), 0x22u);
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_LSHIFT), 0x10u);
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_RSHIFT), 0x10u);
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_RCTRL), 0x11u);
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_KP_0), 0x60u);
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_KP_1), 0x61u);
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_KP_9), 0x69u);
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_KP_PLUS), 0x6Bu);
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_KP_MINUS), 0x6Du);
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_CAPSLOCK), 0u);
}

TEST(RecordInput, KeyHeldAndPressedOnce) {
  KeyState keys;
  MouseState mouse;
  RecordInputEvent(KeyEvent(SDL_KEYDOWN, SDLK_w), keys, mouse);
  EXPECT_TRUE(keys[0x57]);
  EXPECT_TRUE(keys[KeyState::kPressedOnce + 0x57]);
  // The reader clears the press; auto-repeat does not bring it back.
  keys[KeyState::kPressedOnce + 0x57] = 0;
  RecordInputEvent(KeyEvent(SDL_KEYDOWN, SDLK_w, 1), keys, mouse);
  EXPECT_FALSE(keys[KeyState::kPressedOnce + 0x57]);
  RecordInputEvent(KeyEvent(SDL_KEYUP, SDLK_w), keys, mouse);
  EXPECT_FALSE(keys[0x57]);
}

TEST(RecordInput, UnknownKeysTouchNothing) {
  KeyState keys;
  MouseState mouse;
  RecordInputEvent(KeyEvent(SDL_KEYDOWN, SDLK_CAPSLOCK), keys, mouse);
  for (uint32_t i = 0; i < 512; ++i) EXPECT_EQ(keys[i], 0) << i;
}

TEST(RecordInput, MouseButtonsPositionAndWheel) {
  KeyState keys;
  MouseState mouse;
  RecordInputEvent(ButtonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT), keys, mouse);
  EXPECT_TRUE(mouse.buttons[0x02]);
  EXPECT_TRUE(mouse.buttons[KeyState::kPressedOnce + 0x02]);
  RecordInputEvent(ButtonEvent(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT), keys, mouse);
  EXPECT_FALSE(mouse.buttons[0x02]);

  SDL_Event motion{};
  motion.type = SDL_MOUSEMOTION;
  motion.motion.x = 120;
  motion.motion.y = 45;
  motion.motion.xrel = 3;
  RecordInputEvent(motion, keys, mouse);
  EXPECT_EQ(mouse.x, 120);
  EXPECT_EQ(mouse.y, 45);

  SDL_Event wheel{};
  wheel.type = SDL_MOUSEWHEEL;
  wheel.wheel.y = 2;
  RecordInputEvent(wheel, keys, mouse);
  RecordInputEvent(wheel, keys, mouse);
  EXPECT_EQ(mouse.wheel, 4);
  wheel.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;
  RecordInputEvent(wheel, keys, mouse);
  EXPECT_EQ(mouse.wheel, 2);
}

}  // namespace
