#include "support/gl_fixture.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include <fmt/format.h>

#include "support/messagebox_recorder.h"
#include "system/hidden_gl_context.h"
#include "util/gpuresources/gpuresources.h"

namespace {

std::unique_ptr<HiddenGLContext>& Context() {
  static std::unique_ptr<HiddenGLContext> context;
  return context;
}

// Made after the context and, being a later static, destroyed before it.
std::unique_ptr<GpuResources>& Resources() {
  static std::unique_ptr<GpuResources> resources;
  return resources;
}

// Every GL error the driver reported through debug output since the last look, with its text.
std::vector<std::string>& DebugErrors() {
  static std::vector<std::string> errors;
  return errors;
}

void GLAPIENTRY RecordDebugMessage(GLenum /*source*/, GLenum type, GLuint /*id*/,
                                   GLenum /*severity*/, GLsizei length, const GLchar* message,
                                   const void* /*user*/) {
  if (type != GL_DEBUG_TYPE_ERROR) return;
  DebugErrors().emplace_back(message, length >= 0 ? static_cast<size_t>(length)
                                                  : std::char_traits<char>::length(message));
}

// Errors are reported as they happen, synchronously, so a test sees those that code under test
// read and cleared with glGetError as well as those it left behind.
void EnableDebugOutput() {
  glEnable(GL_DEBUG_OUTPUT);
  glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
  glDebugMessageCallback(RecordDebugMessage, nullptr);
  glDebugMessageControl(GL_DONT_CARE, GL_DONT_CARE, GL_DONT_CARE, 0, nullptr, GL_FALSE);
  glDebugMessageControl(GL_DONT_CARE, GL_DEBUG_TYPE_ERROR, GL_DONT_CARE, 0, nullptr, GL_TRUE);
}

std::optional<MessageBoxRecorder>& Recorder() {
  static std::optional<MessageBoxRecorder> recorder;
  return recorder;
}

const char* ErrorName(GLenum error) {
  switch (error) {
    case GL_INVALID_ENUM: return "GL_INVALID_ENUM";
    case GL_INVALID_VALUE: return "GL_INVALID_VALUE";
    case GL_INVALID_OPERATION: return "GL_INVALID_OPERATION";
    case GL_INVALID_FRAMEBUFFER_OPERATION: return "GL_INVALID_FRAMEBUFFER_OPERATION";
    case GL_OUT_OF_MEMORY: return "GL_OUT_OF_MEMORY";
    case GL_STACK_OVERFLOW: return "GL_STACK_OVERFLOW";
    case GL_STACK_UNDERFLOW: return "GL_STACK_UNDERFLOW";
    default: return "unknown GL error";
  }
}

// Draws four vertices whose positions span from..to in both directions and whose texture
// coordinates span 0..1. The buffers are made once and kept for the process.
void DrawSquare(float from, float to) {
  struct Square {
    GLuint vertex_array = 0;
    GLuint buffer = 0;
  };
  static Square squares[2];
  Square& square = squares[from < 0.0f ? 1 : 0];
  if (square.vertex_array == 0) {
    const float vertices[] = {from, from, 0, 0, to, from, 1, 0, from, to, 0, 1, to, to, 1, 1};
    glGenVertexArrays(1, &square.vertex_array);
    glBindVertexArray(square.vertex_array);
    glGenBuffers(1, &square.buffer);
    glBindBuffer(GL_ARRAY_BUFFER, square.buffer);
    glBufferData(GL_ARRAY_BUFFER, sizeof(vertices), vertices, GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 4 * sizeof(float), nullptr);
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, 4 * sizeof(float),
                          reinterpret_cast<const void*>(2 * sizeof(float)));
  }
  glBindVertexArray(square.vertex_array);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
  glBindVertexArray(0);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
}

}  // namespace

// Every death test of a process that may hold the GL context re-runs its test in a fresh
// process ("threadsafe" style). A forked child would share the parent's X connection and, when
// it ends through the fatal path, destroy a context whose renderer threads it does not have.
// Set once for the process: gtest puts its flags back after each test, so a value set by one
// test would not reach a death test outside the fixture that runs after it.
namespace {

class DeathTestsReRun : public ::testing::Environment {
 public:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};
::testing::Environment* const kDeathTestsReRun =
    ::testing::AddGlobalTestEnvironment(new DeathTestsReRun);

}  // namespace

void GLTest::SetUp() {
  if (!Context()) {
    try {
      Context() = std::make_unique<HiddenGLContext>(kWindowWidth, kWindowHeight);
      Resources() = std::make_unique<GpuResources>();
      EnableDebugOutput();
    } catch (const std::exception& error) {
      GTEST_FAIL() << error.what() << " (GL tests need a display: run them under xvfb-run)";
    }
  }
  Recorder().emplace();
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glViewport(0, 0, kWindowWidth, kWindowHeight);
  glUseProgram(0);
  glActiveTexture(GL_TEXTURE0);
  glClearColor(0, 0, 0, 0);
  while (glGetError() != GL_NO_ERROR) {
  }
  DebugErrors().clear();
}

