#include "objects3d/shadow_read_area.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "util/camera/clipvolume.h"

namespace {

// Slack on the camera's frustum planes: the GPU multiplies the matrices in another order than
// the CPU, so a point the CPU finds a hair outside may lie a hair inside there.
constexpr float kClipSlack = 1e-3f;

using Polygon = ShadowReadArea::Polygon;
using Solid = ShadowReadArea::Solid;

// Up to six planes, kept without allocating: this runs for every box in view every frame.
struct ClipPlanes {
  std::array<glm::vec4, 6> at{};
  size_t count = 0;
  const glm::vec4* begin() const { return at.data(); }
  const glm::vec4* end() const { return at.data() + count; }
};

float Side(const glm::vec4& plane, const glm::vec3& p) { return glm::dot(plane, glm::vec4(p, 1.0f)); }

// The planes of `clip` (local to clip space) that bound |x|, |y| (and |z| with `depth`) by
// w * (1 + grow); a point is inside where every plane's Side is at least 0.
ClipPlanes Planes(const glm::mat4& clip, float grow, bool depth) {
  return {ClipVolumePlanes(clip, grow), depth ? size_t{6} : size_t{4}};
}

bool Inside(const ClipPlanes& planes, const glm::vec3& p) {
  return std::all_of(planes.begin(), planes.end(),
                     [&](const glm::vec4& plane) { return Side(plane, p) >= 0.0f; });
}

// The six faces of a box, each wound around its face, written over `solid`'s storage.
void BoxSolid(const glm::vec3& min, const glm::vec3& max, Solid& solid) {
  const auto corner = [&](int32_t i) {
    return glm::vec3((i & 1) ? max.x : min.x, (i & 2) ? max.y : min.y, (i & 4) ? max.z : min.z);
  };
  static constexpr int32_t kFaces[6][4] = {{0, 2, 6, 4}, {1, 5, 7, 3}, {0, 4, 5, 1},
                                           {2, 3, 7, 6}, {0, 1, 3, 2}, {4, 6, 7, 5}};
  solid.resize(6);
  for (size_t f = 0; f < 6; ++f) {
    solid[f].assign({corner(kFaces[f][0]), corner(kFaces[f][1]), corner(kFaces[f][2]),
                     corner(kFaces[f][3])});
  }
}

// The points of a cut, which lie in one plane and around a convex face, put in order around
// their centre.
Polygon OrderAround(Polygon points, const glm::vec3& normal) {
  glm::vec3 centre(0.0f);
  for (const glm::vec3& p : points) centre += p;
  centre /= static_cast<float>(points.size());
  const glm::vec3 other = std::fabs(normal.x) > std::fabs(normal.y) ? glm::vec3(0, 1, 0)
                                                                     : glm::vec3(1, 0, 0);
  const glm::vec3 u = glm::cross(normal, other);
  const glm::vec3 v = glm::cross(normal, u);
  const auto angle = [&](const glm::vec3& p) {
    return std::atan2(glm::dot(p - centre, v), glm::dot(p - centre, u));
  };
  std::sort(points.begin(), points.end(),
            [&](const glm::vec3& a, const glm::vec3& b) { return angle(a) < angle(b); });
  return points;
}

// Cuts a convex solid down to its part where Side(plane) is at least 0; the cut's own face
// closes it again, so that later cuts still see every edge.
void Cut(Solid& solid, const glm::vec4& plane) {
  Solid kept_faces;
  Polygon cut_points;
  for (const Polygon& face : solid) {
    Polygon kept;
    for (size_t i = 0; i < face.size(); ++i) {
      const glm::vec3& a = face[i];
      const glm::vec3& b = face[(i + 1) % face.size()];
      const float da = Side(plane, a);
      const float db = Side(plane, b);
      if (da >= 0.0f) kept.push_back(a);
      if ((da >= 0.0f) != (db >= 0.0f)) {
        const glm::vec3 at = a + (b - a) * (da / (da - db));
        kept.push_back(at);
        cut_points.push_back(at);
      }
    }
    if (kept.size() >= 3) kept_faces.push_back(std::move(kept));
  }
  if (cut_points.size() >= 3) {
    kept_faces.push_back(OrderAround(std::move(cut_points), glm::vec3(plane)));
  }
  solid = std::move(kept_faces);
}

void CutAll(Solid& solid, const ClipPlanes& planes) {
  for (const glm::vec4& plane : planes) {
    if (solid.empty()) return;
    Cut(solid, plane);
  }
}

}  // namespace

