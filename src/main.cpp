// Program entry: builds the settings of the built-in production, runs the start-up dialog,
// opens the window, loads everything behind the loading screen, plays, and shuts down in a
// fixed order. The production number and the data mode are fixed values of the build.

#include <GL/glew.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <memory>
#include <string_view>

#include "program.h"
#include "scenes/scenemanager.h"
#include "system/dialog.h"
#include "system/log.h"
#include "system/messagebox.h"
#include "system/window.h"
#include "tolmesystem.h"
#include "util/data/data.h"
#include "util/data/dialogactions.h"
#include "util/data/loadingscreen.h"
#include "util/gpuresources/gpuresources.h"
#include "util/texture/texture.h"

namespace {

constexpr uint32_t kProduction = PLAYER_PRODUCTION;
constexpr uint32_t kDataMode = PLAYER_DATA_MODE;
constexpr int kRun = 1;
constexpr int kGetAvi = 106;
constexpr int kDialogFailed = -1;
constexpr char kDataFileName[] = "data.vtl";

// The editor on the same machine needs the screen: its host is empty or the loopback.
bool IsLocalSyncHost(const char* host) {
  const std::string_view name(host);
  return name.empty() || name == "localhost" || name == "127.0.0.1";
}

void ApplyWindowModeRule(SystemSettings& settings) {
  if (settings.avi_capture) settings.fullscreen = 0;
  if (settings.sync_client && IsLocalSyncHost(settings.sync_host)) settings.fullscreen = 0;
}

void InitGlew() {
  glewExperimental = GL_TRUE;
  const GLenum result = glewInit();
  if (result != GLEW_OK) {
    ExitMsgFmt(__FILE__, __LINE__, "GLEW Error: {}",
               reinterpret_cast<const char*>(glewGetErrorString(result)));
  }
  LogInfo("Using GLEW {}", reinterpret_cast<const char*>(glewGetString(GLEW_VERSION)));
}

void RefuseSyncClientInWriteMode(SystemSettings& settings) {
  if (!settings.sync_client || settings.data_mode != DataMode::Write) return;
  ShowMessageBox(MessageBoxRequest{"Warning", "Can't act as Sync Client in data file write mode!",
                                   MessageBoxButtons::Ok, MessageBoxIcon::Warning, false});
  settings.sync_client = 0;
}

void LogGLInfo() {
  GLint max_vertex_attribs = 0;
  glGetIntegerv(GL_MAX_VERTEX_ATTRIBS, &max_vertex_attribs);
  LogInfo("OpenGL version: {}", reinterpret_cast<const char*>(glGetString(GL_VERSION)));
  LogInfo("Driver vendor: {}", reinterpret_cast<const char*>(glGetString(GL_VENDOR)));
  LogInfo("GL_MAX_VERTEX_ATTRIBS: {}", max_vertex_attribs);
  LogInfo("=== Initializing data ===");
}

void PublishWindowValues(const SystemSettings& settings) {
  data_mode = settings.data_mode;
  window_width = settings.width;
  window_height = settings.height;
  window_aspect =
      static_cast<float>(settings.aspect_numerator) / static_cast<float>(settings.aspect_denominator);
}

void ClearScreenTwice() {
  for (int i = 0; i < 2; ++i) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT |
            GL_ACCUM_BUFFER_BIT);
    SwapWindowBuffers();
  }
}

// The production's logo for the loading screen, or an empty texture when it has none.
std::unique_ptr<Texture> LoadLoadingScreenLogo(const SystemSettings& settings) {
  if (settings.logo_image.empty()) return std::make_unique<Texture>();
  return std::make_unique<Texture>(settings.logo_image, true, false, GL_LINEAR, GL_LINEAR);
}

