// The train scene's element loaders: each puts its models, built primitives and materials into
// the stage (the sprites into their own Objects3D), hides the parts the show does not use,
// merges repeated parts into instances of one node and opens the element's tracks.

#include <GL/glew.h>

#include <algorithm>
#include <cmath>

#include <glm/gtc/matrix_transform.hpp>

#include "objects3d/procedural.h"
#include "scenes/scene_vwmtrain/greetings.h"
#include "scenes/scene_vwmtrain/numberednodes.h"
#include "scenes/scene_vwmtrain/vwmtrain.h"
#include "system/log.h"
#include "util/camera/camera.h"
#include "util/data/data.h"
#include "util/light/light.h"
#include "util/music/music.h"
#include "util/texture/texture.h"

namespace {

constexpr float kHalfPi = 1.5707964f;

// A repeating, mipmapped texture sampled without anisotropic filtering: the floor repeats its
// asphalt a thousand times out to the horizon, and sixteen-fold anisotropic sampling of its four
// textures at grazing angles costs llvmpipe seconds a frame, for detail finer than a pixel.
std::shared_ptr<Texture> LoadTexture(const std::string& path) {
  auto texture = std::make_shared<Texture>(path, true, true);
  glBindTexture(GL_TEXTURE_2D, texture->id);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, 1.0f);
  glBindTexture(GL_TEXTURE_2D, 0);
  return texture;
}

std::shared_ptr<Material> MakeMaterial(float roughness, float metallic, const glm::vec4& color) {
  auto material = ::MakeMaterial();
  material->roughness = roughness;
  material->metallic = metallic;
  material->base_color = color;
  return material;
}

}  // namespace

void VWMTrain::OpenTracks(std::span<const VWMTrainTrack> tracks) {
  for (const VWMTrainTrack& track : tracks) music->OpenTrack(track.name, track.default_value);
}

void VWMTrain::HideNode(const std::string& name) { ShowNode(stage_.GetNode(name), false); }

void VWMTrain::InstanceNumberedNodes(const std::string& prefix, int32_t width, int32_t first,
                                     int32_t last, const KeySet& exclude) {
  ::InstanceNumberedNodes(stage_, prefix, width, first, last, exclude);
}

std::shared_ptr<Material> VWMTrain::OwnMaterial(Node& node) {
  std::shared_ptr<Material> material = stage_.GetMaterial(node);
  size_t users = 0;
  for (const auto& primitive : stage_.data.primitives) users += primitive->material == material;
  if (users <= 1) return material;
  // Copy it and hand the copy to this node's primitive only.
  auto own = std::make_shared<Material>(*material);
  const Node* holder = &node;
  while (holder->meshes.empty()) holder = &stage_.GetNode(holder->children.front());
  const auto& primitive = stage_.GetMesh(holder->meshes.front()).primitives.front();
  stage_.SetPrimitiveMaterial(primitive, own);
  return own;
}

void VWMTrain::InitFftBars() {
  stage_.Load(kCubeFile, false);
  fftNode_ = &stage_.GetNode("cube_flat-Cube");
  fftMaterial_ = OwnMaterial(*fftNode_);
  OpenTracks(VWMTrainTracks::FftBars());
}

void VWMTrain::InitFloor() {
  auto material = std::make_shared<Material>(MaterialPresetWhite);
  material->name = "Floor Material";
  material->base_color = {0.2f, 0.2f, 0.2f, 1.0f};
  material->roughness = 1.0f;
  material->metallic = 0.0f;
  material->base_color_texture = LoadTexture("data/textures/asphalt13/Asphalt13_diffuse_4k.jpg");
  material->normal_texture = LoadTexture("data/textures/asphalt13/Asphalt_13_normal_4k.jpg");
  material->metallic_roughness_texture =
      LoadTexture("data/textures/asphalt13/Asphalt_13_roughness__4k.jpg");
  material->occlusion_texture = LoadTexture("data/textures/asphalt13/Asphalt_13_ao_4k.jpg");
  auto plane = MakePlane(3000.0f, 3000.0f, 1000.0f);
  stage_.SetPrimitiveMaterial(plane, material);
  Mesh& mesh = stage_.CreateMesh(plane);
  Node& node = stage_.AddObject(&mesh, nullptr);
  node.name = "FloorNode";
  floorNode_ = &node;
}

