#include "scenes/scenemanager.h"

#include <GL/glew.h>

#include <algorithm>
#include <span>
#include <stdexcept>
#include <utility>

#include "effects/postproceffects.h"

#include "effects/postproc.h"
#include "effects/uniformvalue.h"
#include "scenes/frametime.h"
#include "system/aviwriter.h"
#include "system/clock.h"
#include "system/log.h"
#include "system/window.h"
#include "tolmesystem.h"
#include "util/data/data.h"
#include "util/data/loadingscreen.h"
#include "util/easydraw/easydraw.h"
#include "util/fbo/fbo.h"
#include "util/gpuresources/gpuresources.h"
#include "util/music/music.h"
#include "util/random.h"
#include "util/shaderprogram/shaderprogram.h"
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


void BindFirstColorTexture(const FBO& buffer) {
  const Texture& texture = *buffer.color_textures.at(0);
  glBindTexture(texture.IsMultisampled() ? GL_TEXTURE_2D_MULTISAMPLE : GL_TEXTURE_2D,
                texture.id);
}

std::string TimeOfDay() {
  const LocalTime time = GetLocalTime();
  return fmt::format("{:02}:{:02}:{:02}:{:03}", time.hour, time.minute, time.second,
                     time.millisecond);
}

}  // namespace

SceneManager::SceneManager() : SceneManager(ProductionScenes()) {}

SceneManager::SceneManager(const ProductionSceneTable& table) : avi_(std::make_unique<AVIWriter>()) {
  const uint32_t load_start = GetTickCount();
  const SystemSettings& settings = **GetSystemSettings();
  aspect = static_cast<float>(settings.aspect_numerator) /
           static_cast<float>(settings.aspect_denominator);
  dumping = settings.avi_capture != 0;
  dump_width_ = settings.width;
  dump_height_ = settings.height;

  if (const uint64_t frequency = QueryPerformanceFrequency(); frequency != 0) {
    seconds_per_count_ = 1.0 / static_cast<double>(frequency);
    counter_start_ = QueryPerformanceCounter();
  }
  hud_text = std::make_unique<Text>(kHudFont, kHudFontSize);

  LogInfo("=== Setting up common FBO ===");
  commonFbo = std::make_unique<FBO>(kInitialBufferSize, kInitialBufferSize,
                                    FBOType::MipmappedColor, 0);
  LogInfo("=== Setting up composition buffers ===");
  samples = settings.samples;
  // The FBO lowers a sample count above what the driver offers to its maximum.
  for (uint32_t i = 0; i < kCompositionBuffers; ++i) {
    compositionFbos[i] = std::make_unique<FBO>(kInitialBufferSize, kInitialBufferSize,
                                               FBOType::Color,
                                               i == 0 ? static_cast<int32_t>(samples) : 0);
  }

  music = std::make_unique<Music>();
  music->OpenTrack("bpm", static_cast<float>(music->bpm));
  if (dumping) OpenVideoDump();
  OpenGlobalTracks();
  CreateEffects();
  Resize(settings.width, settings.height);

  LogInfo("=== Loading Scenes ===");
  CreateScenes(table);
  LogInfo("=== Done loading {} scene(s) in {:.2f} seconds ===", scenes.size(),
          static_cast<uint32_t>(GetTickCount() - load_start) / 1000.0);
}

void SceneManager::OpenVideoDump() {
  ShowMouseCursor();
  const std::string file_name = (*GetSystemSettings())->title + ".avi";
  values_per_frame_ = AudioValuesPerFrame(music->format.channels, music->format.samples_per_second,
                                          kDumpFramesPerSecond);
  avi_->Prepare(file_name);
  if (!avi_->Open()) ExitMsgFmt(__FILE__, __LINE__, "Failed to open video file {}", file_name);
  if (!avi_->HasVideoFormat()) {
    avi_->width = static_cast<int32_t>(dump_width_);
    avi_->height = static_cast<int32_t>(dump_height_);
    // Rows are read back packed (pack alignment 1), so the buffer holds exactly the picture.
    frame_buffer_.assign(static_cast<size_t>(dump_width_) * dump_height_ * 3, 0);
    avi_->SetAudioFormat(music->format);
  }
  LogLine("Dumping to video file {}", file_name);
}

void SceneManager::OpenGlobalTracks() {
  for (const TrackDefault& track : kGlobalTracks) music->OpenTrack(track.name, track.value);
}

