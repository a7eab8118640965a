#include "system/window.h"

#include <atomic>
#include <GL/glew.h>
#include <SDL2/SDL.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "system/input.h"
#include "system/log.h"
#include "system/messagebox.h"
#include "system/video.h"
#include "tolmesystem.h"

namespace {

Uint32 quit_event_type = 0;
WindowEventHandler event_handler;
// An Escape pressed since the loading screen last asked: a tap that is down and up again
// between two looks at the key state would otherwise be lost with the drained messages.
std::atomic<bool> escape_tapped{false};

int WatchForEscape(void*, SDL_Event* event) {
  if (event->type == SDL_KEYDOWN && event->key.keysym.sym == SDLK_ESCAPE) escape_tapped = true;
  return 0;
}

SDL_Window* Window() {
  return system_settings ? static_cast<SDL_Window*>(system_settings->window) : nullptr;
}

void InitVideo() {
  if (!StartVideo()) {
    ExitMsgFmt(__FILE__, __LINE__, "Failed to initialise video: {}", SDL_GetError());
  }
  // Every way out of the process (return from main, fatal exit, Escape while loading) passes
  // through exit(), so this puts the desktop's display mode back.
  static bool registered = false;
  if (!registered) {
    registered = true;
    std::atexit(SDL_Quit);
  }
  if (quit_event_type == 0) {
    quit_event_type = SDL_RegisterEvents(1);
    SDL_AddEventWatch(WatchForEscape, nullptr);
  }
}

void SetPixelFormatAttributes() {
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_BUFFER_SIZE, 32);
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
}

// Switches the window's display mode to exactly the chosen size at 32 bits per pixel.
void EnterFullscreen(SDL_Window* window, const SystemSettings& settings) {
  SDL_DisplayMode wanted{SDL_PIXELFORMAT_RGB888, static_cast<int>(settings.width),
                         static_cast<int>(settings.height), 0, nullptr};
  SDL_DisplayMode closest{};
  const int display = SDL_GetWindowDisplayIndex(window);
  if (SDL_GetClosestDisplayMode(display < 0 ? 0 : display, &wanted, &closest) == nullptr ||
      closest.w != wanted.w || closest.h != wanted.h ||
      SDL_SetWindowDisplayMode(window, &closest) != 0 ||
      SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) != 0) {
    ExitMsg(__FILE__, __LINE__, "Failed to set fullscreen mode");
  }
}

// The context is made as the window is created, as the window procedure does on creation.
void CreateContext(SDL_Window* window, SystemSettings& settings) {
  SDL_GLContext context = SDL_GL_CreateContext(window);
  if (context == nullptr) {
    LogLine("Could not create the OpenGL context: {}", SDL_GetError());
    ExitMsg(__FILE__, __LINE__, "Assert failed");
  }
  settings.gl_context = context;
  SDL_GL_MakeCurrent(window, context);
  SDL_ShowWindow(window);
  SDL_RaiseWindow(window);
  // A driver without swap control keeps its default; that is not an error.
  SDL_GL_SetSwapInterval(settings.vsync ? 1 : 0);
}

// A client size above the minimum becomes the settings' size; false for one that is ignored.
bool StoreClientSize(const SDL_WindowEvent& event) {
  const uint32_t width = static_cast<uint32_t>(event.data1);
  const uint32_t height = static_cast<uint32_t>(event.data2);
  if (width <= kMinimumWindowSize || height <= kMinimumWindowSize) return false;
  system_settings->width = width;
  system_settings->height = height;
  return true;
}

void HandleWindowEvent(const SDL_WindowEvent& event) {
  switch (event.event) {
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      if (StoreClientSize(event) && event_handler.resized) {
        event_handler.resized(system_settings->width, system_settings->height);
      }
      return;
    case SDL_WINDOWEVENT_CLOSE:
      // Closing destroys the window, which posts the quit message. SDL_QUIT follows for the
      // last window and posts a second one, which is never taken: the loop ends at the first.
      PostQuitMessage();
      return;
    default:
      return;
  }
}

