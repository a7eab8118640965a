// The real window and context on the test display.
#include <GL/glew.h>
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <utility>
#include <vector>
#include <unistd.h>

#include "program.h"
#include "support/messagebox_recorder.h"
#include "system/window.h"
#include "tolmesystem.h"

namespace {

class WindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (std::getenv("DISPLAY") == nullptr) return;
    CreateSystemSettings(6, 0);
    system_settings->fullscreen = 0;
    system_settings->width = 320;
    system_settings->height = 200;
    CreateGLWindow();
    glewExperimental = GL_TRUE;
    glew_ok = glewInit() == GLEW_OK;
  }

  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";
    ASSERT_TRUE(glew_ok);
    DrainAll();
  }

  static void DrainAll() {
    while (PeekAndDispatchMessage() != MessageResult::Empty) {
    }
  }

  // Dispatches until the quit message comes out of the queue, as the main loop does over a few
  // frames (a message posted while the queue is drained is taken on the next pass); false when
  // the queue stays empty. The X server may deliver its own window events too: they are skipped.
  static bool DispatchUntilQuit() {
    int empty_passes = 0;
    for (int i = 0; i < 1000 && empty_passes < 3; ++i) {
      const MessageResult result = PeekAndDispatchMessage();
      if (result == MessageResult::Quit) return true;
      empty_passes = result == MessageResult::Empty ? empty_passes + 1 : 0;
    }
    return false;
  }

  static void PushKey(SDL_Keycode key) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.keysym.sym = key;
    SDL_PushEvent(&event);
  }

  static void PushResize(int width, int height) {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = SDL_WINDOWEVENT_SIZE_CHANGED;
    event.window.data1 = width;
    event.window.data2 = height;
    SDL_PushEvent(&event);
  }

  static inline bool glew_ok = false;
};

TEST_F(WindowTest, ContextIsCompatibilityProfileWithEveryRequiredExtension) {
  MessageBoxRecorder recorder(MessageBoxResult::Cancel);
  CheckGLExtensions();  // would exit(1) on Cancel if anything were missing
  EXPECT_TRUE(recorder.shown().empty());
  GLint profile = 0;
  glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
  EXPECT_TRUE(profile & GL_CONTEXT_COMPATIBILITY_PROFILE_BIT);
}

TEST_F(WindowTest, ClearedColourIsPresented) {
  glViewport(0, 0, 320, 200);
  glClearColor(1.0f, 0.5f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glReadBuffer(GL_BACK);
  std::array<unsigned char, 4> pixel{};
  glReadPixels(10, 10, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel.data());
  SwapWindowBuffers();
  EXPECT_EQ(pixel[0], 255);
  EXPECT_NEAR(pixel[1], 128, 1);
  EXPECT_EQ(pixel[2], 0);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(WindowTest, EscapeQueuesQuitBehindEarlierMessages) {
  PushResize(500, 400);
  PushKey(SDLK_ESCAPE);
  PushResize(600, 300);  // already queued when the key posts quit: handled before it
  ASSERT_TRUE(DispatchUntilQuit());
  EXPECT_EQ(system_settings->width, 600u);
  EXPECT_EQ(system_settings->height, 300u);
}

TEST_F(WindowTest, OtherKeysDoNotQuit) {
  PushKey(SDLK_F10);
  PushKey(SDLK_a);
  EXPECT_FALSE(DispatchUntilQuit());
}

TEST_F(WindowTest, ClosingTheWindowQuits) {
  SDL_Event event{};
  event.type = SDL_WINDOWEVENT;
  event.window.event = SDL_WINDOWEVENT_CLOSE;
  SDL_PushEvent(&event);
  EXPECT_TRUE(DispatchUntilQuit());
}

TEST_F(WindowTest, SizesAndInputGoToTheInstalledHandlerOnly) {
  std::vector<std::pair<uint32_t, uint32_t>> sizes;
  KeyState keys;
  MouseState mouse;
  SetWindowEventHandler(WindowEventHandler{
      [&sizes](uint32_t width, uint32_t height) { sizes.emplace_back(width, height); }, &keys,
      &mouse});
  PushResize(500, 400);
  PushKey(SDLK_a);
  DrainAll();
  ClearWindowEventHandler();
  PushResize(600, 300);
  DrainAll();
  EXPECT_EQ(sizes, (std::vector<std::pair<uint32_t, uint32_t>>{{500, 400}}));
  EXPECT_NE(keys['A' + KeyState::kPressedOnce], 0);
}

TEST_F(WindowTest, SizesOfSixteenOrLessAreIgnored) {
  system_settings->width = 320;
  system_settings->height = 200;
  PushResize(16, 600);
  PushResize(800, 16);
  DrainAll();
  EXPECT_EQ(system_settings->width, 320u);
  EXPECT_EQ(system_settings->height, 200u);
  PushResize(17, 17);
  DrainAll();
  EXPECT_EQ(system_settings->width, 17u);
  EXPECT_EQ(system_settings->height, 17u);
}

TEST_F(WindowTest, LoadingDrainStopsAtThePaintMessageWithoutDispatching) {
  PushKey(SDLK_ESCAPE);  // would post quit if it were dispatched
  SDL_Event paint{};
  paint.type = SDL_WINDOWEVENT;
  paint.window.event = SDL_WINDOWEVENT_EXPOSED;
  SDL_PushEvent(&paint);
  PushKey(SDLK_a);
  DrainMessagesUntilPaint();
  EXPECT_FALSE(DispatchUntilQuit());
}

TEST_F(WindowTest, AnEscapeTappedWhileLoadingIsNotLostWithTheDrainedMessages) {
  IsEscapeKeyDown();  // forget taps of earlier tests
  PushKey(SDLK_ESCAPE);
  DrainMessagesUntilPaint();
  EXPECT_TRUE(IsEscapeKeyDown());
  EXPECT_FALSE(IsEscapeKeyDown());  // one tap is reported once
}

// Each window here is made in a child process of its own, away from the shared window.
class OwnWindowDeathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
  }

  static void CreateOwnWindow(bool fullscreen, int width, int height) {
    EchoMessageBoxesToStderr();
    CreateSystemSettings(6, 0);
    system_settings->fullscreen = fullscreen ? 1 : 0;
    system_settings->width = static_cast<uint32_t>(width);
    system_settings->height = static_cast<uint32_t>(height);
    CreateGLWindow();
  }
};

