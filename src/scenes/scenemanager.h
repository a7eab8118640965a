#pragma once
// The production's timeline: owns the scenes, the input records, the common and composition
// framebuffers, the post-processing effects, the music and, when capturing, the AVI writer.
// Construction loads everything behind the loading screen; RenderFrame makes one frame.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "scenes/framemath.h"
#include "scenes/productionscenes.h"
#include "scenes/scene.h"

class AVIWriter;
class FBO;
class Music;
class ShaderProgram;
class Text;
namespace Effects {
class PostProc;
}

class SceneManager {
 public:
  static constexpr uint32_t kCompositionBuffers = 3;
  static constexpr uint32_t kDumpFramesPerSecond = 30;

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
  RenderSize render_size() const { return render_; }

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
  std::array<std::unique_ptr<FBO>, kCompositionBuffers> compositionFbos;
  std::vector<std::unique_ptr<Effects::PostProc>> effects;
  uint32_t frameCount = 0;
  bool dumping = false;

 private:
  void OpenVideoDump();
  void OpenGlobalTracks();
  void CreateEffects();
  void CreateScenes(const ProductionSceneTable& table);

  void MeasureFrameTime();
  void UpdateMouseDeltas();
  void CheckMusicEnd();
  std::array<std::optional<size_t>, 4> SelectSlots();
  void ComposeScenes(const std::array<std::optional<size_t>, 4>& slots);
  void RenderScene(size_t index, const FBO& target);
  void ResolveComposition();
  std::vector<ActiveEffect> ActiveEffects();
  void CopyToScreenPlain();
  void RunEffectChain(const std::vector<ActiveEffect>& active);
  void ApplyEffectParameters(Effects::PostProc& effect);
  void OverlayFourthSlot(std::optional<size_t> slot);
  void SetLetterboxViewport() const;
  void DrawBufferWithBoundProgram(const FBO& source) const;
  void DumpFrame();
  void WriteFrameAudio();
  void AdvanceDumpPosition();
  void PostQuit(const char* reason);

  RenderSize render_;
  std::unique_ptr<AVIWriter> avi_;
  uint32_t dump_width_ = 0;
  uint32_t dump_height_ = 0;
  uint32_t values_per_frame_ = 0;
  std::vector<uint8_t> frame_buffer_;
  uint64_t counter_start_ = 0;
  double seconds_per_count_ = 0.001;
  FrameTimeRing frame_times_;
  bool quit_posted_ = false;
  int32_t screen_framebuffer_ = 0;
};
