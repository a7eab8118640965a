#pragma once
// The composition of one frame: the selected scenes drawn into a multisampled buffer, resolved,
// run through the post-processing effects their tracks switch on (in track-value order; an
// effect whose values leave the picture as it is costs no pass), letterboxed onto the screen,
// and the fourth slot's scene laid over the result without effects. Owns the three composition
// buffers and the effects; tracks are found once, at set-up.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "scenes/framemath.h"

class FBO;
class Music;
class Scene;
struct SyncTrack;
namespace Effects {
class PostProc;
}

class FrameComposer {
 public:
  static constexpr uint32_t kCompositionBuffers = 3;
  static constexpr size_t kSlots = 4;
  using Slots = std::array<Scene*, kSlots>;

  // Makes the buffers (the first with `samples` samples) and the effects, and opens each
  // effect's "pp" tracks in `music` with their defaults.
  FrameComposer(Music& music, uint32_t samples);
  ~FrameComposer();
  FrameComposer(const FrameComposer&) = delete;
  FrameComposer& operator=(const FrameComposer&) = delete;

  // The window size; the picture is the largest rectangle of `aspect` centred in it.
  void Resize(uint32_t window_width, uint32_t window_height, float aspect);
  // Draws the frame of the scenes in the slots (null: empty) into the framebuffer
  // `screen_framebuffer`, which has the window's size.
  void Compose(const Slots& slots, uint32_t screen_framebuffer);

  RenderSize render_size() const { return render_; }
  // True when the letterboxed picture covers the whole window: no bars.
  bool PictureFillsScreen() const;

  // Ways of drawing the same picture more cheaply: all on in a show, turned off only by tests.
  struct Shortcuts {
    // The scene buffer is not cleared under a first scene that clears all of it itself (a
    // multisampled clear costs about one full-screen copy).
    bool skip_clear_under_clearing_scene = true;
    // The buffers that the composition's resolve or an effect's pass then covers whole
    // (blending and scissor off) are not cleared first.
    bool skip_clear_under_whole_passes = true;
  };
  Shortcuts shortcuts;

  std::array<std::unique_ptr<FBO>, kCompositionBuffers> compositionFbos;
  std::vector<std::unique_ptr<Effects::PostProc>> effects;

 private:
  // The tracks of effect i: its switch and its parameters in order.
  struct EffectTracks {
    const SyncTrack* on = nullptr;
    std::vector<const SyncTrack*> parameters;
  };

  void OpenEffectTracks();
  void RenderScene(Scene& scene, const FBO& target);
  void ComposeScenes(const Slots& slots);
  // Binds the scene buffer, cleared unless the first scene of `slots` clears it itself.
  void BindSceneBuffer(const Slots& slots);
  void ResolveComposition();
  // Binds a buffer the next pass covers whole: uncleared with the shortcut
  // skip_clear_under_whole_passes.
  void BindForWholePass(FBO& target) const;
  const std::vector<ActiveEffect>& ActiveEffects();
  // Without effects the scene buffer is resolved straight onto the screen's letterbox, when
  // the screen is single-sampled and the sizes match; false when it cannot be.
  bool ResolveToScreen();
  void CopyToScreenPlain();
  void RunEffectChain(const std::vector<ActiveEffect>& active);
  void ApplyEffectParameters(size_t index);
  void OverlayFourthSlot(Scene& scene);
  void SetLetterboxViewport() const;
  void DrawBufferWithBoundProgram(const FBO& source) const;

  Music& music_;
  uint32_t window_width_ = 0;
  uint32_t window_height_ = 0;
  uint32_t screen_framebuffer_ = 0;
  RenderSize render_;
  std::vector<EffectTracks> effect_tracks_;
  std::vector<float> effect_values_;
  std::vector<ActiveEffect> active_;
};
