#pragma once
// An OpenGL compatibility context on a hidden window, for work that needs GL but shows nothing
// (tests, benchmarks, tools). GLEW is initialised on it. Only one may exist at a time.

#include <cstdint>
#include <memory>
#include <string>

class HiddenGLContext {
 public:
  // Opens the window and context and makes it current; throws std::runtime_error naming the
  // failing step when no context can be had (no display, no GL driver, GLEW refused).
  HiddenGLContext(uint32_t width, uint32_t height);
  ~HiddenGLContext();
  HiddenGLContext(const HiddenGLContext&) = delete;
  HiddenGLContext& operator=(const HiddenGLContext&) = delete;

  uint32_t width() const { return width_; }
  uint32_t height() const { return height_; }

 private:
  struct Handles;
  std::unique_ptr<Handles> handles_;
  uint32_t width_;
  uint32_t height_;
};