bool IsInputEvent(const SDL_Event& event) {
  switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
    case SDL_MOUSEMOTION:
    case SDL_MOUSEWHEEL:
      return true;
    default:
      return false;
  }
}

// Keys and the mouse go to the handler's input records; while a scene grabs the mouse the
// pointer is held in the window.
void RecordInput(const SDL_Event& event) {
  if (event_handler.keys == nullptr || event_handler.mouse == nullptr || !IsInputEvent(event)) {
    return;
  }
  RecordInputEvent(event, *event_handler.keys, *event_handler.mouse);
  ApplyMouseGrab(*event_handler.mouse);
}

// The window procedure.
void WndProc(const SDL_Event& event) {
  RecordInput(event);
  switch (event.type) {
    case SDL_WINDOWEVENT:
      HandleWindowEvent(event.window);
      return;
    case SDL_KEYDOWN:
      if (event.key.keysym.sym == SDLK_ESCAPE) {
        LogInfo("  Got VK_ESCAPE at {}:{}", __FILE__, __LINE__);
        PostQuitMessage();
      }
      return;
    case SDL_QUIT:
      // SIGINT and SIGTERM arrive as SDL_QUIT: the run ends as if the window were closed.
      PostQuitMessage();
      return;
    default:
      return;
  }
}

bool IsPaintMessage(const SDL_Event& event) {
  return event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_EXPOSED;
}

std::string MissingExtensionsText(const std::vector<std::string>& missing) {
  std::string text = missing.size() == 1 ? "Extension " : "Extensions ";
  for (size_t i = 0; i < missing.size(); ++i) {
    if (i > 0) text += ", ";
    text += missing[i];
  }
  return text +
         " not supported, which means this demo probably won't run very well or at all. If "
         "you still want to risk it, press OK. \n\n(Side effects may include bubonic plague, "
         "outbreaks of cholera, Spontaneous Massive Existence Failures and other conditions "
         "too horrible for mere words. The author of this application does not take "
         "responsibility for any damages, injuries or death resulting from the erroneous use "
         "of this product.)";
}

}  // namespace

void CreateGLWindow() {
  SystemSettings& settings = *system_settings;
  InitVideo();
  SetPixelFormatAttributes();
  Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
  if (!settings.fullscreen) flags |= SDL_WINDOW_RESIZABLE;
  SDL_Window* window = SDL_CreateWindow(settings.title.c_str(), 0, 0,
                                        static_cast<int>(settings.width),
                                        static_cast<int>(settings.height), flags);
  if (window == nullptr) {
    LogLine("Could not create the window: {}", SDL_GetError());
    ExitMsg(__FILE__, __LINE__, "Assert failed");
  }
  settings.window = window;
  if (settings.fullscreen) EnterFullscreen(window, settings);
  CreateContext(window, settings);
  SDL_ShowCursor(SDL_DISABLE);
}

