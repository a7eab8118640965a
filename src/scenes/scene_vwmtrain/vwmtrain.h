#pragma once
// The train scene, production 6's main scene: one lit 3D stage whose elements move, light up
// and play with the music's spectrum and notes (a floor, a box of flat cubes around the main
// light, rows of spectrum bars, clowns, a CRT monitor, a keyboard whose keys light with the
// notes, a fire field, a recycling container and a train), camera-facing sprites sharing its
// camera, a text-mode layer that can fill the frame or the monitor's screen, greetings typed
// onto the monitor, and a laser streaked from the stage's glow. Everything that moves is a
// sync track.
//
// The element loaders are in vwmtrain_loaders.cpp, the per-frame elements in
// vwmtrain_elements.cpp; the arithmetic they use lives in the small classes beside them.

#include <memory>
#include <string>
#include <vector>

#include <glm/glm.hpp>

#include "objects3d/objects3d.h"
#include "scenes/scene.h"
#include "scenes/scene_vwmtrain/asciilayer.h"
#include "scenes/scene_vwmtrain/fftbars.h"
#include "scenes/scene_vwmtrain/fftsnapshots.h"
#include "scenes/scene_vwmtrain/instanceset.h"
#include "scenes/scene_vwmtrain/keyboardkeys.h"
#include "scenes/scene_vwmtrain/laserlight.h"
#include "scenes/scene_vwmtrain/vwmtraintracks.h"
#include "util/fbo/fbo.h"
#include "util/text/text.h"

struct Material;
struct Node;

class VWMTrain : public Scene {
 public:
  static constexpr const char* kCubeFile = "data/models/vorantil/cube_flat/cube_flat.glb";
  static constexpr int32_t kKeyboardNoteTrack = 14;

  VWMTrain();
  ~VWMTrain() override;
  void Init() override;
  void Render() override;
  // The stage frame clears its whole target; the full-screen text mode draws over it instead.
  bool ClearsWholeTarget() const override { return !FullScreenTextMode(); }
  void Noop() override {}
  void Resize(uint32_t new_width, uint32_t new_height) override;

  // Where a keyboard key lights up (the key's rank in its shape's master node).
  KeyInstance FindKeySet(int32_t key) const { return keys_.FindOrThrow(key); }

  Objects3D& stage() { return stage_; }
  // The laser's streaks are drawn only where they can reach a lit part of the glow picture;
  // the picture is the same either way.
  bool laser_bounded = true;
  // While the laser is on, the stage keeps its glow picture at the frame's size (the glow is
  // still blurred at half size): the streaks of a half-size picture come out softer.
  bool laser_full_glow = true;
  // The monitor's pictures (the text-mode layer, the greetings) are drawn only on frames whose
  // monitor screen shows them; a picture not drawn is drawn again before it is next shown.
  bool screen_pictures_when_shown = true;
  // The stage frame clears only depth and stencil when the stage's sky box, drawn straight
  // into the target, will cover all of it; the picture is the same either way.
  bool sky_replaces_colour_clear = true;
  // Whether this frame's sky box, seen by `camera`, is drawn into the target and covers every
  // pixel of it.
  bool SkyFillsTarget(const Camera& camera) const;
  Objects3D& sprites() { return sprites_; }
  const FftSnapshots& fftSnapshots() const { return fftSnapshots_; }
  const std::vector<std::string>& greetings() const { return Greetings_; }
  AsciiLayer& ascii() { return ascii_; }
  const Text& text() const { return *text_; }
  const FBO& greetingsPicture() const { return *textFbo_; }

 private:
  // A keyboard lane that has a key: the lane's position in the note track and where it lights.
  struct KeyLane {
    size_t lane;
    KeyInstance place;
  };

  // --- Element loaders (vwmtrain_loaders.cpp) ---
  void InitFftBars();
  void InitFloor();
  void InitClowns();
  void InitCrt();
  void InitKeyboard();
  void InitTrain();
  void InitRecycling();
  void InitFire();
  void InitRastafield();
  void InitText();
  void InitCameraAndLight();
  void InitFftSnapshots();
  // Builds the stage's and the sprites' shader variants in the GL states Render draws them in.
  void WarmUpInFrameStates(int32_t samples);
  void OpenTracks(std::span<const VWMTrainTrack> tracks);
  void HideNode(const std::string& name);
  void InstanceNumberedNodes(const std::string& prefix, int32_t width, int32_t first,
                             int32_t last, const KeySet& exclude);
  void AddKeyNode(const std::string& name);
  void AddSprite(const glm::mat4& orientation, const std::string& image_path);

  // --- Per-frame elements (vwmtrain_elements.cpp) ---
  // Every element below, in order, moved on to this frame's tracks.
  void UpdateStageElements(double beat);
  void UpdateLight();
  void UpdateLightBox();
  void UpdateFftBars(double beat);
  void UpdateClowns();
  void UpdateCrt();
  // The monitor's screen shows the picture of `frame`, lit by itself.
  void ShowOnCrtScreen(const FBO* frame);
  // The picture this frame's monitor screen shows; none while the monitor or its screen is off.
  const FBO* ShownOnCrt() const;
  // Draws the monitor's pictures that this frame needs.
  void RenderScreenPictures();
  void UpdateKeyboard(double beat);
  void UpdateFire();
  void UpdateRastafield(double beat);
  void UpdateRecycling();
  void UpdateTrain();
  void RenderText();
  bool LaserOn() const;

  bool FullScreenTextMode() const;
  void DrawStage();
  void DrawSprites();
  // The element's switch: both node flags follow it; false means skip the element.
  bool Switch(Node* node, const char* track);
  float Track(const char* name) const;
  TrackReader Reader() const;

  Objects3D stage_;
  Objects3D sprites_;
  std::unique_ptr<FBO> textFbo_;
  AsciiLayer ascii_;
  FftSnapshots fftSnapshots_;
  std::vector<float> liveSpectrum_ = std::vector<float>(FftSnapshots::kBins, 0.0f);
  Node* floorNode_ = nullptr;
  Node* recyclingNode_ = nullptr;
  std::vector<Node*> spriteNodes_;
  std::vector<std::vector<glm::vec3>*> keyEmissions_;
  KeyboardKeys keys_;
  std::vector<KeyLane> keyLanes_;
  std::unique_ptr<Text> text_;
  // Added to the stage's light while the laser is on.
  std::shared_ptr<LaserLight> laser_;
  std::vector<std::string> Greetings_;

  // Nodes and materials the frame moves, found once at set-up.
  Node* fftNode_ = nullptr;
  Node* lightBoxNode_ = nullptr;
  Node* clownNode_ = nullptr;
  Node* crtNode_ = nullptr;
  Node* crtScreenNode_ = nullptr;
  Node* keyboardNode_ = nullptr;
  Node* fireNode_ = nullptr;
  Node* trainNode_ = nullptr;
  std::shared_ptr<Material> fftMaterial_;
  std::shared_ptr<Material> lightBoxMaterial_;
  std::shared_ptr<Material> fireMaterial_;
  std::shared_ptr<Material> crtScreenMaterial_;
  std::shared_ptr<Camera> camera_;
};
