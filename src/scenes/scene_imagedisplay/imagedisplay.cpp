#include "scenes/scene_imagedisplay/imagedisplay.h"

#include <GL/glew.h>

#include "util/easydraw/easydraw.h"

UnitRect ImageDisplay::PictureRect(float image_aspect, float scene_aspect) {
  const float w = image_aspect / scene_aspect;
  const float h = 1.0f / w;
  if (h > 1.0f) return {(1.0f - w) * 0.5f, 0.0f, w, 1.0f};
  return {0.0f, (1.0f - h) * 0.5f, 1.0f, h};
}

ImageDisplay::ImageDisplay() = default;

ImageDisplay::~ImageDisplay() = default;

void ImageDisplay::Init() {
  // A picture that cannot be loaded ends the run inside Load.
  image_.Load("data/scenes/vwm20/kyr_maane.png", false, false, GL_NEAREST, GL_NEAREST);
}

void ImageDisplay::Render() {
  UseTextureDefaultShader();
  const UnitRect rect = PictureRect(image_.GetAspectRatio(), aspect);
  glDisable(GL_DEPTH_TEST);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(image_.Target(), image_.id);
  EasyDraw::DrawQuad(rect.x, rect.y, rect.width, rect.height);
}