void CheckGLExtensions() {
  const std::pair<const char*, GLboolean> required[] = {
      {"GLEW_ARB_vertex_program", GLEW_ARB_vertex_program},
      {"GLEW_ARB_fragment_program", GLEW_ARB_fragment_program},
      {"GLEW_ARB_multitexture", GLEW_ARB_multitexture},
      {"GLEW_ARB_vertex_shader", GLEW_ARB_vertex_shader},
      {"GLEW_ARB_fragment_shader", GLEW_ARB_fragment_shader},
      {"GLEW_ARB_multisample", GLEW_ARB_multisample},
      {"GLEW_ARB_point_sprite", GLEW_ARB_point_sprite},
      {"GLEW_EXT_texture_filter_anisotropic", GLEW_EXT_texture_filter_anisotropic},
      {"GLEW_ARB_vertex_buffer_object", GLEW_ARB_vertex_buffer_object},
      {"GLEW_EXT_framebuffer_object", GLEW_EXT_framebuffer_object},
      {"GLEW_ARB_texture_non_power_of_two", GLEW_ARB_texture_non_power_of_two},
      {"GLEW_ARB_texture_float", GLEW_ARB_texture_float},
      {"GLEW_ARB_draw_buffers", GLEW_ARB_draw_buffers},
      {"GLEW_ARB_depth_texture", GLEW_ARB_depth_texture},
  };
  std::vector<std::string> missing;
  for (const auto& [name, available] : required) {
    if (!available) missing.emplace_back(name);
  }
  if (missing.empty()) return;
  const MessageBoxResult answer = ShowMessageBox(
      MessageBoxRequest{"Missing extension(s)", MissingExtensionsText(missing),
                        MessageBoxButtons::OkCancel, MessageBoxIcon::Question, false});
  if (answer != MessageBoxResult::Ok) std::exit(1);
}

void SetWindowEventHandler(WindowEventHandler handler) { event_handler = std::move(handler); }

void ClearWindowEventHandler() { event_handler = WindowEventHandler{}; }

void SwapWindowBuffers() {
  if (SDL_Window* window = Window()) SDL_GL_SwapWindow(window);
}

void DeleteGLContext() {
  if (!system_settings || system_settings->gl_context == nullptr) return;
  SDL_GL_MakeCurrent(Window(), nullptr);
  SDL_GL_DeleteContext(static_cast<SDL_GLContext>(system_settings->gl_context));
  system_settings->gl_context = nullptr;
}

void PostQuitMessage() {
  if (quit_event_type == 0) return;  // no window, no message queue yet
  SDL_Event event{};
  event.type = quit_event_type;
  SDL_PushEvent(&event);
}

MessageResult PeekAndDispatchMessage() {
  SDL_Event event;
  if (SDL_PollEvent(&event) == 0) return MessageResult::Empty;
  if (quit_event_type != 0 && event.type == quit_event_type) return MessageResult::Quit;
  WndProc(event);
  return MessageResult::Dispatched;
}

// Messages that must reach the main loop in their place: the quit message and the request to
// quit (window closed, SIGINT, SIGTERM).
bool IsKeptForTheMainLoop(const SDL_Event& event) {
  return (quit_event_type != 0 && event.type == quit_event_type) || event.type == SDL_QUIT;
}

void DrainMessagesUntilPaint() {
  SDL_PumpEvents();
  SDL_Event event;
  while (SDL_PeepEvents(&event, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1) {
    if (IsKeptForTheMainLoop(event)) return;
    SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT);
    if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
      StoreClientSize(event.window);
    }
    if (IsPaintMessage(event)) return;
  }
}

bool IsGLContextCurrent() { return SDL_GL_GetCurrentContext() != nullptr; }

bool IsEscapeKeyDown() {
  SDL_PumpEvents();
  const Uint8* keys = SDL_GetKeyboardState(nullptr);
  const bool held = keys != nullptr && keys[SDL_SCANCODE_ESCAPE] != 0;
  return escape_tapped.exchange(false) || held;
}

void RestoreWindowForError() {
  SDL_Window* window = Window();
  if (window == nullptr) return;
  SDL_SetWindowFullscreen(window, 0);
  SDL_SetWindowBordered(window, SDL_TRUE);
  SDL_SetWindowSize(window, 640, 480);
  SDL_SetWindowPosition(window, 0, 0);
  SDL_ShowWindow(window);
  SDL_RestoreWindow(window);
  if (system_settings->gl_context != nullptr) SDL_GL_SwapWindow(window);
}

void ShowMouseCursor() {
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return;
  SDL_SetRelativeMouseMode(SDL_FALSE);  // a scene's mouse grab would keep the box out of reach
  SDL_ShowCursor(SDL_ENABLE);
}
