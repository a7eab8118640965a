#include "scenes/framecomposer.h"

#include <GL/glew.h>

#include <algorithm>

#include "effects/postproc.h"
#include "effects/postproceffects.h"
#include "scenes/scene.h"
#include "system/log.h"
#include "util/fbo/fbo.h"
#include "util/gpuresources/gpuresources.h"
#include "util/music/music.h"
#include "util/passtiming/passtiming.h"

namespace {

constexpr int32_t kInitialBufferSize = 512;

void BindFirstColorTexture(const FBO& buffer) {
  const Texture& texture = *buffer.color_textures.at(0);
  glBindTexture(texture.IsMultisampled() ? GL_TEXTURE_2D_MULTISAMPLE : GL_TEXTURE_2D,
                texture.id);
}

}  // namespace

FrameComposer::FrameComposer(Music& music, uint32_t samples) : music_(music) {
  LogInfo("=== Setting up composition buffers ===");
  // The FBO lowers a sample count above what the driver offers to its maximum.
  for (uint32_t i = 0; i < kCompositionBuffers; ++i) {
    compositionFbos[i] = std::make_unique<FBO>(kInitialBufferSize, kInitialBufferSize,
                                               FBOType::Color,
                                               i == 0 ? static_cast<int32_t>(samples) : 0);
  }
  LogInfo("=== Loading post processing effects ===");
  effects = Effects::MakePostProcEffects();
  OpenEffectTracks();
}

FrameComposer::~FrameComposer() = default;

void FrameComposer::OpenEffectTracks() {
  for (const auto& effect : effects) {
    music_.OpenTrack("pp" + effect->name, -1.0f);
    EffectTracks tracks{&music_.FindSyncTrack("pp" + effect->name), {}};
    for (size_t j = 0; j < effect->param_names.size() && j < effect->param_values.size(); ++j) {
      const std::string name = "pp" + effect->param_names[j];
      music_.OpenTrack(name, effect->param_values[j]);
      tracks.parameters.push_back(&music_.FindSyncTrack(name));
    }
    effect_tracks_.push_back(std::move(tracks));
  }
  effect_values_.reserve(effects.size());
  active_.reserve(effects.size());
}

void FrameComposer::Resize(uint32_t window_width, uint32_t window_height, float aspect) {
  window_width_ = window_width;
  window_height_ = window_height;
  render_ = LetterboxSize(window_width_, window_height_, aspect);
  for (auto& buffer : compositionFbos) {
    buffer->Resize(static_cast<int32_t>(render_.width), static_cast<int32_t>(render_.height));
  }
}

bool FrameComposer::PictureFillsScreen() const {
  const ScreenRect rect = LetterboxRect(window_width_, window_height_, render_);
  return rect.x == 0 && rect.y == 0 && static_cast<uint32_t>(rect.width) == window_width_ &&
         static_cast<uint32_t>(rect.height) == window_height_;
}

void FrameComposer::Compose(const Slots& slots, uint32_t screen_framebuffer) {
  screen_framebuffer_ = screen_framebuffer;
  ComposeScenes(slots);
  const std::vector<ActiveEffect>& active = ActiveEffects();
  if (!active.empty()) {
    ResolveComposition();
    RunEffectChain(active);
  } else if (!ResolveToScreen()) {
    ResolveComposition();
    CopyToScreenPlain();
  }
  // An empty fourth slot would only lay a transparent picture over the frame.
  if (slots[3] != nullptr) OverlayFourthSlot(*slots[3]);
}

void FrameComposer::RenderScene(Scene& scene, const FBO& target) {
  ResetGLState();
  scene.Resize(static_cast<uint32_t>(target.width), static_cast<uint32_t>(target.height));
  scene.Render();
}

void FrameComposer::BindSceneBuffer(const Slots& slots) {
  FBO& target = *compositionFbos[0];
  const auto first = std::find_if(slots.begin(), slots.end(), [](Scene* s) { return s != nullptr; });
  if (shortcuts.skip_clear_under_clearing_scene && first != slots.end() &&
      (*first)->ClearsWholeTarget()) {
    target.BindWithoutClear();
    return;
  }
  TimedPass timed("composition clear");
  target.Bind();
}

void FrameComposer::ComposeScenes(const Slots& slots) {
  FBO& target = *compositionFbos[0];
  BindSceneBuffer(slots);
  for (Scene* scene : slots) {
    if (scene != nullptr) RenderScene(*scene, target);
  }
  target.Unbind();
}

void FrameComposer::ResolveComposition() {
  TimedPass timed("composition resolve");
  ResetGLState();
  const FBO& source = *compositionFbos[0];
  FBO& target = *compositionFbos[1];
  BindForWholePass(target);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, source.framebuffer);
  glBlitFramebuffer(0, 0, source.width, source.height, 0, 0, source.width, source.height,
                    GL_COLOR_BUFFER_BIT, GL_LINEAR);
  target.Unbind();
}

