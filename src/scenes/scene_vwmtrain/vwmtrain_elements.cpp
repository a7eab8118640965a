// The train scene's per-frame elements: each reads its tracks and rewrites its node's flags,
// instances, material values and per-instance colours; the stage is drawn afterwards.

#include <GL/glew.h>

#include <algorithm>
#include <cmath>

#include <glm/gtc/matrix_transform.hpp>

#include "scenes/scene_vwmtrain/firefield.h"
#include "scenes/scene_vwmtrain/greetings.h"
#include "scenes/scene_vwmtrain/numberednodes.h"
#include "scenes/scene_vwmtrain/rastafield.h"
#include "scenes/scene_vwmtrain/stageplacement.h"
#include "scenes/scene_vwmtrain/vwmtrain.h"
#include "objects3d/context/rendercontext.h"
#include "util/helpers.h"
#include "util/light/light.h"
#include "util/music/music.h"

namespace {

// A track value as a whole count held to 0..most.
uint32_t ClampedCount(float value, uint32_t most) {
  if (!(value > 0.0f)) return 0;
  return static_cast<uint32_t>(std::min(value, static_cast<float>(most)));
}

void SetInstances(Node& node, Material& material, InstanceSet&& set) {
  node.instances = std::move(set.matrices);
  material.instance_base_colors = std::move(set.base_colors);
  material.instance_emission_colors = std::move(set.emissions);
}

// The picture of a framebuffer as a material texture; none when it has no colour texture.
std::shared_ptr<Texture> PictureOf(const FBO* fbo) {
  if (fbo == nullptr || fbo->color_textures.empty()) return nullptr;
  return fbo->color_textures.front();
}

}  // namespace

bool VWMTrain::Switch(Node* node, const char* track) {
  const bool on = Track(track) > 0.5f;
  ShowNode(*node, on);
  return on;
}

void VWMTrain::UpdateLight() {
  Light& light = *stage_.data.lights.back();
  light.position = {Track("lightX"), Track("lightY"), Track("lightZ"), 1.0f};
  light.UpdateMatrix();
  light.intensity = Track("lightIntensity");
  light.shadow_clip = Track("shadowClip");
  light.range = Track("lightRange");
  light.color = HSLToRGB({Track("lightHue"), Track("lightSat"), Track("lightLight")});
}

void VWMTrain::UpdateLightBox() {
  lightBoxMaterial_->roughness = 0.1f;
  lightBoxMaterial_->metallic = 0.9f;
  const glm::vec3 light(stage_.data.lights.back()->position);
  const auto box =
      StagePlacement::LightBox(light, Track("lboxRot"), Track("lboxScale"), Track("lboxDist"));
  lightBoxNode_->instances.assign(box.begin(), box.end());
}

void VWMTrain::UpdateFftBars(double beat) {
  if (!Switch(fftNode_, "fftrEnable")) return;
  fftMaterial_->metallic = Track("fftrMetallic");
  fftMaterial_->roughness = Track("fftrRoughness");
  // The newest row is the spectrum of now; the dummy clock leaves it silent.
  std::fill(liveSpectrum_.begin(), liveSpectrum_.end(), 0.0f);
  if (beat >= 0.0) music->GetFFT(liveSpectrum_.data(), beat);
  SetInstances(*fftNode_, *fftMaterial_,
               FftBars::Build(FftBarSettings::FromTracks(Reader()), beat, fftSnapshots_, liveSpectrum_));
}

void VWMTrain::UpdateClowns() {
  if (!Switch(clownNode_, "clownEnabled")) return;
  const ClownSettings settings = ClownSettings::FromTracks(Reader());
  clownNode_->instances = {glm::mat4(1.0f)};
  glm::vec3 lo, hi;
  stage_.GetNodeBBox(clownNode_->name, lo, hi);
  clownNode_->instances = StagePlacement::Clowns(settings, lo.y);
}

void VWMTrain::ShowOnCrtScreen(const FBO* frame) {
  const std::shared_ptr<Texture> picture = PictureOf(frame);
  crtScreenMaterial_->base_color = glm::vec4(1.0f);
  crtScreenMaterial_->emissive = glm::vec3(1.0f);
  crtScreenMaterial_->base_color_texture = picture;
  crtScreenMaterial_->emissive_texture = picture;
}

const FBO* VWMTrain::ShownOnCrt() const {
  const float screen = Track("crtsEnable");
  if (Track("crtmEnabled") <= 0.5f || screen <= 0.5f) return nullptr;
  return screen > 1.5f ? textFbo_.get() : ascii_.engine().buffer;
}

void VWMTrain::UpdateCrt() {
  if (!Switch(crtNode_, "crtmEnabled")) return;
  const FBO* shown = ShownOnCrt();
  ShowNode(*crtScreenNode_, shown != nullptr);
  if (shown != nullptr) ShowOnCrtScreen(shown);
  // Measured at rest: the box of last frame's placement would move the monitor by itself.
  crtNode_->instances = {glm::mat4(1.0f)};
  glm::vec3 lo, hi;
  stage_.GetNodeBBox(crtNode_->name, lo, hi);
  crtNode_->instances[0] = StagePlacement::Crt(CrtSettings::FromTracks(Reader()), lo, hi);
}

