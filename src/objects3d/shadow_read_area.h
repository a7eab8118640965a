#pragma once
// The part of each shadow cube face that the lighting pass can read: the union, over the boxes
// of the surfaces in the camera's view, of where the part of the box inside the camera's
// frustum lies in the face, grown by the texels the lookup may stray. A face's depths outside
// its area are never read this frame, so they need not be cleared nor drawn.
//
// A box wholly inside the camera's frustum is taken whole; one that crosses the frustum's
// planes is first cut down to the part inside (a floor reaching past the horizon reads only
// where the camera sees it). A part that reaches behind a face's plane is cut to the face's
// pyramid of directions before it is projected.

#include <array>
#include <cstdint>
#include <vector>

#include <glm/glm.hpp>

#include "util/light/shadowcubemap.h"

// A rectangle of a face in its projected coordinates (-1 to 1 across the face).
struct FaceSpan {
  glm::vec2 min{2.0f};
  glm::vec2 max{-2.0f};
  bool Empty() const { return max.x < min.x || max.y < min.y; }
};

class ShadowReadArea {
 public:
  // Forgets every box; `margin` is how far past a surface's own direction a lookup may read, in
  // projected units.
  void Reset(float margin);
  // Adds a box in its local space. `camera_clip` takes it into the camera's clip space;
  // `face_clip[f]` into the clip space of face f (the face's projection times its view).
  void AddBox(const glm::vec3& min, const glm::vec3& max, const glm::mat4& camera_clip,
              const std::array<glm::mat4, 6>& face_clip);
  // Every face whole, as when a reader cannot be bounded.
  void AddEverything();
  const FaceSpan& span(uint32_t face) const { return spans_[face]; }
  // The span as whole texels of a face of `side` texels, with one texel to spare on each side
  // for rounding: x0, y0, x1, y1 with x1 and y1 just past the rectangle.
  ShadowFaceTexels Texels(uint32_t face, int32_t side) const;

  using Polygon = std::vector<glm::vec3>;
  using Solid = std::vector<Polygon>;

 private:
  // Cuts the box in `solid_` to the face's directions and takes in what is left.
  void AddToFace(uint32_t face, const glm::mat4& face_clip);
  void IncludeAll(uint32_t face, const Solid& solid, const glm::mat4& face_clip);
  void Include(uint32_t face, const glm::vec4& clip);

  float margin_ = 0.0f;
  std::array<FaceSpan, 6> spans_{};
  // Scratch for the box being added and its cut part, kept so that their storage is reused.
  Solid solid_;
  Solid part_;
};