void ShadowReadArea::Reset(float margin) {
  margin_ = margin;
  spans_.fill(FaceSpan{});
}

void ShadowReadArea::AddEverything() {
  for (FaceSpan& span : spans_) span = {glm::vec2(-1.0f), glm::vec2(1.0f)};
}

void ShadowReadArea::AddBox(const glm::vec3& min, const glm::vec3& max,
                            const glm::mat4& camera_clip,
                            const std::array<glm::mat4, 6>& face_clip) {
  BoxSolid(min, max, solid_);
  const ClipPlanes view = Planes(camera_clip, kClipSlack, true);
  const bool within_view = std::all_of(solid_.begin(), solid_.end(), [&](const Polygon& face) {
    return std::all_of(face.begin(), face.end(), [&](const glm::vec3& p) { return Inside(view, p); });
  });
  if (!within_view) CutAll(solid_, view);
  if (solid_.empty()) return;
  for (uint32_t face = 0; face < 6; ++face) AddToFace(face, face_clip[face]);
}

// The solid's part within the face's pyramid of directions (grown by the margin), projected.
void ShadowReadArea::AddToFace(uint32_t face, const glm::mat4& face_clip) {
  const ClipPlanes pyramid = Planes(face_clip, margin_, false);
  bool whole = true;
  for (const glm::vec4& plane : pyramid) {
    bool any_inside = false;
    for (const Polygon& polygon : solid_) {
      for (const glm::vec3& p : polygon) {
        const bool inside = Side(plane, p) >= 0.0f;
        any_inside = any_inside || inside;
        whole = whole && inside;
      }
    }
    if (!any_inside) return;
  }
  if (whole) {
    IncludeAll(face, solid_, face_clip);
    return;
  }
  part_ = solid_;
  CutAll(part_, pyramid);
  IncludeAll(face, part_, face_clip);
}

void ShadowReadArea::IncludeAll(uint32_t face, const Solid& solid,
                                const glm::mat4& face_clip) {
  for (const Polygon& polygon : solid) {
    for (const glm::vec3& p : polygon) Include(face, face_clip * glm::vec4(p, 1.0f));
  }
}

void ShadowReadArea::Include(uint32_t face, const glm::vec4& clip) {
  FaceSpan& span = spans_[face];
  // Only the light's own position projects nowhere: every direction of the face may be read.
  if (clip.w <= 0.0f) {
    span = {glm::vec2(-1.0f), glm::vec2(1.0f)};
    return;
  }
  const glm::vec2 at = glm::vec2(clip) / clip.w;
  span.min = glm::max(glm::min(span.min, at - margin_), glm::vec2(-1.0f));
  span.max = glm::min(glm::max(span.max, at + margin_), glm::vec2(1.0f));
}

ShadowFaceTexels ShadowReadArea::Texels(uint32_t face, int32_t side) const {
  const FaceSpan& span = spans_[face];
  if (span.Empty()) return {0, 0, 0, 0};
  const float half = 0.5f * static_cast<float>(side);
  const auto low = [&](float ndc) {
    return std::clamp(static_cast<int32_t>(std::floor((ndc + 1.0f) * half)) - 1, 0, side);
  };
  const auto high = [&](float ndc) {
    return std::clamp(static_cast<int32_t>(std::ceil((ndc + 1.0f) * half)) + 1, 0, side);
  };
  return {low(span.min.x), low(span.min.y), high(span.max.x), high(span.max.y)};
}