void VWMTrain::UpdateKeyboard(double beat) {
  if (!Switch(keyboardNode_, "keybEnable")) return;
  const std::vector<float> values = music->GetNoteValues(kKeyboardNoteTrack, beat);
  for (const KeyLane& lane : keyLanes_) {
    if (lane.lane >= values.size()) continue;
    std::vector<glm::vec3>& emissions = *keyEmissions_[static_cast<size_t>(lane.place.set)];
    if (static_cast<size_t>(lane.place.instance) >= emissions.size()) continue;
    const float v = values[lane.lane];
    emissions[static_cast<size_t>(lane.place.instance)] = {3.0f * v, v, v};
  }
  const glm::mat4 at = glm::translate(glm::mat4(1.0f), {Track("keybX"), Track("keybY"), Track("keybZ")});
  keyboardNode_->SetMatrix(glm::scale(at, glm::vec3(Track("keybScale") * 10.0f)));
}

void VWMTrain::UpdateFire() {
  fireMaterial_->roughness = 0.5f;
  fireMaterial_->metallic = 0.0f;
  fireMaterial_->base_color = {0.0f, 0.0f, 0.0f, 1.0f};
  if (!Switch(fireNode_, "fireEnable")) return;
  SetInstances(*fireNode_, *fireMaterial_,
               FireField::Build(FireFieldSettings::FromTracks(Reader()), ascii_.fire().cell_heat));
}

void VWMTrain::UpdateRastafield(double beat) {
  const bool on = Track("rastaEnable") > 0.5f;
  for (Node* node : spriteNodes_) ShowNode(*node, on);
  if (!on) return;
  auto kinds = Rastafield::Build(RastafieldSettings::FromTracks(Reader()), beat);
  for (size_t k = 0; k < spriteNodes_.size() && k < kinds.size(); ++k)
    spriteNodes_[k]->instances = std::move(kinds[k]);
}

void VWMTrain::UpdateRecycling() {
  if (!Switch(recyclingNode_, "recyEnable")) return;
  recyclingNode_->instances = StagePlacement::Recycling(RecyclingSettings::FromTracks(Reader()));
}

void VWMTrain::UpdateTrain() {
  if (!Switch(trainNode_, "trainEnabled")) return;
  trainNode_->SetMatrix(StagePlacement::Train({Track("trainX"), Track("trainY"), Track("trainZ")},
                                              Track("trainScale")));
}

void VWMTrain::RenderText() {
  const GreetingSettings settings = GreetingSettings::FromTracks(Reader());
  // The picture is cleared to opaque black: the monitor's screen shows its alpha, and a clear
  // one would let the stage behind show through between the letters.
  std::array<GLfloat, 4> clear{};
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear.data());
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  textFbo_->Bind();
  glClearColor(clear[0], clear[1], clear[2], clear[3]);
  text_->SetGLState();
  text_->SetFaceSize(settings.face_size);
  glColor4f(0.2f, 1.0f, 0.2f, 1.0f);
  for (const GreetingLine& line : Greetings::Layout(Greetings_, settings))
    text_->PrintAt(line.x, line.y, settings.stretch, "%s", line.text.c_str());
  textFbo_->Unbind();
}

void VWMTrain::DrawStage() {
  stage_.dof_enabled = Track("focusEnable") > 0.5f;
  stage_.glow_enabled = Track("rndrGlow") > 0.5f;
  stage_.glow_picture_full_size = laser_full_glow && LaserOn();
  stage_.shadows_enabled = Track("shadowEnabled") > 0.5f;
  for (auto& light : stage_.data.lights) {
    light->shadows = stage_.shadows_enabled;
    if (light->shadows) light->CreateShadowTextures();
  }
  stage_.render_context->exposure = Track("rndrExposure");
  stage_.draw_light_markers = 1;
  stage_.light_marker_size = 0.1f;
  // The laser's streaks join the glow's light.
  stage_.added_light = nullptr;
  if (LaserOn()) {
    laser_->Set(Track("textLaserStepSize"), ClampedCount(Track("textLaserIterations"), 1000),
                Track("textLaserAlpha"), laser_bounded);
    stage_.added_light = laser_;
  }
  stage_.Draw();
}

void VWMTrain::DrawSprites() {
  sprites_.shadows_enabled = 0;
  sprites_.glow_enabled = 0;
  sprites_.dof_enabled = 0;
  for (auto& light : sprites_.data.lights) light->shadows = 0;
  sprites_.draw_light_markers = 0;
  sprites_.light_marker_size = 0.1f;
  sprites_.render_context->exposure = 1.0f;
  sprites_.Draw();
}

bool VWMTrain::LaserOn() const { return Track("textLaserOn") > 0.5f; }