void FrameComposer::BindForWholePass(FBO& target) const {
  if (shortcuts.skip_clear_under_whole_passes) {
    target.BindWithoutClear();
  } else {
    target.Bind();
  }
}

const std::vector<ActiveEffect>& FrameComposer::ActiveEffects() {
  effect_values_.clear();
  for (const EffectTracks& tracks : effect_tracks_) {
    effect_values_.push_back(music_.GetSyncValue(*tracks.on));
  }
  active_ = SelectActiveEffects(effect_values_);
  // The parameters are read before the chain runs, so that an effect its values make a
  // pass-through costs no full-screen pass (the fade track stays on at 0 through most shows).
  std::erase_if(active_, [this](const ActiveEffect& effect) {
    ApplyEffectParameters(effect.index);
    return effects[effect.index]->IsPassThrough();
  });
  return active_;
}

void FrameComposer::SetLetterboxViewport() const {
  const ScreenRect rect = LetterboxRect(window_width_, window_height_, render_);
  glViewport(rect.x, rect.y, rect.width, rect.height);
  glScissor(rect.x, rect.y, rect.width, rect.height);
}

void FrameComposer::DrawBufferWithBoundProgram(const FBO& source) const {
  glDisable(GL_DEPTH_TEST);
  glActiveTexture(GL_TEXTURE0);
  BindFirstColorTexture(source);
  GpuResources::Current().DrawUnitQuad();
}

bool FrameComposer::ResolveToScreen() {
  const FBO& source = *compositionFbos[0];
  const ScreenRect rect = LetterboxRect(window_width_, window_height_, render_);
  if (rect.width != source.width || rect.height != source.height) return false;
  TimedPass timed("resolve to screen");
  ResetGLState();
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, screen_framebuffer_);
  GLint screen_samples = 0;
  glGetIntegerv(GL_SAMPLES, &screen_samples);
  // A multisampled screen cannot take a resolve of a buffer with another sample count.
  if (screen_samples != 0) return false;
  glBindFramebuffer(GL_READ_FRAMEBUFFER, source.framebuffer);
  glBlitFramebuffer(0, 0, source.width, source.height, rect.x, rect.y, rect.x + rect.width,
                    rect.y + rect.height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
  glBindFramebuffer(GL_FRAMEBUFFER, screen_framebuffer_);
  return true;
}

void FrameComposer::CopyToScreenPlain() {
  ResetGLState();
  GpuResources::Current().UseCopyProgram();
  SetLetterboxViewport();
  DrawBufferWithBoundProgram(*compositionFbos[1]);
}

void FrameComposer::ApplyEffectParameters(size_t index) {
  Effects::PostProc& effect = *effects[index];
  EffectTracks& tracks = effect_tracks_[index];
  for (size_t j = 0; j < effect.param_names.size(); ++j) {
    if (j >= effect.param_values.size()) {
      ExitMsgFmt(__FILE__, __LINE__, "WARNING: Param index {} for effect {} is out of bounds", j,
                 effect.name);
    }
    // An effect swapped in after set-up may bring parameters of its own: found once here.
    if (j >= tracks.parameters.size()) {
      tracks.parameters.push_back(&music_.FindSyncTrack("pp" + effect.param_names[j]));
    }
    effect.param_values[j] = music_.GetSyncValue(*tracks.parameters[j]);
  }
}

void FrameComposer::RunEffectChain(const std::vector<ActiveEffect>& active) {
  TimedPass timed("effects");
  uint32_t current = 1;
  for (size_t k = 0; k < active.size(); ++k) {
    Effects::PostProc& effect = *effects[active[k].index];
    TimedPass timed_effect(effect.name.c_str());
    ResetGLState();
    effect.render(render_.width, render_.height, music_.GetBeat(), compositionFbos[current].get());
    effect.apply(render_.width, render_.height, music_.GetBeat());
    const FBO& drawn = effect.DrawnBuffer(*compositionFbos[current]);
    if (k + 1 == active.size()) {
      SetLetterboxViewport();
      DrawBufferWithBoundProgram(drawn);
      return;
    }
    const uint32_t next = NextCompositionBuffer(current, kCompositionBuffers);
    BindForWholePass(*compositionFbos[next]);
    DrawBufferWithBoundProgram(drawn);
    compositionFbos[next]->Unbind();
    current = next;
  }
}

void FrameComposer::OverlayFourthSlot(Scene& scene) {
  ResetGLState();
  FBO& target = *compositionFbos[0];
  target.Bind();
  RenderScene(scene, target);
  target.Unbind();
  ResolveComposition();
  ResetGLState();
  GpuResources::Current().UseCopyProgram();
  SetLetterboxViewport();
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  DrawBufferWithBoundProgram(*compositionFbos[1]);
}