void VWMTrain::InitClowns() {
  stage_.Load("data/models/vorantil/clown/clown.gltf", true);
  HideNode("clown-Cube");
  HideNode("clown-Cube_001");
  clownNode_ = &stage_.GetNode("clown-Body_7");
  OpenTracks(VWMTrainTracks::Clowns());
}

void VWMTrain::InitCrt() {
  stage_.Load("data/models/meshmarket/crt_monitor/crt.gltf", true);
  crtNode_ = &stage_.GetNode("crt");
  glm::vec3 lo, hi;
  stage_.GetNodeBBox("crt", lo, hi);
  LogInfo("Bbox lo: {}", fmt::format("({}, {}, {})", lo.x, lo.y, lo.z));
  LogInfo("Bbox hi: {}", fmt::format("({}, {}, {})", hi.x, hi.y, hi.z));
  const glm::vec3 centre = (lo + hi) * 0.5f;
  LogInfo("CRT node center: {}", fmt::format("({}, {}, {})", centre.x, centre.y, centre.z));

  glm::mat4 screen = glm::rotate(glm::mat4(1.0f), -kHalfPi, glm::vec3(1, 0, 0));
  screen = glm::rotate(screen, kHalfPi, glm::vec3(0, 0, 1));
  screen = glm::scale(screen, glm::vec3(1.0f, 0.88f, 0.95f));
  screen = glm::rotate(screen, -0.075f, glm::vec3(1, 0, 0));
  const float side = (hi.z - lo.z) * 0.75f;
  auto plane = MakePlane(side, side, 1.0f);
  plane->Transform(screen);
  crtScreenMaterial_ = MakeMaterial(1.0f, 0.0f, {0.0f, 0.0f, 0.0f, 1.0f});
  Node& node = stage_.AddPrimitive(plane, crtScreenMaterial_, crtNode_);
  node.name = "crt_screen";
  node.instances[0] = glm::translate(node.instances[0], glm::vec3(0.833f * hi.x, 0.0f, 0.0f));
  crtScreenNode_ = &node;
  OpenTracks(VWMTrainTracks::Crt());
}

void VWMTrain::InitKeyboard() {
  stage_.Load("data/models/vorantil/vwm/keyboard.gltf", true);
  keyboardNode_ = &stage_.GetNode("keyboard");
  for (const std::string& name : NumberedNames("keyboard-Knob_", 3, 0, 11)) HideNode(name);
  for (const char* name : {"keyboard-Camera", "keyboard-Camera_001", "keyboard-Camera_002",
                           "keyboard-Lamp", "keyboard-Floppy_Drive_001"})
    HideNode(name);
  InstanceNumberedNodes("keyboard-Knob_", 3, 12, 35, {});
  InstanceNumberedNodes("keyboard-Fader_", 3, 0, 5, {1, 2, 4, 5});
  InstanceNumberedNodes("keyboard-Fader_", 3, 1, 5, {1, 2, 3, 5});
  InstanceNumberedNodes("keyboard-Fader_", 3, 2, 5, {1, 2, 3, 4});
  auto joined = [](const KeySet& a, const KeySet& b) {
    KeySet both = a;
    both.insert(b.begin(), b.end());
    return both;
  };
  InstanceNumberedNodes("keyboard-Key_", 2, 0, 59, joined(keys_.whiteKeysDGA, keys_.blackKeys));
  InstanceNumberedNodes("keyboard-Key_", 2, 1, 59, joined(keys_.whiteKeysCEFB, keys_.whiteKeysDGA));
  InstanceNumberedNodes("keyboard-Key_", 2, 2, 59, joined(keys_.whiteKeysCEFB, keys_.blackKeys));
  // The lanes of the keyboard's note track are fixed: find their keys once. A lane whose key
  // the keyboard lacks stays dark.
  const std::vector<uint8_t> lane_keys = music->GetNoteTrackKeys();
  for (size_t lane = 0; lane < lane_keys.size(); ++lane) {
    const int32_t key = static_cast<int32_t>(lane_keys[lane]) - KeyboardKeys::kFirstMidiKey;
    if (const auto place = keys_.Find(key)) {
      keyLanes_.push_back({lane, *place});
    } else {
      LogInfo("Note lane {} plays MIDI key {}, which the keyboard does not have; skipped", lane,
              lane_keys[lane]);
    }
  }
  for (const char* name : {"keyboard-Key_00", "keyboard-Key_01", "keyboard-Key_02", "keyboard-Key_60"})
    AddKeyNode(name);
  OpenTracks(VWMTrainTracks::Keyboard());
}

