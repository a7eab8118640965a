#include "scenes/scenemanager.h"

#include <GL/glew.h>

#include <algorithm>
#include <stdexcept>

#include "util/frametime.h"
#include "system/clock.h"
#include "system/log.h"
#include "system/window.h"
#include "tolmesystem.h"
#include "util/data/data.h"
#include "util/data/loadingscreen.h"
#include "util/fbo/fbo.h"
#include "util/music/music.h"
#include "util/passtiming/passtiming.h"
#include "util/random.h"
#include "util/text/text.h"

namespace {

constexpr char kHudFont[] = "data/common/fonts/digital-7__mono_.ttf";
constexpr uint32_t kHudFontSize = 72;
constexpr int32_t kInitialBufferSize = 512;
constexpr GLbitfield kClearEverything =
    GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT | GL_ACCUM_BUFFER_BIT;

struct TrackDefault {
  const char* name;
  float value;
};

constexpr TrackDefault kGlobalTracks[] = {
    {"ActiveScene1st", 0.0f},  {"ActiveScene2nd", -1.0f}, {"ActiveScene3rd", -1.0f},
    {"ActiveScene4rd", -1.0f}, {"cameraEyeX", 15.0f},     {"cameraEyeY", 15.0f},
    {"cameraEyeZ", -15.0f},    {"cameraDstX", 0.0f},      {"cameraDstY", 0.0f},
    {"cameraDstZ", 0.0f},      {"cameraUpX", 0.0f},       {"cameraUpY", 1.0f},
    {"cameraUpZ", 0.0f},       {"cameraFoV", 45.0f},      {"cameraShake", 0.0f},
};

constexpr const char* kSlotTracks[] = {"ActiveScene1st", "ActiveScene2nd", "ActiveScene3rd",
                                       "ActiveScene4rd"};

std::string TimeOfDay() {
  const LocalTime time = GetLocalTime();
  return fmt::format("{:02}:{:02}:{:02}:{:03}", time.hour, time.minute, time.second,
                     time.millisecond);
}

}  // namespace

SceneManager::SceneManager() : SceneManager(ProductionScenes()) {}

SceneManager::SceneManager(const ProductionSceneTable& table) {
  const uint32_t load_start = GetTickCount();
  const SystemSettings& settings = **GetSystemSettings();
  aspect = static_cast<float>(settings.aspect_numerator) /
           static_cast<float>(settings.aspect_denominator);
  dumping = settings.avi_capture != 0;

  if (const uint64_t frequency = QueryPerformanceFrequency(); frequency != 0) {
    seconds_per_count_ = 1.0 / static_cast<double>(frequency);
    counter_start_ = QueryPerformanceCounter();
  }
  hud_text = std::make_unique<Text>(kHudFont, kHudFontSize);

  LogInfo("=== Setting up common FBO ===");
  commonFbo = std::make_unique<FBO>(kInitialBufferSize, kInitialBufferSize,
                                    FBOType::MipmappedColor, 0);
  samples = settings.samples;

  music = std::make_unique<Music>();
  music->OpenTrack("bpm", static_cast<float>(music->bpm));
  if (dumping) OpenVideoDump(settings.width, settings.height);
  OpenGlobalTracks();
  composer_ = std::make_unique<FrameComposer>(*music, samples);
  Resize(settings.width, settings.height);

  LogInfo("=== Loading Scenes ===");
  CreateScenes(table);
  LogInfo("=== Done loading {} scene(s) in {:.2f} seconds ===", scenes.size(),
          static_cast<uint32_t>(GetTickCount() - load_start) / 1000.0);
}

void SceneManager::OpenVideoDump(uint32_t width, uint32_t height) {
  ShowMouseCursor();
  const std::string file_name = (*GetSystemSettings())->title + ".avi";
  capture_ = std::make_unique<VideoCapture>(file_name, width, height, music->format,
                                            music->samples16);
}

void SceneManager::OpenGlobalTracks() {
  for (const TrackDefault& track : kGlobalTracks) music->OpenTrack(track.name, track.value);
  bpm_track_ = &music->FindSyncTrack("bpm");
  for (size_t i = 0; i < slot_tracks_.size(); ++i) {
    slot_tracks_[i] = &music->FindSyncTrack(kSlotTracks[i]);
  }
}

void SceneManager::CreateScenes(const ProductionSceneTable& table) {
  const SystemSettings& settings = **GetSystemSettings();
  const auto row = table.find(settings.production);
  if (row == table.end()) throw std::runtime_error("Unrecognized production " + settings.title);
  for (const SceneEntry& entry : row->second) {
    LogInfo("   {:02}: {:32} ({})\n", scenes.size(), entry.name, TimeOfDay());
    scenes.push_back(entry.make());
    Scene& scene = *scenes.back();
    scene.music = music.get();
    scene.commonFbo = commonFbo.get();
    scene.keys = &keys;
    scene.mouse = &mouse;
    scene.aspect = aspect;
    scene.Init();
    scene.Resize(render_size().width, render_size().height);
    ResetGLState();
  }
}

