#include "scenes/scene_vwmtrain/vwmtrain.h"

#include <GL/glew.h>

#include "objects3d/context/rendercontextshaderpieces.h"
#include "objects3d/objects3d_warmup.h"
#include "objects3d/shared_resources.h"
#include "effects/skybox.h"
#include "scenes/scene_vwmtrain/greetings.h"
#include "scenes/scene_vwmtrain/numberednodes.h"
#include "system/log.h"
#include "tolmesystem.h"
#include "util/camera/camera.h"
#include "util/camera/cameracontroller.h"
#include "util/data/data.h"
#include "util/light/light.h"
#include "util/music/music.h"
#include "util/passtiming/passtiming.h"

namespace {

// The stage, its sprites and the laser are drawn blended and without multisampling: the
// text-mode layer switches multisampling off as it draws, and a frame whose monitor shows no
// text must not look different (nor cost four samples a pixel) for the picture it skipped.
void SetStageDrawState() {
  glDisable(GL_MULTISAMPLE);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

// The sprites go over the stage with the depth test and depth writes on.
void SetSpriteDrawState() {
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glEnable(GL_DEPTH_TEST);
  glDepthMask(GL_TRUE);
}

}  // namespace

VWMTrain::VWMTrain() { aspect = 16.0f / 9.0f; }

VWMTrain::~VWMTrain() = default;

void VWMTrain::Init() {
  InitFftBars();
  stage_.Load(kCubeFile, false);  // its cube is the light box
  lightBoxNode_ = &stage_.GetNode("cube_flat-Cube-1");
  lightBoxMaterial_ = OwnMaterial(stage_, *lightBoxNode_);
  InitFloor();
  InitClowns();
  InitCrt();
  InitKeyboard();
  InitTrain();
  InitRecycling();
  InitFire();
  InitRastafield();
  ascii_.LoadEngine();
  InitText();
  // The screen is hidden until a track shows it; textured from the start, its program is among
  // those the warm-up builds below, not compiled on the frame that first shows it.
  ShowOnCrtScreen(ascii_.engine().buffer);
  OpenTracks(VWMTrainTracks::Scene());
  InitCameraAndLight();
  InitFftSnapshots();
  stage_.SetSkyBox(glm::vec3(0.0f));
  ascii_.LoadFire();
  LogInfo("NodeTree ALL nodes:");
  stage_.DumpTree(false, 0, 0);
  LogInfo("NodeTree enabled only:");
  stage_.DumpTree(true, 0, 0);
  sprites_.data.cameras.push_back(camera_);
  laser_ = std::make_shared<LaserLight>();
  stage_.shadows_enabled = 1;
  stage_.glow_enabled = 1;
  stage_.dof_enabled = 1;
  for (auto& light : stage_.data.lights) {
    light->shadows = stage_.shadows_enabled;
    if (light->shadows) light->CreateShadowTextures();
  }
  stage_.Prewarm();
  // The 3D shader pieces and shared resources are otherwise first read by the first frame's
  // draw; read now, while loading, they go into the packed data file with everything else.
  RenderContextShaderPieces pieces;
  RequireObjects3DSharedResources();
  // Every pass the tracks can switch on is compiled now rather than in the middle of the show.
  const int32_t samples = system_settings ? static_cast<int32_t>(system_settings->samples) : 0;
  stage_.draw_light_markers = 1;
  stage_.light_marker_size = 0.1f;
  WarmUpInFrameStates(samples);
}

void VWMTrain::WarmUpInFrameStates(int32_t samples) {
  // Every frame starts from the scene manager's known state (which samples cube maps
  // seamlessly, unlike a fresh context), and Render sets the rest.
  ResetGLState();
  SetStageDrawState();
  WarmUpShaderVariants(stage_, samples);
  // The monitor shows the text-mode layer (on its screen now, as the show starts) or the
  // greetings, filtered otherwise: the screen alone is warmed again with the greetings.
  ShowOnCrtScreen(textFbo_.get());
  WarmUpNodeShaderVariants(stage_, *crtScreenNode_, samples);
  ShowOnCrtScreen(ascii_.engine().buffer);
  SetSpriteDrawState();
  WarmUpShaderVariants(sprites_, samples);
  ResetGLState();
}

void VWMTrain::Resize(uint32_t new_width, uint32_t new_height) {
  Scene::Resize(new_width, new_height);
  stage_.Resize(new_width, new_height, aspect);
  sprites_.Resize(new_width, new_height, aspect);
  ascii_.Resize(static_cast<int32_t>(new_width), static_cast<int32_t>(new_height), aspect);
  // The greetings are laid out on their own 800 x 600 buffer whatever the window.
  text_->Reshape(textFbo_->width, textFbo_->height);
}

void VWMTrain::Render() {
  const double beat = music->GetBeat();
  {
    TimedPass timed("ascii update");
    ascii_.Update(AsciiLayerSettings::FromTracks(Reader()), beat, music->GetSeconds());
  }
  if (FullScreenTextMode()) {
    TimedPass timed("ascii layer");
    glDisable(GL_BLEND);
    ascii_.Render(true);
    return;
  }
  RenderScreenPictures();
  SetStageDrawState();
  Camera& camera = *stage_.data.cameras.front();
  camera.SetNearFar(0.15f, 1500.0f);
  UpdateCamera(&camera, keys, mouse, 150.0f, music, false);
  camera.focusPoint = Track("focusPoint");
  camera.focusRange = Track("focusRange");
  camera.focusFalloff = Track("focusFalloff");
  {
    TimedPass timed("stage clear");
    glClearColor(0.2f, 0.2f, 0.2f, 1.0f);
    const GLbitfield colour = sky_replaces_colour_clear && SkyFillsTarget(camera) ? 0 : GL_COLOR_BUFFER_BIT;
    glClear(colour | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT | GL_ACCUM_BUFFER_BIT);
  }

  {
    TimedPass timed("stage elements");
    UpdateStageElements(beat);
  }
  DrawStage();
  SetSpriteDrawState();
  TimedPass timed("sprites");
  DrawSprites();
}

void VWMTrain::UpdateStageElements(double beat) {
  UpdateLight();
  UpdateLightBox();
  UpdateFftBars(beat);
  UpdateClowns();
  UpdateCrt();
  UpdateKeyboard(beat);
  UpdateFire();
  UpdateRastafield(beat);
  UpdateRecycling();
  UpdateTrain();
}

void VWMTrain::RenderScreenPictures() {
  const FBO* shown = ShownOnCrt();
  if (!screen_pictures_when_shown || shown == ascii_.engine().buffer) {
    TimedPass timed("ascii layer");
    ascii_.Render(false);
  }
  if (!screen_pictures_when_shown || shown == textFbo_.get()) {
    TimedPass timed("greetings");
    RenderText();
  }
}

bool VWMTrain::SkyFillsTarget(const Camera& camera) const {
  // With depth of field the sky goes into the stage's own target, not this one.
  if (!stage_.skybox_enabled || !stage_.skybox || Track("focusEnable") > 0.5f) return false;
  // The stage is sized to the target; the sky is drawn into its letterboxed part only.
  const CameraViewport drawn = LetterboxViewport(stage_.render_width, stage_.render_height, stage_.aspect);
  const bool whole = drawn.x == 0 && drawn.y == 0 && drawn.width == stage_.render_width &&
                     drawn.height == stage_.render_height;
  return whole && stage_.skybox->FillsView(camera, stage_.aspect);
}

bool VWMTrain::FullScreenTextMode() const { return Track("asciiFullScreen") > 0.5f; }

float VWMTrain::Track(const char* name) const { return music->GetSyncValue(name); }

TrackReader VWMTrain::Reader() const {
  return [this](const std::string& name) { return music->GetSyncValue(name); };
}