void RunMainLoop(SceneManager* scene_manager) {
  running_scene_manager = scene_manager;
  SetWindowEventHandler(WindowEventHandler{
      [scene_manager](uint32_t width, uint32_t height) { scene_manager->Resize(width, height); },
      &scene_manager->keys, &scene_manager->mouse});
  for (;;) {
    running_scene_manager->RenderFrame();
    MessageResult result;
    while ((result = PeekAndDispatchMessage()) == MessageResult::Dispatched) {
    }
    if (result == MessageResult::Quit) break;
  }
  LogInfo("  Got WM_QUIT at {}:{}", __FILE__, __LINE__);
  ClearWindowEventHandler();
  running_scene_manager = nullptr;
  LogInfo("Main loop done");
}

// Returns the process's exit code once the main loop has ended.
int PlayAndShutDown(std::unique_ptr<SceneManager> scene_manager,
                    std::unique_ptr<GpuResources> gpu_resources) {
  int exit_code = 0;
  try {
    RunMainLoop(scene_manager.get());
  } catch (const std::exception& exception) {
    LogLine("Caught exception in message loop: {}", exception.what());
    ClearWindowEventHandler();
    running_scene_manager = nullptr;
    exit_code = 1;
  } catch (...) {
    LogLine("Caught exception in message loop: {}", "unknown exception");
    ClearWindowEventHandler();
    running_scene_manager = nullptr;
    exit_code = 1;
  }
  LogInfo("Destroying loading screen data");
  loading_screen_texture.reset();
  LogInfo("Destroying scenes");
  scene_manager.reset();
  LogInfo("Destroying shared GPU resources");
  gpu_resources.reset();
  LogInfo("Taking down window context");
  DeleteGLContext();
  LogInfo("[Clean exit from {}]", __FILE__);
  return exit_code;
}

int RunPlayer() {
  // A fatal exit first leaves fullscreen and shows a small normal window with the cursor, so
  // its message box is visible (acting on no window before there is one).
  AddPreExitHook([] {
    RestoreWindowForError();
    ShowMouseCursor();
  });
  CreateSystemSettings(kProduction, kDataMode);
  SystemSettings& settings = *system_settings;
  LogInfo("[Starting run of {}]", settings.title);

  const int dialog_result = ShowStartupDialog(DataFileDialogActions());
  if (dialog_result != kRun && dialog_result != kGetAvi) {
    if (dialog_result == kDialogFailed) LogLine("-1 returned, last error is {}", errno);
    Log("{}\n", "Bye!");
    return dialog_result == kDialogFailed ? 1 : 0;
  }

  ApplyWindowModeRule(settings);
  CreateGLWindow();
  InitGlew();
  CheckGLExtensions();
  RefuseSyncClientInWriteMode(settings);
  LogGLInfo();
  auto gpu_resources = std::make_unique<GpuResources>();
  PublishWindowValues(settings);
  ClearScreenTwice();

  loading_screen_texture.reset();
  // Every file read while loading advances the loading screen.
  SetReadProgressObserver([] { UpdateLoadingScreen(1.0f, false); });
  UpdateLoadingScreen(1.0f, false);
  ReadDataFile(kDataFileName);
  loading_screen_texture = LoadLoadingScreenLogo(settings);
  UpdateLoadingScreen(1.0f, false);

  auto scene_manager = std::make_unique<SceneManager>();
  WriteDataFile(kDataFileName);
  LogInfo("Starting scenes");
  scene_manager->StartPlayback();
  SetReadProgressObserver(nullptr);
  return PlayAndShutDown(std::move(scene_manager), std::move(gpu_resources));
}

}  // namespace

int main() {
  try {
    return RunPlayer();
  } catch (const std::exception& exception) {
    ExitMsgFmt(__FILE__, __LINE__, "Caught Exception in main: {}", exception.what());
  } catch (...) {
    // Anything else would end in std::terminate, skipping the display-mode restore.
    ExitMsgFmt(__FILE__, __LINE__, "Caught Exception in main: {}", "unknown exception");
  }
}
