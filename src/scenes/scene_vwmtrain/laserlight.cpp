#include "scenes/scene_vwmtrain/laserlight.h"

#include "objects3d/objects3d.h"
#include "scenes/scene_vwmtrain/streakreach.h"
#include "util/fbo/fbo.h"
#include "util/texture/texture.h"

namespace {

bool HasGlowPicture(const Objects3D& stage) {
  return stage.glow_fbo && !stage.glow_fbo->color_textures.empty();
}

}  // namespace

void LaserLight::Set(float step, uint32_t iterations, float alpha, bool bounded) {
  step_ = step;
  bounded_ = bounded;
  blur_.setIterations(iterations);
  blur_.setStepSize(step);
  blur_.setColor(1.0f, 1.0f, 1.0f, alpha);
}

PixelRect LaserLight::Area(const Objects3D& stage) {
  if (!HasGlowPicture(stage)) return {};
  if (!bounded_) return {0, 0, stage.render_width, stage.render_height};
  return StreakReach(stage.glow_picture_area, step_, stage.render_width, stage.render_height);
}

void LaserLight::Draw(const Objects3D& stage) {
  const std::shared_ptr<Texture>& picture = stage.glow_fbo->color_textures.front();
  blur_.setTexture(picture);
  blur_.render(0.0);
  picture->UnbindFromUnit(0);
}
