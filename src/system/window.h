#pragma once
// The one top-level window with its OpenGL context, and its message queue. The main loop
// renders a frame, then takes queued messages one by one: the quit message ends the loop,
// every other message goes to the window procedure.

#include <cstdint>
#include <functional>

#include "system/inputstate.h"

// Window (fullscreen in exactly the chosen mode, or windowed with a client area of the chosen
// size), compatibility-profile OpenGL context, swap interval from vsync, cursor hidden.
void CreateGLWindow();

// After glewInit: asks the user whether to go on when a required extension is missing.
void CheckGLExtensions();

void SwapWindowBuffers();
void DeleteGLContext();

// Where the window procedure hands on what it does not handle itself: client-area sizes above
// the minimum, and key and mouse events (recorded into the two records). The main loop installs
// it for its run; without one, those events are only dropped.
struct WindowEventHandler {
  std::function<void(uint32_t width, uint32_t height)> resized;
  KeyState* keys = nullptr;
  MouseState* mouse = nullptr;
};
void SetWindowEventHandler(WindowEventHandler handler);
void ClearWindowEventHandler();

// Queues the quit message behind everything already pending.
void PostQuitMessage();

enum class MessageResult { Empty, Quit, Dispatched };

// Takes one pending message: the quit message is returned, anything else is dispatched.
MessageResult PeekAndDispatchMessage();

// Removes pending messages up to and including the first paint message without dispatching
// them (size changes still update the settings). Used while loading.
void DrainMessagesUntilPaint();

// Whether this thread has a current OpenGL context to draw with.
bool IsGLContextCurrent();

// Whether Escape is held, or was pressed since the last call (a tap between two looks).
bool IsEscapeKeyDown();

// Fatal exit: leave fullscreen, turn the window into a normal 640 x 480 one and present it.
void RestoreWindowForError();

void ShowMouseCursor();

// Sizes below this (in either direction) are ignored by the window procedure.
constexpr uint32_t kMinimumWindowSize = 16;