void VWMTrain::AddKeyNode(const std::string& name) {
  Node& node = stage_.GetNode(name);
  std::shared_ptr<Material> material = OwnMaterial(node);
  material->instance_emission_colors.assign(node.instances.size(), glm::vec3(0.0f));
  keyEmissions_.push_back(&material->instance_emission_colors);
}

void VWMTrain::InitTrain() {
  const size_t before = stage_.data.materials.size();
  stage_.Load("data/models/vorantil/train/train.gltf", true);
  LogInfo("We just added {} materials", stage_.data.materials.size() - before);
  for (size_t i = before; i < stage_.data.materials.size(); ++i) {
    stage_.data.materials[i]->roughness = 0.9f;
    stage_.data.materials[i]->metallic = 0.1f;
  }
  HideNode("train-RailStraight");
  for (const std::string& name : NumberedNames("train-RailStraight_", 3, 1, 6)) HideNode(name);
  trainNode_ = &stage_.GetNode("train-Body");
  OpenTracks(VWMTrainTracks::Train());
}

void VWMTrain::InitRecycling() {
  Node& master = stage_.GetMasterNode();
  Node& node = stage_.AddNode(fmt::format("child-{}", stage_.data.nodes.size()), 0);
  master.children.push_back(node.index);
  recyclingNode_ = &node;

  // The print's texture holds its roughness and metalness; factors of 1 take them unscaled.
  auto printed = MakeMaterial(1.0f, 1.0f, glm::vec4(1.0f));
  printed->base_color_texture = LoadTexture("data/scenes/vwm20/recycling/white_on_green.jpg");
  printed->metallic_roughness_texture =
      LoadTexture("data/scenes/vwm20/recycling/white_on_green_metallic-roughness.jpg");
  const glm::vec4 green{0.203922f, 0.596078f, 0.0f, 1.0f};
  auto painted = MakeMaterial(0.1f, 0.9f, green);
  auto polished = MakeMaterial(0.0f, 1.0f, green);

  auto add_cube = [&](const glm::vec3& size, const glm::vec3& repeat,
                      const std::shared_ptr<Material>& material) -> Node& {
    auto cube = MakeCube(size, repeat);
    stage_.SetPrimitiveMaterial(cube, material);
    Mesh& mesh = stage_.CreateMesh(cube);
    return stage_.AddObject(&mesh, recyclingNode_);
  };
  Node& body = add_cube({4.4f, 2.2f, 2.2f}, {2, 1, 1}, printed);
  body.instances[0] = glm::translate(body.instances[0], glm::vec3(0.0f, 1.1f, 0.0f));
  Node& inner = add_cube({4.092f, 2.046f, 2.508f}, {2, 1, 1}, polished);
  inner.instances[0] = glm::translate(inner.instances[0], glm::vec3(0.0f, 1.023f, 0.0f));
  Node& rims = add_cube({3.784f, 1.892f, 6.6f}, {1, 1, 1}, painted);
  const glm::mat4 lift = glm::translate(glm::mat4(1.0f), glm::vec3(0.0f, 0.946f, 0.0f));
  rims.instances = {
      lift * glm::scale(glm::translate(glm::mat4(1.0f), {1.7974f, -0.1892f, 0}), {0.05f, 1, 1}),
      lift * glm::scale(glm::translate(glm::mat4(1.0f), {-1.7974f, -0.1892f, 0}), {0.05f, 1, 1}),
      lift * glm::scale(glm::translate(glm::mat4(1.0f), {0, 0.8514f, 0}), {1, 0.1f, 1}),
  };
  OpenTracks(VWMTrainTracks::Recycling());
}

