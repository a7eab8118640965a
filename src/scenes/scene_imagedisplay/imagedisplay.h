#pragma once
// One still picture, as large as it fits in the scene's viewport with its proportions kept,
// centred, with nearest-neighbour filtering so its pixels stay crisp. The bars beside it keep
// whatever the target held. Opens no tracks.

#include "scenes/scene.h"
#include "util/texture/texture.h"

// A rectangle of the unit square.
struct UnitRect {
  float x = 0.0f;
  float y = 0.0f;
  float width = 1.0f;
  float height = 1.0f;
};

class ImageDisplay : public Scene {
 public:
  // Where a picture of this aspect goes in a viewport of the scene aspect: full height and
  // centred sideways when it is relatively narrower, else full width and centred vertically.
  static UnitRect PictureRect(float image_aspect, float scene_aspect);

  ImageDisplay();
  ~ImageDisplay() override;
  void Init() override;
  void Render() override;
  void Noop() override {}

  const Texture& image() const { return image_; }

 private:
  Texture image_;
};
