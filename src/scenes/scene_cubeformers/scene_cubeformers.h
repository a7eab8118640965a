#pragma once
// CubeFormers, the one scene of production 5: one of three arrangements of many small cubes,
// chosen each frame by "subScene": an 8 x 8 x 8 block that splits into octants and explodes
// (0), a ribbon of 4096 bevelled cubes winding about the z axis (1), and the greetings spelled
// in cubes (2). A sphere that pulses with the music marks the one light, a purple nebula sky
// box surrounds everything, and the cubes flash with the music's note values.

#include <array>
#include <memory>
#include <vector>

#include <glm/glm.hpp>

#include "objects3d/objects3d.h"
#include "scenes/scene.h"
#include "scenes/scene_cubeformers/cubearrangements.h"
#include "scenes/scene_cubeformers/cubedetail.h"
#include "scenes/scene_cubeformers/greetinglayout.h"
#include "scenes/trackset.h"
#include "util/cubefont/cubefont.h"

class Camera;
class Light;
namespace Effects {
class SkyBox;
}

// One frame's track values (the names carry no prefix), with their defaults.
struct CubeFormersTracks {
  float shadows = 1, shad_near = 0.1f, shad_far = 50;
  float dist = 2, x_dist = 0, y_dist = 0, z_dist = 0;
  float glow_cubes = 0, cube_type = 0, sub_scene = 0, ball_size = 3;
  float light_x = 0, light_y = 0, light_z = 0, light_intensity = 1;
  float exposure = 1, metallic = 0.8f, roughness = 0.2f;
  float angle = 27.1f, radius = 5.2f;
  float sky_r = 1, sky_g = 1, sky_b = 1, sky_a = 1;
  float greet_num = 0, greet_spacing = 50;
  float explode_casing = 0, explode_main = 0, explode_cx = 0, explode_cy = 0;
  float protrusion = 1, rot_offset = 0, rot_mult = 1;
};

class CubeFormers : public Scene {
 public:
  static constexpr uint32_t kArrangements = 3;
  static constexpr char kCubeModel[] = "data/models/vorantil/cube_flat/cube_flat.glb";
  static constexpr char kBevelledCubeModel[] = "data/models/vorantil/beveled_cube/beveled_cube.glb";
  // The ribbon's coarser levels of the bevelled cube, in order.
  static constexpr const char* kCoarseCubeModels[kCubeDetailLevels - 1] = {
      "data/models/vorantil/beveled_cube/beveled_cube_2step.glb",
      "data/models/vorantil/beveled_cube/beveled_cube_chamfer.glb"};
  static constexpr char kBallModel[] = "data/models/vorantil/sphere/sphere.glb";
  static constexpr char kSkyFaces[] =
      "data/effects/skybox/spacescape_purple_nebula_complex/purple_nebula_complex_";

  CubeFormers();
  ~CubeFormers() override;
  void Init() override;
  void Render() override;
  void Noop() override {}
  void Resize(uint32_t new_width, uint32_t new_height) override;

  std::unique_ptr<Objects3D> LoadCubeModel();

  static const std::vector<TrackField<CubeFormersTracks>>& Tracks();
  // The arrangement "subScene" selects: nearest whole number; fatal outside 0 to 2.
  static uint32_t Arrangement(float sub_scene);

  Objects3D& model(uint32_t index) { return *models_[index]; }
  // Frames without shadows draw only the cubes that can be in view (on by default).
  uint8_t cull_unseen_cubes = 1;
  // The ribbon's cubes are drawn as coarsely as their size on screen allows (on by default);
  // off draws every cube fully bevelled. `cube_detail_pixels` are the heights, in pixels, below
  // which a cube drops a level.
  uint8_t cube_detail_levels = 1;
  CubeDetailThresholds cube_detail_pixels = kCubeDetailPixels;
  // The ribbon's cubes of the last frame at each level of detail.
  const std::array<CubeInstances, kCubeDetailLevels>& ribbon_levels() const { return levels_; }
  // The cubes' back faces are left out of the draw (on by default).
  uint8_t cull_back_faces = 1;
  const GreetingLayout& greetings() const { return *greetings_; }
  const Light& light() const { return *light_; }

 private:
  void SetUpModel(Objects3D& model, uint32_t index);
  void LayOut(uint32_t arrangement, const CubeFormersTracks& values, float note0, float note1,
              double beat, bool& draw);
  void ShowInstances(Objects3D& model, const CubeInstances& cubes);
  void AddRibbonLevels();
  void ShowRibbon(const CubeInstances& cubes);
  const CubeInstances& CubesToDraw(uint32_t arrangement, bool shadows);
  void PulseBall(float note0, float ball_size);
  void DrawCubes(Objects3D& model);
  void DrawSky(const glm::vec3& colour, float scene_size, double beat);

  std::vector<std::unique_ptr<Objects3D>> models_;
  std::shared_ptr<Objects3D> ball_;
  std::shared_ptr<Light> light_;
  std::shared_ptr<Camera> camera_;
  std::unique_ptr<Effects::SkyBox> sky_box_;
  CubeFont font_;
  std::unique_ptr<GreetingLayout> greetings_;  // measured in Init, from the greetings file
  CubeInstances cubes_[kArrangements];
  float cube_radius_[kArrangements] = {};  // each model's bounding sphere about its origin
  CubeInstances in_view_;                  // the cubes of this frame that can be seen
  std::array<CubeInstances, kCubeDetailLevels> levels_;  // the ribbon's, by level of detail
  std::array<uint32_t, kCubeDetailLevels> level_nodes_ = {};  // the ribbon model's node of each
  TrackSet<CubeFormersTracks> tracks_;
};
