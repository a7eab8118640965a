#pragma once
// The GL test fixture: every test runs with a current compatibility context on a hidden window
// (one per test process, made on first use), with message boxes recorded and answered OK, and
// fails on any GL error the driver reports through debug output during the test (even one the
// code under test cleared) or leaves behind. Every death test of a process that links the fixture
// re-runs its test in a fresh process ("threadsafe" style), so that no child shares the
// parent's X connection or context.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include <GL/glew.h>
#include <gtest/gtest.h>

#include "system/messagebox.h"

class GLTest : public ::testing::Test {
 protected:
  static constexpr uint32_t kWindowWidth = 64;
  static constexpr uint32_t kWindowHeight = 48;

  void SetUp() override;
  void TearDown() override;

  // Every message box shown during the test, in order.
  const std::vector<MessageBoxRequest>& message_boxes() const;
};

// Empties the GL error queue and reports what it held, so a test names the step that failed.
::testing::AssertionResult NoGLError();

// The GL errors debug output reported since the test began or since the last call, emptied. A
// test that provokes an error on purpose takes it here, so that it does not fail the test.
std::vector<std::string> TakeGLDebugErrors();

// The GL type of the program's active uniform of that name, or GL_NONE when it has none.
GLenum ActiveUniformType(GLuint program, const std::string& name);

// A small RGBA8 framebuffer to draw into and read back. Row 0 of the pixels is the bottom row.
class RenderTarget {
 public:
  RenderTarget(int width, int height);
  ~RenderTarget();
  RenderTarget(const RenderTarget&) = delete;
  RenderTarget& operator=(const RenderTarget&) = delete;

  // Binds the framebuffer and sets the viewport to cover it.
  void Bind() const;
  std::vector<uint8_t> ReadPixels() const;
  std::array<uint8_t, 4> PixelAt(int x, int y) const;
  uint32_t framebuffer() const { return framebuffer_; }
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  int width_;
  int height_;
  GLuint framebuffer_ = 0;
  GLuint color_ = 0;
};

// The pixel at (x, y) of pixels read back from a picture `width` wide (bottom row first).
std::array<uint8_t, 4> PixelOf(const std::vector<uint8_t>& pixels, int width, int x, int y);

// Draws the square 0..1 x 0..1 with positions at location 0 and matching texture coordinates
// at location 2, as GL_TRIANGLE_STRIP. Uses whatever program is bound.
void DrawUnitSquare();

// Draws a full-viewport square: like DrawUnitSquare but over -1..1 in clip space.
void DrawClipSquare();

// A readable pixel for failure messages: "(r, g, b, a)".
std::string PixelText(const std::array<uint8_t, 4>& pixel);

// True when every channel is within tolerance of the expected value.
bool PixelNear(const std::array<uint8_t, 4>& pixel, const std::array<uint8_t, 4>& expected,
               int tolerance);