void VWMTrain::InitFire() {
  stage_.Load(kCubeFile, false);
  fireNode_ = &stage_.GetNode("cube_flat-Cube-2");
  fireMaterial_ = OwnMaterial(*fireNode_);
  OpenTracks(VWMTrainTracks::Fire());
}

void VWMTrain::InitRastafield() {
  glm::mat4 facing = glm::rotate(glm::mat4(1.0f), -kHalfPi, glm::vec3(1, 0, 0));
  facing = glm::rotate(facing, -kHalfPi, glm::vec3(0, 0, 1));
  for (const char* kind : {"giraff", "pipe", "pot", "stjerne"})
    AddSprite(facing, fmt::format("data/scenes/vwm20/kestrel/rastafield/{}.png", kind));
  OpenTracks(VWMTrainTracks::Rastafield());
}

void VWMTrain::AddSprite(const glm::mat4& orientation, const std::string& image_path) {
  auto plane = MakePlane(1.0f, 1.0f, 1.0f);
  plane->Transform(orientation);
  auto material = MakeMaterial(1.0f, 0.0f, glm::vec4(1.0f));
  material->alpha_mask = 1;  // keeps the sprite out of the shadow depth pass
  material->base_color_texture = LoadTexture(image_path);
  spriteNodes_.push_back(&sprites_.AddPrimitive(plane, material, nullptr));
}

void VWMTrain::InitText() {
  text_ = std::make_unique<Text>("data/common/fonts/digital-7__mono_.ttf", 256);
  textFbo_ = std::make_unique<FBO>(800, 600, FBOType::Color, 0);
  const std::vector<uint8_t> bytes = GetFileBytes(Greetings::kFile, "rb", false);
  Greetings_ = Greetings::Parse(std::string(bytes.begin(), bytes.end()));
  OpenTracks(VWMTrainTracks::Text());
}

void VWMTrain::InitCameraAndLight() {
  camera_ = stage_.AddCamera();
  camera_->LookAt(-3.899f, 16.361f, 76.495f, -3.415f, 16.145f, 75.647f, -0.042f, 0.962f, -0.269f);
  camera_->UpdateView();
  camera_->SetNearFar(0.15f, 1500.0f);

  Light& light = *stage_.AddLight();
  light.name = "Main light";
  light.position = {-16.0f, 8.0f, 11.0f, 1.0f};
  light.UpdateMatrix();
  light.color = {1.0f, 1.0f, 1.0f};
  light.shadow_near = 0.15f;
  light.shadow_far = 300.0f;
  light.projection = CubeFaceProjection(0.15f, 300.0f);
}

void VWMTrain::InitFftSnapshots() {
  // The dummy clock has no song to analyse: its length (over a day) would ask for gigabytes
  // of silence.
  if (music->dummy) {
    LogInfo("Dummy clock: no spectrum snapshots");
    return;
  }
  const double beats = music->GetLengthInBeats();
  const int64_t count = FftSnapshots::CountFor(beats);
  LogInfo("Total beats {}, snapshots: {}", beats, count);
  LogInfo("BPM is {}", music->bpm);
  fftSnapshots_.Build(count, [this](float* out, double beat) { music->GetFFT(out, beat); });
  LogInfo("Got them ffts");
}
