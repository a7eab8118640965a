#include "system/hidden_gl_context.h"

#include <stdexcept>

#include <GL/glew.h>
#include <SDL.h>

#include "system/video.h"

struct HiddenGLContext::Handles {
  SDL_Window* window = nullptr;
  SDL_GLContext context = nullptr;

  ~Handles() {
    if (context != nullptr) SDL_GL_DeleteContext(context);
    if (window != nullptr) SDL_DestroyWindow(window);
  }
};

HiddenGLContext::HiddenGLContext(uint32_t width, uint32_t height)
    : width_(width), height_(height) {
  if (!StartVideo()) {
    throw std::runtime_error(std::string("SDL video initialisation failed: ") + SDL_GetError());
  }
  auto handles = std::make_unique<Handles>();
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  handles->window = SDL_CreateWindow("hidden", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                     static_cast<int>(width), static_cast<int>(height),
                                     SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (handles->window != nullptr) handles->context = SDL_GL_CreateContext(handles->window);
  if (handles->context == nullptr) {
    const std::string reason = SDL_GetError();
    handles.reset();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    throw std::runtime_error("Creating the hidden GL window failed: " + reason);
  }

  glewExperimental = GL_TRUE;
  const GLenum glew_result = glewInit();
  // glewInit may leave an error behind from probing; it is not the caller's.
  while (glGetError() != GL_NO_ERROR) {
  }
  if (glew_result != GLEW_OK) {
    handles.reset();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    throw std::runtime_error(std::string("GLEW initialisation failed: ") +
                             reinterpret_cast<const char*>(glewGetErrorString(glew_result)));
  }
  handles_ = std::move(handles);
}

HiddenGLContext::~HiddenGLContext() {
  handles_.reset();
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}