TEST_F(OwnWindowDeathTest, TheDisplaysOwnModeIsTakenExactly) {
  EXPECT_EXIT(
      {
        SDL_InitSubSystem(SDL_INIT_VIDEO);
        SDL_DisplayMode desktop{};
        SDL_GetDesktopDisplayMode(0, &desktop);
        CreateOwnWindow(true, desktop.w, desktop.h);
        SDL_Window* window = static_cast<SDL_Window*>(system_settings->window);
        SDL_DisplayMode mode{};
        SDL_GetWindowDisplayMode(window, &mode);
        const bool exact = (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) != 0 &&
                           mode.w == desktop.w && mode.h == desktop.h;
        std::exit(exact ? 0 : 2);
      },
      testing::ExitedWithCode(0), "");
}

TEST_F(OwnWindowDeathTest, AModeTheDisplayLacksIsFatal) {
  EXPECT_EXIT(CreateOwnWindow(true, 123, 45), testing::ExitedWithCode(1), "Failed to set fullscreen mode");
}

TEST_F(OwnWindowDeathTest, AWindowThatCannotBeMadeSaysWhy) {
  EXPECT_EXIT(
      {
        dup2(2, 1);  // the log line goes to standard output
        setenv("SDL_OPENGL_LIBRARY", "/nonexistent/libGL.so", 1);
        CreateOwnWindow(false, 640, 480);
      },
      testing::ExitedWithCode(1), "Could not create the window: .*nonexistent.*\n(.|\n)*Assert failed");
}

// Last: it leaves the shared window at the error size.
TEST_F(WindowTest, FatalExitTurnsTheWindowInto640By480NormalOneWithTheCursorShown) {
  SDL_Window* window = static_cast<SDL_Window*>(system_settings->window);
  SDL_SetWindowBordered(window, SDL_FALSE);
  RestoreWindowForError();
  ShowMouseCursor();
  int width = 0, height = 0;
  SDL_GetWindowSize(window, &width, &height);
  EXPECT_EQ(width, 640);
  EXPECT_EQ(height, 480);
  const Uint32 flags = SDL_GetWindowFlags(window);
  EXPECT_EQ(flags & SDL_WINDOW_FULLSCREEN, 0u);
  EXPECT_EQ(flags & SDL_WINDOW_BORDERLESS, 0u);
  EXPECT_EQ(flags & SDL_WINDOW_SHOWN, static_cast<Uint32>(SDL_WINDOW_SHOWN));
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
}

TEST_F(WindowTest, LoadingDrainLeavesTheQuitMessageInItsPlace) {
  PushKey(SDLK_a);
  PostQuitMessage();
  PushKey(SDLK_b);
  DrainMessagesUntilPaint();  // removes the first key, stops at the quit message
  EXPECT_EQ(PeekAndDispatchMessage(), MessageResult::Quit);
  DrainAll();
}

TEST_F(WindowTest, LoadingDrainKeepsAQuitRequestForTheMainLoop) {
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
  DrainMessagesUntilPaint();
  EXPECT_TRUE(DispatchUntilQuit());
}

}  // namespace
