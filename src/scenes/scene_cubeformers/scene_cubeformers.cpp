#include "scenes/scene_cubeformers/scene_cubeformers.h"

#include <algorithm>
#include <cmath>

#include <GL/glew.h>

#include <glm/gtc/matrix_transform.hpp>

#include "effects/skybox.h"
#include "objects3d/context/rendercontext.h"
#include "objects3d/context/rendercontextshaderpieces.h"
#include "objects3d/gltf_loader.h"
#include "objects3d/objects3d_warmup.h"
#include "objects3d/shared_resources.h"
#include "scenes/scene_cubeformers/greetings.h"
#include "scenes/scene_cubeformers/instanceculling.h"
#include "system/log.h"
#include "tolmesystem.h"
#include "util/camera/camera.h"
#include "util/camera/cameracontroller.h"
#include "util/glstate/face_culling.h"
#include "util/light/light.h"
#include "util/music/music.h"
#include "util/passtiming/passtiming.h"
#include "util/texture/texturecube.h"

namespace {

using T = CubeFormersTracks;

constexpr float kFixedSceneSize = 50.0f;

// The sphere about the model's origin that holds every vertex: measured while the master node
// holds its one loaded matrix, before the arrangement's instances replace it.
float BoundingRadius(Objects3D& model) {
  glm::vec3 min(0.0f);
  glm::vec3 max(0.0f);
  model.GetNodeBBox("", min, max);
  if (min.x > max.x) return 0.0f;
  return glm::length(glm::max(glm::abs(min), glm::abs(max)));
}

}  // namespace

const std::vector<TrackField<CubeFormersTracks>>& CubeFormers::Tracks() {
  static const std::vector<TrackField<T>> tracks = {
      {"shadows", 1, &T::shadows},           {"shadNear", 0.1f, &T::shad_near},
      {"shadFar", 50, &T::shad_far},         {"Dist", 2, &T::dist},
      {"xDist", 0, &T::x_dist},              {"yDist", 0, &T::y_dist},
      {"zDist", 0, &T::z_dist},              {"glowCubes", 0, &T::glow_cubes},
      {"cubeType", 0, &T::cube_type},        {"subScene", 0, &T::sub_scene},
      {"ballSize", 3, &T::ball_size},        {"lightX", 0, &T::light_x},
      {"lightY", 0, &T::light_y},            {"lightZ", 0, &T::light_z},
      {"lightIntensity", 1, &T::light_intensity}, {"exposure", 1, &T::exposure},
      {"metallic", 0.8f, &T::metallic},      {"roughness", 0.2f, &T::roughness},
      {"angle", 27.1f, &T::angle},           {"radius", 5.2f, &T::radius},
      {"skyR", 1, &T::sky_r},                {"skyG", 1, &T::sky_g},
      {"skyB", 1, &T::sky_b},                {"skyA", 1, &T::sky_a},
      {"greetNum", 0, &T::greet_num},        {"greetSpacing", 50, &T::greet_spacing},
      {"explodeCasing", 0, &T::explode_casing}, {"explodeMain", 0, &T::explode_main},
      {"explodeCX", 0, &T::explode_cx},      {"explodeCY", 0, &T::explode_cy},
      {"protrusion", 1, &T::protrusion},     {"rotOffset", 0, &T::rot_offset},
      {"rotMult", 1, &T::rot_mult},
  };
  return tracks;
}

CubeFormers::CubeFormers() : tracks_(Tracks()) {}

CubeFormers::~CubeFormers() = default;

// The range is checked before the fraction is dropped, so that -0.6 (which would truncate to
// 0) is refused like every other value below the first arrangement.
uint32_t CubeFormers::Arrangement(float sub_scene) {
  const float rounded = sub_scene + 0.5f;
  if (!(rounded >= 0.0f && rounded < static_cast<float>(kArrangements))) {
    const double shown = std::isfinite(rounded) ? std::floor(rounded) : rounded;
    ExitMsgFmt(__FILE__, __LINE__, "Invalid subScene {}", shown);
  }
  return static_cast<uint32_t>(rounded);
}

