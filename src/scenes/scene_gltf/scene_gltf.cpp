#include "scenes/scene_gltf/scene_gltf.h"

#include <GL/glew.h>

#include <fmt/format.h>

#include "effects/skybox.h"
#include "objects3d/context/rendercontextshaderpieces.h"
#include "objects3d/shared_resources.h"
#include "util/frametime.h"
#include "scenes/scene_gltf/modellist.h"
#include "scenes/scene_gltf/viewerlayout.h"
#include "util/camera/camera.h"
#include "util/camera/cameracontroller.h"
#include "util/data/data.h"
#include "util/light/light.h"
#include "util/light/shadowcubemap.h"
#include "util/music/music.h"
#include "util/passtiming/passtiming.h"
#include "util/text/text.h"
#include "util/texture/texturecube.h"

namespace {

using V = ViewerTracks;

const char* OnOff(uint8_t toggle) { return toggle ? "Enabled" : "Disabled"; }

}  // namespace

GLTF::GLTF()
    : tracks_({{"gltfNumLights", 3, &V::num_lights},
               {"lightIntensity", kDefaultLightIntensity, &V::light_intensity},
               {"lightRange", -1, &V::light_range},
               {"shadowClip", -1, &V::shadow_clip}}) {}

GLTF::~GLTF() = default;

void GLTF::AddModel(const std::string& path, bool grid) {
  models_.push_back(std::make_unique<GltfScene>(path, grid));
}

void GLTF::Init() {
  tracks_.Open(*music);
  font_ = std::make_unique<Text>(kFontFile, 18);
  for (const ViewerModel& entry : ViewerModels()) AddModel(entry.path, entry.grid);
  LoadCurrent();
  // Write mode records every file read for the packed data file: a model not read now would
  // be missing from it and end the run when it is first shown.
  if (data_mode == DataMode::Write) {
    for (auto& entry : models_) entry->Load(grid_counter_);
  }
  InitSkyBox();
  glGetIntegerv(GL_MAX_CUBE_MAP_TEXTURE_SIZE, &max_cube_size_);
  // The shared resources and shader pieces are read now, while loading: in write mode only
  // what is read before the packed file is written ends up in it.
  RequireObjects3DSharedResources();
  RenderContextShaderPieces read_pieces;
}

void GLTF::InitSkyBox() {
  sky_box_ = std::make_unique<Effects::SkyBox>();
  const GltfScene& first = *models_.front();
  sky_box_->init(first.centre, first.size,
                 std::make_shared<TextureCube>(kEnvSpecularPrefix, kEnvSpecularExtension, true));
}

void GLTF::Resize(uint32_t new_width, uint32_t new_height) {
  Scene::Resize(new_width, new_height);
  for (auto& entry : models_) entry->Resize(width, height, aspect);
  if (font_ && width >= 2 && height >= 2) {
    font_->Reshape(static_cast<int32_t>(width), static_cast<int32_t>(height));
  }
}

void GLTF::HandleKeys() {
  const ViewerInput input = ReadViewerKeys(*keys, toggles_, smoothed_frame_delta);
  if (input.model_step != 0) {
    // The model left gets its cameras back; the next one's camera takes the tour on.
    if (touring) Current().PlaceCameras();
    current_model_ = StepModel(current_model_, input.model_step,
                               static_cast<uint32_t>(models_.size()));
    LoadCurrent();
  }
  // The help line offers F12 as the mouse lock; the window keeps a grabbed pointer centred.
  if (input.toggle_mouse_lock) mouse->grab ^= 1;
  GltfScene& model = Current();
  Objects3D& objects = model.objects;
  if (input.camera_slot >= 0) {
    // A chosen camera stands where the layout puts it, not where the tour left it.
    if (touring) model.PlaceCameras();
    touring = 0;
    objects.cur_cam = SelectCamera(input.camera_slot, objects.data.cameras.size(), objects.cur_cam);
    model.camera_index = static_cast<uint32_t>(objects.cur_cam);
  }
  DriveCamera(model, *objects.data.cameras[objects.cur_cam]);
  if (input.turned && model.HasFirstNode()) {
    const glm::mat4 turn(input.rotation);
    for (glm::mat4& instance : model.FirstNode().instances) instance = instance * turn;
  }
}

// While touring, the camera is placed on the tour's circle first; the free controls then move
// it from there, and any move they make ends the tour.
void GLTF::DriveCamera(GltfScene& model, Camera& camera) {
  if (touring) {
    const CameraPose pose = TourCamera(model.centre, model.size, camera.yfov, music->GetSeconds());
    camera.LookAt(pose.eye.x, pose.eye.y, pose.eye.z, pose.target.x, pose.target.y,
                  pose.target.z, pose.up.x, pose.up.y, pose.up.z);
  }
  const Camera placed = camera;
  UpdateCamera(&camera, keys, mouse, model.size, music, true);
  const bool moved = camera.eye != placed.eye || camera.dst != placed.dst ||
                     camera.up != placed.up || camera.yfov != placed.yfov;
  if (moved) touring = 0;
}