void SceneManager::StartPlayback() {
  const SystemSettings& settings = **GetSystemSettings();
  SharedRandom::Seed(GetTickCount());
  const uint32_t hold = settings.loading_hold_ms;
  const uint32_t end = GetTickCount() + hold;
  uint32_t now = 0;
  do {
    now = GetTickCount();
    UpdateLoadingScreen(LoadingHoldProgress(end, now, hold), true);
  } while (!TickReached(end, now));
  UpdateLoadingScreen(0.0f, true);
  data_init_finished = true;

  music->RequireUsableTempo();
  music->bpm = music->GetSyncValue("bpm");
  volume = settings.volume;
  if (!music->dummy) music->SetVolume(volume);
  music->Start();
  // The dummy clock moves only when updated, so the wait advances it. The window's messages
  // keep flowing: a request to quit ends the wait and is left for the main loop.
  while (music->GetBeat() < 0.0 && !quit_posted_) {
    music->Update();
    if (PeekAndDispatchMessage() == MessageResult::Quit) PostQuit("  Quit before beat 0");
  }
  if (dumping) {
    music->SetPositionSeconds(0.0);
    music->SetPaused(!music->paused);
  }
}

void SceneManager::Resize(uint32_t width, uint32_t height) {
  window_width = width;
  window_height = height == 0 ? 1 : height;
  composer_->Resize(window_width, window_height, aspect);
  commonFbo->Resize(static_cast<int32_t>(render_size().width),
                    static_cast<int32_t>(render_size().height));
  if (window_width >= 2 && window_height >= 2) {
    hud_text->Reshape(static_cast<int32_t>(window_width), static_cast<int32_t>(window_height));
  }
}

SceneManager::~SceneManager() {
  LogInfo("Scenes destructor: destroying scenes");
  for (auto& scene : scenes) scene.reset();
  scenes.clear();
  LogInfo("Video dumping cleanup");
  capture_.reset();
  LogInfo("Deleting music");
  music.reset();
}

RenderSize SceneManager::render_size() const { return composer_->render_size(); }

void SceneManager::RenderFrame() {
  music->bpm = music->GetSyncValue(*bpm_track_);
  MeasureFrameTime();
  music->Update();
  UpdateMouseDeltas();
  CheckMusicEnd();
  if (quit_posted_) return;

  GLint screen_framebuffer = 0;
  glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &screen_framebuffer);
  ResetGLState();
  if (!shortcuts.skip_screen_clear_under_full_picture || !composer_->PictureFillsScreen()) {
    TimedPass timed("screen clear");
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(kClearEverything);
  }
  composer_->Compose(SelectSlots(), static_cast<uint32_t>(screen_framebuffer));
  if (capture_) capture_->CaptureFrame(static_cast<uint32_t>(screen_framebuffer), frameCount);
  {
    TimedPass timed("swap");
    SwapWindowBuffers();
  }
  ++frameCount;
  if (capture_) AdvanceDumpPosition();
}

void SceneManager::MeasureFrameTime() {
  double time = frame_times_.last_time();
  // Two frames never share a time: wait for the counter to move.
  while (time == frame_times_.last_time()) {
    time = static_cast<double>(QueryPerformanceCounter() - counter_start_) * seconds_per_count_;
  }
  smoothed_frame_delta = frame_times_.Advance(time);
}

void SceneManager::UpdateMouseDeltas() {
  mouse.frame = frameCount;
  mouse.dx = mouse.x - mouse.previous_x;
  mouse.dy = mouse.y - mouse.previous_y;
  mouse.previous_x = mouse.x;
  mouse.previous_y = mouse.y;
}

void SceneManager::CheckMusicEnd() {
  const SystemSettings& settings = **GetSystemSettings();
  if (settings.sync_client || music->dummy || music->paused || music->IsPlaying()) return;
  if (!quit_posted_) PostQuit("  Music stopped, quit event posted");
}

void SceneManager::PostQuit(const char* reason) {
  PostQuitMessage();
  quit_posted_ = true;
  LogInfo("{}", reason);
}

FrameComposer::Slots SceneManager::SelectSlots() {
  FrameComposer::Slots slots{};
  for (size_t i = 0; i < slots.size(); ++i) {
    const auto index = SceneSlotIndex(music->GetSyncValue(*slot_tracks_[i]),
                                      i == 0 ? sceneOffset : 0, scenes.size());
    slots[i] = index ? scenes[*index].get() : nullptr;
  }
  return slots;
}

void SceneManager::AdvanceDumpPosition() {
  const uint64_t old_position = music->GetPosition();
  const float seconds =
      std::max(static_cast<float>(frameCount) / static_cast<float>(VideoCapture::kFramesPerSecond),
               0.0f);
  music->SetPositionSeconds(seconds);
  if (static_cast<uint32_t>(music->GetPosition()) == static_cast<uint32_t>(old_position)) {
    PostQuit("  Finished dumping, quit event posted");
  }
}