std::unique_ptr<Objects3D> CubeFormers::LoadCubeModel() {
  return std::make_unique<Objects3D>(kCubeModel);
}

void CubeFormers::Init() {
  tracks_.Open(*music);
  ball_ = std::make_shared<Objects3D>(kBallModel);
  models_.push_back(LoadCubeModel());
  models_.push_back(std::make_unique<Objects3D>(kBevelledCubeModel));
  models_.push_back(LoadCubeModel());
  greetings_ = std::make_unique<GreetingLayout>(font_, LoadCubeGreetings());
  camera_ = std::make_shared<Camera>();
  camera_->LookAt(5, 5, -5, 0, 0, 0, 0, 1, 0);
  camera_->SetNearFar(0.05f, 500.0f);
  light_ = std::make_shared<Light>();
  light_->name = "Main light";
  light_->position = glm::vec4(0, 0, 0, 1);
  light_->UpdateMatrix();
  light_->color = glm::vec3(1.0f, 1.0f, 0.8f);
  light_->shadow_near = 0.05f;
  light_->shadow_far = 100.0f;
  light_->projection = CubeFaceProjection(light_->shadow_near, light_->shadow_far);
  for (uint32_t i = 0; i < models_.size(); ++i) SetUpModel(*models_[i], i);
  AddRibbonLevels();
  sky_box_ = std::make_unique<Effects::SkyBox>();
  sky_box_->init(glm::vec3(0.0f), 50.0f, std::make_shared<TextureCube>(kSkyFaces, "png", true));
  // The shared programs, lighting textures and shader pieces are read now, while loading:
  // in write mode only what is read before the packed file is written ends up in it, and
  // making the shared resources inside a frame would draw into framebuffers of their own.
  RequireObjects3DSharedResources();
  RenderContextShaderPieces read_pieces;
  // Every pass an arrangement can switch on is compiled now rather than at its first frame.
  // Each frame starts from the scene manager's known state (which, unlike a fresh context,
  // samples cube maps seamlessly), so the variants are built in that state.
  const int32_t samples = system_settings ? static_cast<int32_t>(system_settings->samples) : 0;
  ResetGLState();
  for (auto& model : models_) WarmUpShaderVariants(*model, samples);
  ResetGLState();
}

void CubeFormers::SetUpModel(Objects3D& model, uint32_t index) {
  if (index >= kArrangements) ExitMsg(__FILE__, __LINE__, "PANIC: Scene unknown");
  cube_radius_[index] = BoundingRadius(model);
  const uint32_t counts[kArrangements] = {kBlockCubes, kRibbonCubes, 0};
  if (counts[index] > 0) {
    cubes_[index].Resize(counts[index]);
    ShowInstances(model, cubes_[index]);
  }
  model.data.cameras.push_back(camera_);
  model.data.lights.push_back(light_);
  model.lights_enabled = 1;
  model.shadows_enabled = 1;
  light_->shadows = 1;
  light_->CreateShadowTextures();
  model.glow_enabled = 1;
  // The scene draws with four samples a pixel, and then llvmpipe runs the shading program over
  // every block of pixels a cube covers whether the depth test passes there or not: a depth
  // pre-pass saves the main pass next to nothing and costs a pass over every triangle (4 to 7
  // bare copies on the blocks and greetings; the ribbon's frame costs a ninth less without it).
  model.depth_prepass = 0;
  model.draw_light_markers = 1;
  model.light_marker_size = 3.0f;
  model.light_marker = ball_;
}

void CubeFormers::Resize(uint32_t new_width, uint32_t new_height) {
  Scene::Resize(new_width, new_height);
  for (auto& model : models_) model->Resize(width, height, aspect);
}

// Every cube is an instance of the model's master node, carrying its emission grey in the
// material of the one cube primitive.
void CubeFormers::ShowInstances(Objects3D& model, const CubeInstances& cubes) {
  Node& master = model.GetNode(0u);
  master.instances = cubes.matrices;
  model.GetMaterial(master)->instance_emission_colors = cubes.emissions;
}