void SceneManager::CreateEffects() {
  LogInfo("=== Loading post processing effects ===");
  effects = Effects::MakePostProcEffects();
  for (const auto& effect : effects) {
    music->OpenTrack("pp" + effect->name, -1.0f);
    for (size_t j = 0; j < effect->param_names.size() && j < effect->param_values.size(); ++j) {
      music->OpenTrack("pp" + effect->param_names[j], effect->param_values[j]);
    }
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
    scene.Resize(render_.width, render_.height);
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

  music->bpm = music->GetSyncValue("bpm");
  volume = settings.volume;
  if (!music->dummy) music->SetVolume(volume);
  music->Start();
  // The dummy clock moves only when updated, so the wait advances it.
  while (music->GetBeat() < 0.0) music->Update();
  if (dumping) {
    music->SetPositionSeconds(0.0);
    music->SetPaused(!music->paused);
  }
}

void SceneManager::Resize(uint32_t width, uint32_t height) {
  window_width = width;
  window_height = height == 0 ? 1 : height;
  render_ = LetterboxSize(window_width, window_height, aspect);
  const auto render_width = static_cast<int32_t>(render_.width);
  const auto render_height = static_cast<int32_t>(render_.height);
  commonFbo->Resize(render_width, render_height);
  for (auto& buffer : compositionFbos) buffer->Resize(render_width, render_height);
  if (window_width >= 2 && window_height >= 2) {
    hud_text->Reshape(static_cast<int32_t>(window_width), static_cast<int32_t>(window_height));
  }
}

SceneManager::~SceneManager() {
  LogInfo("Scenes destructor: destroying scenes");
  for (auto& scene : scenes) scene.reset();
  scenes.clear();
  LogInfo("Video dumping cleanup");
  if (dumping) {
    frame_buffer_.clear();
    avi_->Close();
    LogLine("Finished AVI writing");
  }
  LogInfo("Deleting music");
  music.reset();
  avi_.reset();
}

void SceneManager::RenderFrame() {
  music->bpm = music->GetSyncValue("bpm");
  MeasureFrameTime();
  music->Update();
  UpdateMouseDeltas();
  CheckMusicEnd();
  if (quit_posted_) return;

  glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &screen_framebuffer_);
  ResetGLState();
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClear(kClearEverything);
  const auto slots = SelectSlots();
  ComposeScenes(slots);
  ResolveComposition();
  const std::vector<ActiveEffect> active = ActiveEffects();
  if (active.empty()) {
    CopyToScreenPlain();
  } else {
    RunEffectChain(active);
  }
  OverlayFourthSlot(slots[3]);
  if (dumping) DumpFrame();
  SwapWindowBuffers();
  ++frameCount;
  if (dumping) AdvanceDumpPosition();
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

std::array<std::optional<size_t>, 4> SceneManager::SelectSlots() {
  std::array<std::optional<size_t>, 4> slots;
  for (size_t i = 0; i < slots.size(); ++i) {
    slots[i] = SceneSlotIndex(music->GetSyncValue(kSlotTracks[i]), i == 0 ? sceneOffset : 0,
                              scenes.size());
  }
  return slots;
}

void SceneManager::RenderScene(size_t index, const FBO& target) {
  ResetGLState();
  scenes[index]->Resize(static_cast<uint32_t>(target.width), static_cast<uint32_t>(target.height));
  scenes[index]->Render();
}

void SceneManager::ComposeScenes(const std::array<std::optional<size_t>, 4>& slots) {
  FBO& target = *compositionFbos[0];
  target.Bind();
  for (const auto& slot : slots) {
    if (slot) RenderScene(*slot, target);
  }
  target.Unbind();
}

void SceneManager::ResolveComposition() {
  ResetGLState();
  const FBO& source = *compositionFbos[0];
  FBO& target = *compositionFbos[1];
  target.Bind();
  glBindFramebuffer(GL_READ_FRAMEBUFFER, source.framebuffer);
  glBlitFramebuffer(0, 0, source.width, source.height, 0, 0, source.width, source.height,
                    GL_COLOR_BUFFER_BIT, GL_LINEAR);
  target.Unbind();
}

std::vector<ActiveEffect> SceneManager::ActiveEffects() {
  std::vector<float> values;
  values.reserve(effects.size());
  for (const auto& effect : effects) values.push_back(music->GetSyncValue("pp" + effect->name));
  return SelectActiveEffects(values);
}

void SceneManager::SetLetterboxViewport() const {
  const ScreenRect rect = LetterboxRect(window_width, window_height, render_);
  glViewport(rect.x, rect.y, rect.width, rect.height);
  glScissor(rect.x, rect.y, rect.width, rect.height);
}

void SceneManager::DrawBufferWithBoundProgram(const FBO& source) const {
  glDisable(GL_DEPTH_TEST);
  glActiveTexture(GL_TEXTURE0);
  BindFirstColorTexture(source);
  GpuResources::Current().DrawUnitQuad();
}

void SceneManager::CopyToScreenPlain() {
  ResetGLState();
  GpuResources::Current().UseCopyProgram();
  SetLetterboxViewport();
  DrawBufferWithBoundProgram(*compositionFbos[1]);
}

void SceneManager::ApplyEffectParameters(Effects::PostProc& effect) {
  for (size_t j = 0; j < effect.param_names.size(); ++j) {
    if (j >= effect.param_values.size()) {
      ExitMsgFmt(__FILE__, __LINE__, "WARNING: Param index {} for effect {} is out of bounds", j,
                 effect.name);
    }
    effect.param_values[j] = music->GetSyncValue("pp" + effect.param_names[j]);
  }
}

void SceneManager::RunEffectChain(const std::vector<ActiveEffect>& active) {
  uint32_t current = 1;
  for (size_t k = 0; k < active.size(); ++k) {
    Effects::PostProc& effect = *effects[active[k].index];
    ApplyEffectParameters(effect);
    ResetGLState();
    effect.render(render_.width, render_.height, music->GetBeat(), compositionFbos[current].get());
    effect.apply(render_.width, render_.height, music->GetBeat());
    if (k + 1 == active.size()) {
      SetLetterboxViewport();
      DrawBufferWithBoundProgram(*compositionFbos[current]);
      return;
    }
    const uint32_t next = NextCompositionBuffer(current, kCompositionBuffers);
    compositionFbos[next]->Bind();
    DrawBufferWithBoundProgram(*compositionFbos[current]);
    compositionFbos[next]->Unbind();
    current = next;
  }
}

void SceneManager::OverlayFourthSlot(std::optional<size_t> slot) {
  ResetGLState();
  FBO& target = *compositionFbos[0];
  target.Bind();
  if (slot) RenderScene(*slot, target);
  target.Unbind();
  ResolveComposition();
  ResetGLState();
  GpuResources::Current().UseCopyProgram();
  SetLetterboxViewport();
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  DrawBufferWithBoundProgram(*compositionFbos[1]);
}

void SceneManager::DumpFrame() {
  GLint previous_alignment = 4;
  glGetIntegerv(GL_PACK_ALIGNMENT, &previous_alignment);
  // The buffer holds packed rows; the default alignment of 4 would pad rows whose width x 3
  // is not a multiple of 4 and write past its end.
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(screen_framebuffer_));
  glReadPixels(0, 0, static_cast<GLsizei>(dump_width_), static_cast<GLsizei>(dump_height_),
               GL_BGR, GL_UNSIGNED_BYTE, frame_buffer_.data());
  glPixelStorei(GL_PACK_ALIGNMENT, previous_alignment);
  if (!avi_->WriteFrame(frame_buffer_)) ExitMsg(__FILE__, __LINE__, "Failed to write avi frame");
  WriteFrameAudio();
}