void GLTF::Render() {
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glClearColor(0.2f, 0.2f, 0.2f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  HandleKeys();
  GltfScene& model = Current();
  const double beat = music->GetBeat();
  if (toggles_.skybox) DrawSkyBox(model, beat);
  ViewerTracks values;
  tracks_.Sample(*music, values);
  MoveDefaultLights(model);
  ApplyLights(model, values);
  ApplyToggles(model);
  model.objects.Animate(static_cast<float>(beat));
  model.objects.Draw();
  DrawOverlay();
}

void GLTF::DrawSkyBox(GltfScene& model, double beat) {
  TimedPass timed("sky");
  sky_box_->position = model.centre;
  sky_box_->size = 10.0f * model.size;
  sky_box_->setCamera(model.objects.data.cameras[model.objects.cur_cam], width, height, aspect);
  sky_box_->render(beat);
}

void GLTF::MoveDefaultLights(GltfScene& model) {
  if (!model.default_lights) return;
  auto& lights = model.objects.data.lights;
  glm::vec3 positions[3];
  const size_t count = std::min<size_t>(lights.size(), 3);
  DefaultLightPositions(model.centre, model.size, music->GetSeconds(), count, positions);
  for (size_t i = 0; i < count; ++i) {
    lights[i]->position = glm::vec4(positions[i], 1.0f);
    lights[i]->UpdateMatrix();
  }
}

void GLTF::ApplyLights(GltfScene& model, const ViewerTracks& values) {
  const float enabled_count = std::trunc(values.num_lights + 0.5f);
  const glm::mat4 projection =
      CubeFaceProjection(0.001f * model.size, kLightShadowReach * model.size);
  size_t i = 0;
  for (const std::shared_ptr<Light>& light : model.objects.data.lights) {
    light->enabled = static_cast<float>(i++) < enabled_count ? 1 : 0;
    light->shadow_near = 0.001f * model.size;
    light->shadow_far = kLightShadowReach * model.size;
    light->projection = projection;
    light->intensity = values.light_intensity * model.size * model.size;
    light->shadow_clip = values.shadow_clip;
    light->range = values.light_range;
  }
}

// The shared map is asked for at this side every frame, before the lights take hold of it, so
// that the request made when any scene was resized does not stand for the viewer.
int32_t GLTF::ShadowMapSide() const {
  const uint32_t texels_across = shortcuts.shadow_map_halved ? (width + 1) / 2 : width;
  return ShadowMapSize(texels_across, max_cube_size_);
}

void GLTF::ApplyToggles(GltfScene& model) {
  Objects3D& objects = model.objects;
  if (toggles_.shadows) RequestShadowCubeMapSize(ShadowMapSide());
  objects.GetNode(model.floor_node).visible = toggles_.floor;
  objects.lights_enabled = toggles_.lighting;
  objects.draw_light_markers = toggles_.light_sources && toggles_.lighting;
  objects.light_marker_size = 0.02f * model.size;
  objects.draw_bbox = toggles_.bbox;
  objects.shadows_enabled = toggles_.shadows;
  for (const std::shared_ptr<Light>& light : objects.data.lights) {
    light->shadows = toggles_.shadows;
    if (toggles_.shadows) light->CreateShadowTextures();
  }
  objects.glow_enabled = toggles_.glow;
}

void GLTF::PrintLine(const std::string& text) {
  overlay_y_ -= 2.0f / 75.0f;
  font_->PrintAt(0.01f, overlay_y_, 1.0f, "%s", text.c_str());
}

void GLTF::DrawOverlay() {
  if (!toggles_.help || width < 2 || height < 2) return;
  font_->SetGLState();
  glDisable(GL_BLEND);
  overlay_y_ = 1.0f - 0.01f;
  GltfScene& model = Current();
  const auto& cameras = model.objects.data.cameras;
  const int32_t cam = model.objects.cur_cam;
  if (cam >= 0 && static_cast<size_t>(cam) < cameras.size()) {
    const Camera& c = *cameras[cam];
    const glm::vec3 dir = glm::normalize(c.dst - c.eye);
    PrintLine(fmt::format(
        "Camera {}:  yfov {:.2f}, pos [{:.2f}, {:.2f}, {:.2f}], viewdir [{:.2f}, {:.2f}, {:.2f}]",
        cam, c.yfov, c.eye.x, c.eye.y, c.eye.z, dir.x, dir.y, dir.z));
  }
  const glm::vec3& lo = model.bbox_min;
  const glm::vec3& hi = model.bbox_max;
  PrintLine(fmt::format("Bounding box:  [{:.2f},{:.2f},{:.2f}] - [{:.2f},{:.2f},{:.2f}]", lo.x,
                        lo.y, lo.z, hi.x, hi.y, hi.z));
  PrintLine(fmt::format("[K]           toggle shadows [{}]", OnOff(toggles_.shadows)));
  PrintLine(fmt::format("[Y]           toggle skybox [{}]", OnOff(toggles_.skybox)));
  PrintLine(fmt::format("[G]           toggle glow [{}]", OnOff(toggles_.glow)));
  PrintLine(fmt::format("[F]           toggle added floor [{}]", OnOff(toggles_.floor)));
  PrintLine(fmt::format("[B]           toggle visible bounding box [{}]", OnOff(toggles_.bbox)));
  PrintLine(fmt::format("[Shift+L]     toggle visible light sources [{}]",
                        OnOff(toggles_.light_sources)));
  PrintLine(fmt::format("[L]           toggle lighting [{}]", OnOff(toggles_.lighting)));
  for (const char* line : {"[Q/E]         tilt camera", "[W/A/S/D/Z/X] move",
                           "[Arrow keys]  look around",
                           "[Mouse]       look around with lock or RMB pressed",
                           "[Shift/Ctrl]  move/rotation speed modifiers"}) {
    PrintLine(line);
  }
  PrintLine(fmt::format("[F12]         toggle mouse lock [{}]", OnOff(mouse->grab)));
  PrintLine("[H]           toggle help");
}
