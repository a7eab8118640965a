#pragma once
// Keyboard and mouse input from the window's events into the scene manager's input records,
// with keys and buttons named by Windows virtual-key codes, which is what the readers of the
// records (the camera controller, the model viewer) test for.

#include <cstdint>

#include "system/inputstate.h"

union SDL_Event;

// The virtual-key code of an SDL key code, or 0 for a key that has none here.
uint32_t VirtualKeyFromKeycode(int32_t keycode);

// The virtual-key code of an SDL mouse button, or 0.
uint32_t VirtualKeyFromMouseButton(uint8_t button);

// Records one key, mouse button, motion or wheel event; other events are ignored. While the
// mouse is grabbed, motion is counted relative to where the pointer was.
void RecordInputEvent(const SDL_Event& event, KeyState& keys, MouseState& mouse);

// Holds the pointer in the window (hidden, reporting only relative motion) while the grab flag
// is set, and lets it go when cleared.
void ApplyMouseGrab(const MouseState& mouse);