void SceneManager::WriteFrameAudio() {
  const AudioChunk chunk = AudioChunkOfFrame(frameCount, values_per_frame_, music->sampleCount);
  const uint32_t channels = music->format.channels;
  const uint32_t blocks = channels == 0 ? 0 : chunk.count / channels;
  // Past the end of the song there is nothing to write for this frame.
  if (music->samples16.empty() || blocks == 0) {
    LogLine("Dumped frame {}, no audio", frameCount);
    return;
  }
  const auto values = std::span<const int16_t>(music->samples16).subspan(chunk.first,
                                                                         blocks * channels);
  const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(values.data()),
                                       values.size_bytes());
  if (!avi_->WriteAudio(bytes)) {
    ExitMsg(__FILE__, __LINE__, "Failed to write avi audio frame");
  }
  uint32_t sum = 0;
  for (size_t i = 0; i < blocks && i < values.size(); ++i) {
    sum = (sum + static_cast<uint16_t>(values[i])) % 65536;
  }
  LogLine("Dumped frame {} and wrote {} samples of audio (audio sum: {})", frameCount,
          chunk.count, sum);
}

void SceneManager::AdvanceDumpPosition() {
  const uint64_t old_position = music->GetPosition();
  const float seconds = std::max(static_cast<float>(frameCount) / 30.0f, 0.0f);
  music->SetPositionSeconds(seconds);
  if (static_cast<uint32_t>(music->GetPosition()) == static_cast<uint32_t>(old_position)) {
    PostQuit("  Finished dumping, quit event posted");
  }
}