// The ribbon's model draws its cubes through one child of the master node per level of detail,
// the loaded bevelled cube first. The coarser shapes are read as records only: their buffers
// are made with the ribbon's warm-up, and no render targets of models never drawn are made.
void CubeFormers::AddRibbonLevels() {
  Objects3D& model = *models_[1];
  level_nodes_[0] = model.GetMasterNode().children.at(0);
  for (uint32_t level = 1; level < kCubeDetailLevels; ++level) {
    Objects3D shape;
    GLTF_Loader(kCoarseCubeModels[level - 1], shape.data, false);
    level_nodes_[level] = AddCubeShapeNode(model, shape);
  }
  model.GetMasterNode().instances.assign(1, glm::mat4(1.0f));
  ShowRibbon(cubes_[1]);
}

// Before the first resize the frame has no size to measure the cubes by: every cube is drawn
// fully bevelled then.
void CubeFormers::ShowRibbon(const CubeInstances& cubes) {
  Objects3D& model = *models_[1];
  if (cube_detail_levels && model.aspect > 0.0f && model.render_height > 0) {
    const glm::mat4 projection =
        CameraProjection(camera_->yfov, model.aspect, camera_->znear, camera_->zfar);
    const ScreenScale screen{
        CameraRootMatrix(*camera_),
        PixelsAtUnitDepth(projection, static_cast<uint32_t>(model.render_height))};
    SplitByScreenSize(screen, cube_radius_[1], cube_detail_pixels, cubes, levels_);
    KeepLevelsInstanced(levels_);
  } else {
    for (CubeInstances& level : levels_) level.Resize(0);
    levels_[0] = cubes;
  }
  for (uint32_t level = 0; level < kCubeDetailLevels; ++level) {
    Node& node = model.GetNode(level_nodes_[level]);
    node.instances = levels_[level].matrices;
    model.GetMaterial(node)->instance_emission_colors = levels_[level].emissions;
  }
}

void CubeFormers::PulseBall(float note0, float ball_size) {
  Node& master = ball_->GetNode(0u);
  master.SetMatrix(glm::mat4(1.0f));
  master.SetMatrix(glm::scale(glm::mat4(1.0f), glm::vec3((note0 * 0.05f + 1.0f) * ball_size)));
  const std::shared_ptr<Material> material = ball_->GetMaterial(master);
  material->metallic = 1.0f;
  material->roughness = 0.0f;
  material->emissive = glm::vec3(1.0f - 0.6f * note0);
}

void CubeFormers::LayOut(uint32_t arrangement, const CubeFormersTracks& v, float note0,
                         float note1, double beat, bool& draw) {
  TimedPass timed("layout");
  CubeInstances& cubes = cubes_[arrangement];
  const float casing = v.explode_casing * 10.0f;
  const float main = v.explode_main * 10.0f;
  draw = true;
  if (arrangement == 0) {
    LayOutBlock({v.dist, {v.x_dist, v.y_dist, v.z_dist}, casing, main, v.glow_cubes}, note1, beat,
                cubes);
  } else if (arrangement == 1) {
    LayOutRibbon({v.radius, v.angle, v.z_dist, v.rot_offset, v.rot_mult}, note0, note1, beat, cubes);
    light_->color = glm::vec3(1.0f, 0.8f, 0.4f);
    // Planes that do not enclose a depth range would make the shadow projection infinite; the
    // light keeps its last good planes until the tracks give a usable pair again.
    if (v.shad_far > v.shad_near && v.shad_near > 0.0f) {
      light_->shadow_near = v.shad_near;
      light_->shadow_far = v.shad_far;
      light_->projection = CubeFaceProjection(v.shad_near, v.shad_far);
    }
  } else {
    GreetingTracks g;
    g.dist = v.dist;
    g.z_step = v.z_dist;
    g.glow = v.glow_cubes;
    g.greet_num = v.greet_num;
    g.greet_spacing = v.greet_spacing;
    g.explode_casing = casing;
    g.explode_main = main;
    g.explode_cx = v.explode_cx;
    g.explode_cy = v.explode_cy;
    g.protrusion = v.protrusion;
    draw = greetings_->LayOut(g, cubes) > 0;
  }
}

