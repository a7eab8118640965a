#pragma once
// GLTF: the interactive model viewer. It cycles through a fixed list of glTF/GLB models, each in
// its own Objects3D with a floor, seven cameras around its bounding box, default lights when
// the file brings none, a sky box and a help overlay. Until the viewer picks a camera or moves
// one, the camera tours around the model on show with the music's time, the whole model in
// view. Lights follow four tracks; the model's first animation plays on the music's beat.
// Models load on first view, except in write mode, where every model is loaded at once so that
// the packed data file holds them all.

#include <memory>
#include <string>
#include <vector>

#include "scenes/scene.h"
#include "scenes/scene_gltf/gltf_scene.h"
#include "scenes/scene_gltf/viewerkeys.h"
#include "scenes/trackset.h"

class Camera;
class Text;
namespace Effects {
class SkyBox;
}

// The default lights' intensity for a model one unit across (its bounding-box diagonal); the
// lights stand out from the model in proportion to its size, so their intensity grows with the
// size squared and every model gets the same light.
constexpr float kDefaultLightIntensity = 0.9f;

struct ViewerTracks {
  float num_lights = 3.0f;
  float light_intensity = kDefaultLightIntensity;
  float light_range = -1.0f;
  float shadow_clip = -1.0f;
};

class GLTF : public Scene {
 public:
  static constexpr char kFontFile[] = "data/common/fonts/courier_new_bold.ttf";

  GLTF();
  ~GLTF() override;
  void Init() override;
  void Render() override;
  void Noop() override {}
  void Resize(uint32_t new_width, uint32_t new_height) override;

  void AddModel(const std::string& path, bool grid);
  void HandleKeys();
  void DrawOverlay();

  uint32_t current_model() const { return current_model_; }
  GltfScene& model(uint32_t index) { return *models_[index]; }
  size_t model_count() const { return models_.size(); }
  const ViewerToggles& toggles() const { return toggles_; }
  // Side of the shared shadow cube map while the viewer draws.
  int32_t ShadowMapSide() const;

  // Ways of drawing the same picture more cheaply: all on in a show, turned off only by tests.
  struct Shortcuts {
    // The shadow cube map at half the side the frame's width asks for elsewhere (1024 rather
    // than 2048 at 1280 x 720): the three lights' faces cost about a third as much to draw.
    // The lights circle nearer the model than the camera, so a texel of the halved map still
    // spans little more than a pixel where shadows fall; shadow edges move by a fraction of one.
    bool shadow_map_halved = true;
  };
  Shortcuts shortcuts;

  // 1 while the opening tour drives the camera: from the start until a digit key picks a camera
  // or the free controls move it. Switching models keeps the tour on.
  uint8_t touring = 1;

 private:
  GltfScene& Current() { return *models_[current_model_]; }
  void LoadCurrent() { Current().Load(grid_counter_); }
  void DriveCamera(GltfScene& model, Camera& camera);
  void InitSkyBox();
  void DrawSkyBox(GltfScene& model, double beat);
  void MoveDefaultLights(GltfScene& model);
  void ApplyLights(GltfScene& model, const ViewerTracks& values);
  void ApplyToggles(GltfScene& model);
  void PrintLine(const std::string& text);

  std::unique_ptr<Effects::SkyBox> sky_box_;
  uint32_t current_model_ = 0;
  ViewerToggles toggles_;
  std::unique_ptr<Text> font_;
  std::vector<std::unique_ptr<GltfScene>> models_;
  TrackSet<ViewerTracks> tracks_;
  uint64_t grid_counter_ = 0;
  float overlay_y_ = 0.0f;  // the next overlay line, as a fraction of the height from the bottom
  int32_t max_cube_size_ = 0;  // GL's largest cube map side
};