void GLTest::TearDown() {
  if (Context()) {
    EXPECT_TRUE(NoGLError()) << "left behind by the test";
    for (const std::string& error : TakeGLDebugErrors()) ADD_FAILURE() << "GL error: " << error;
  }
  Recorder().reset();
}

std::vector<std::string> TakeGLDebugErrors() {
  std::vector<std::string> errors;
  errors.swap(DebugErrors());
  return errors;
}

const std::vector<MessageBoxRequest>& GLTest::message_boxes() const { return Recorder()->shown(); }

::testing::AssertionResult NoGLError() {
  std::string errors;
  for (GLenum error = glGetError(); error != GL_NO_ERROR; error = glGetError()) {
    errors += errors.empty() ? "" : ", ";
    errors += ErrorName(error);
  }
  if (errors.empty()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "GL error: " << errors;
}

RenderTarget::RenderTarget(int width, int height) : width_(width), height_(height) {
  GLint previous = 0;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previous);
  glGenTextures(1, &color_);
  glBindTexture(GL_TEXTURE_2D, color_);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glBindTexture(GL_TEXTURE_2D, 0);
  glGenFramebuffers(1, &framebuffer_);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, color_, 0);
  EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
  glBindFramebuffer(GL_FRAMEBUFFER, previous);
}

RenderTarget::~RenderTarget() {
  glDeleteFramebuffers(1, &framebuffer_);
  glDeleteTextures(1, &color_);
}

void RenderTarget::Bind() const {
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  glDrawBuffer(GL_COLOR_ATTACHMENT0);
  glReadBuffer(GL_COLOR_ATTACHMENT0);
  glViewport(0, 0, width_, height_);
}

std::vector<uint8_t> RenderTarget::ReadPixels() const {
  GLint previous = 0;
  glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &previous);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
  glReadBuffer(GL_COLOR_ATTACHMENT0);
  std::vector<uint8_t> pixels(static_cast<size_t>(width_) * height_ * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  glBindFramebuffer(GL_READ_FRAMEBUFFER, previous);
  return pixels;
}

std::array<uint8_t, 4> RenderTarget::PixelAt(int x, int y) const {
  // A test asking outside the picture has a wrong expectation, not a pixel to compare.
  if (x < 0 || y < 0 || x >= width_ || y >= height_) {
    ADD_FAILURE() << "pixel (" << x << ", " << y << ") is outside the " << width_ << " x "
                  << height_ << " target";
    return {0, 0, 0, 0};
  }
  // One pixel only: tests call this in loops over whole pictures.
  GLint previous = 0;
  glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &previous);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
  glReadBuffer(GL_COLOR_ATTACHMENT0);
  std::array<uint8_t, 4> pixel{};
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel.data());
  glBindFramebuffer(GL_READ_FRAMEBUFFER, previous);
  return pixel;
}

std::array<uint8_t, 4> PixelOf(const std::vector<uint8_t>& pixels, int width, int x, int y) {
  const size_t at = (static_cast<size_t>(y) * width + x) * 4;
  return {pixels.at(at), pixels.at(at + 1), pixels.at(at + 2), pixels.at(at + 3)};
}

void DrawUnitSquare() { DrawSquare(0.0f, 1.0f); }

void DrawClipSquare() { DrawSquare(-1.0f, 1.0f); }

std::string PixelText(const std::array<uint8_t, 4>& pixel) {
  return fmt::format("({}, {}, {}, {})", pixel[0], pixel[1], pixel[2], pixel[3]);
}

bool PixelNear(const std::array<uint8_t, 4>& pixel, const std::array<uint8_t, 4>& expected,
               int tolerance) {
  for (size_t i = 0; i < 4; ++i) {
    if (std::abs(int(pixel[i]) - int(expected[i])) > tolerance) return false;
  }
  return true;
}

GLenum ActiveUniformType(GLuint program, const std::string& name) {
  GLint count = 0;
  glGetProgramiv(program, GL_ACTIVE_UNIFORMS, &count);
  for (GLint i = 0; i < count; ++i) {
    char buffer[256];
    GLsizei length = 0;
    GLint size = 0;
    GLenum type = GL_NONE;
    glGetActiveUniform(program, static_cast<GLuint>(i), sizeof(buffer), &length, &size, &type,
                       buffer);
    if (name == std::string(buffer, static_cast<size_t>(length))) return type;
  }
  return GL_NONE;
}