// With shadows every cube may shade a seen one; without, only those that can be in view are
// drawn (the view as the draw will set it up: the scene is always sized before it draws). A
// single kept cube would lose its own emission (a per-instance list needs two), so then every
// cube is drawn.
const CubeInstances& CubeFormers::CubesToDraw(uint32_t arrangement, bool shadows) {
  const CubeInstances& all = cubes_[arrangement];
  const float aspect = models_[arrangement]->aspect;
  if (shadows || !cull_unseen_cubes || !(aspect > 0.0f)) return all;
  const glm::mat4 view_projection =
      CameraProjection(camera_->yfov, aspect, camera_->znear, camera_->zfar) *
      CameraRootMatrix(*camera_);
  KeepInstancesInView(view_projection, cube_radius_[arrangement], all, in_view_);
  return in_view_.matrices.size() >= 2 ? in_view_ : all;
}

void CubeFormers::DrawSky(const glm::vec3& colour, float scene_size, double beat) {
  TimedPass timed("sky");
  sky_box_->color = colour;
  sky_box_->position = glm::vec3(0.0f);
  sky_box_->size = scene_size * 10.0f;
  sky_box_->setCamera(camera_, width, height, aspect);
  sky_box_->render(beat);
}

void CubeFormers::Render() {
  const double beat = music->GetBeat();
  const std::vector<float> notes = music->GetNoteValues(1, beat);
  if (notes.size() < 2) {
    ExitMsg(__FILE__, __LINE__, "Missing audio information for playing CubeFormers scene");
  }
  CubeFormersTracks v;
  tracks_.Sample(*music, v);
  const uint32_t arrangement = Arrangement(v.sub_scene);
  const glm::vec3 sky = glm::vec3(v.sky_r, v.sky_g, v.sky_b) * v.sky_a;
  light_->position = glm::vec4(v.light_x, v.light_y, v.light_z, 1.0f);
  light_->UpdateMatrix();
  light_->intensity = v.light_intensity;
  Objects3D& model = *models_[arrangement];
  for (const std::shared_ptr<Material>& material : model.data.materials) {
    material->metallic = v.metallic;
    material->roughness = v.roughness;
  }
  PulseBall(notes[0], v.ball_size);

  const float scene_size = arrangement == 2 ? v.greet_spacing : kFixedSceneSize;
  // The camera and the sky box are sized by the scene; a spacing of 0 or less would give them
  // no depth range at all.
  const float view_size = std::max(scene_size, 1.0f);
  bool draw = true;
  LayOut(arrangement, v, notes[0], notes[1], beat, draw);
  camera_->SetNearFar(view_size * 0.001f, view_size * 10.0f);
  UpdateCamera(camera_.get(), keys, mouse, view_size, music, false);
  DrawSky(sky, view_size, beat);

  const uint8_t shadows = v.shadows > 0.5f ? 1 : 0;
  const CubeInstances& shown = CubesToDraw(arrangement, shadows != 0);
  if (arrangement == 1) {
    ShowRibbon(shown);
  } else {
    ShowInstances(model, shown);
  }
  model.shadows_enabled = shadows;
  for (const std::shared_ptr<Light>& light : model.data.lights) {
    light->shadows = shadows;
    if (shadows) light->CreateShadowTextures();
  }
  model.render_context->ibl_color = glm::vec4(sky, 1.0f);
  model.render_context->exposure = v.exposure;
  if (draw) DrawCubes(model);
}

// Every cube is a closed solid seen from outside (the light's ball too), so a back face always
// lies behind a front face of its own: leaving the back faces out before they are rasterised
// halves the triangles of every pass that draws with the caller's culling (glow, depth pre-pass,
// the unshadowed draw) without changing a pixel; in the shadowed passes, which set their own
// culling, the models leave them out primitive by primitive while the light and the camera lie
// outside every cube. The caller's culling state is put back.
void CubeFormers::DrawCubes(Objects3D& model) {
  if (!cull_back_faces) {
    model.Draw();
    return;
  }
  const FaceCullingScope culling(GL_BACK);
  model.Draw();
}
