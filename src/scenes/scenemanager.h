#pragma once
// The production's timeline: owns the scenes, the input records, the common framebuffer, the
// music, the frame composition (buffers, effects, letterbox, overlay) and, when capturing, the
// video capture. Construction loads everything behind the loading screen; RenderFrame advances
// the clock, picks the scenes of the four slots and has the frame composed and captured.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "scenes/framecomposer.h"
#include "scenes/framemath.h"
#include "scenes/productionscenes.h"
#include "scenes/scene.h"
#include "scenes/videocapture.h"

class FBO;
class Music;
class Text;
struct SyncTrack;

class SceneManager {
 public:
  static constexpr uint32_t kCompositionBuffers = FrameComposer::kCompositionBuffers;
  static constexpr uint32_t kDumpFramesPerSecond = VideoCapture::kFramesPerSecond;

  // The scenes of the settings' production from the built-in table.
  SceneManager();
  // The scenes of the settings' production from the given table.
  explicit SceneManager(const ProductionSceneTable& table);
  ~SceneManager();
  SceneManager(const SceneManager&) = delete;
  SceneManager& operator=(const SceneManager&) = delete;

  // Holds the loading screen, starts the music and waits for the first beat.
  void StartPlayback();
  // One frame into the framebuffer bound on entry (the window's, in the player).
  void RenderFrame();
  void Resize(uint32_t width, uint32_t height);

  // True once the frame has asked the main loop to end (music over or capture finished).
  bool quit_posted() const { return quit_posted_; }
  RenderSize render_size() const;
  FrameComposer& composer() { return *composer_; }

  int32_t sceneOffset = 0;
  std::vector<std::unique_ptr<Scene>> scenes;
  KeyState keys;
  MouseState mouse;
  std::unique_ptr<Text> hud_text;
  uint32_t window_width = 0;
  uint32_t window_height = 0;
  float aspect = 16.0f / 9.0f;
  std::unique_ptr<Music> music;
  float volume = 1.0f;
  std::unique_ptr<FBO> commonFbo;
  uint32_t samples = 0;
  uint32_t frameCount = 0;
  bool dumping = false;
  // Ways of drawing the same picture more cheaply: all on in a show, turned off only by tests.
  struct Shortcuts {
    // The screen is not cleared before a frame whose picture fills all of it (no letterbox
    // bars): its last pass writes every pixel unblended, and nothing reads depth or stencil.
    bool skip_screen_clear_under_full_picture = true;
  };
  Shortcuts shortcuts;

 private:
  void OpenVideoDump(uint32_t width, uint32_t height);
  void OpenGlobalTracks();
  void CreateScenes(const ProductionSceneTable& table);

  void MeasureFrameTime();
  void UpdateMouseDeltas();
  void CheckMusicEnd();
  FrameComposer::Slots SelectSlots();
  void AdvanceDumpPosition();
  void PostQuit(const char* reason);

  std::unique_ptr<FrameComposer> composer_;
  std::unique_ptr<VideoCapture> capture_;
  const SyncTrack* bpm_track_ = nullptr;
  std::array<const SyncTrack*, FrameComposer::kSlots> slot_tracks_{};
  uint64_t counter_start_ = 0;
  double seconds_per_count_ = 0.001;
  FrameTimeRing frame_times_;
  bool quit_posted_ = false;
};
