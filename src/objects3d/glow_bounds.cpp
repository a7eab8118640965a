#include "objects3d/glow_bounds.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <glm/gtc/matrix_transform.hpp>

#include "objects3d/context/rendercontext.h"
#include "objects3d/material.h"
#include "objects3d/node.h"
#include "objects3d/node_walk.h"
#include "objects3d/objects3d.h"
#include "objects3d/primitive.h"
#include "util/camera/camera.h"
#include "util/light/light.h"

namespace {

bool Emits(const Material& m) {
  if (m.instance_emission_colors.size() > 1) {
    return std::any_of(m.instance_emission_colors.begin(), m.instance_emission_colors.end(),
                       [](const glm::vec3& c) { return c != glm::vec3(0.0f); });
  }
  const glm::vec3 factor =
      m.instance_emission_colors.size() == 1 ? m.instance_emission_colors[0] : m.emissive;
  return factor != glm::vec3(0.0f);
}

// Gathers the screen rectangle of the emitters' boxes under the walk's model-view matrices.
class BoundsVisitor : public NodeWalkVisitor {
 public:
  BoundsVisitor(const glm::mat4& projection, const ViewportRect& viewport)
      : projection_(projection), viewport_(viewport) {}

  void OnPrimitive(Primitive& p, const std::vector<glm::mat4>& world,
                   const std::vector<float>& /*weights*/) override {
    if (!p.material || !Emits(*p.material)) return;
    if (!p.morph_targets.empty()) {
      unbounded_ = true;
      return;
    }
    const PositionBox box = BoxOfPositions(p);
    if (!box.valid) return;
    for (const glm::mat4& model_view : world) AddBox(box, model_view);
  }
  bool Satisfied() const override { return unbounded_; }

  bool unbounded() const { return unbounded_; }
  const glm::vec2& lo() const { return lo_; }
  const glm::vec2& hi() const { return hi_; }

 private:
  void AddBox(const PositionBox& box, const glm::mat4& model_view) {
    for (int corner = 0; corner < 8; ++corner) {
      const glm::vec4 clip = projection_ * model_view * glm::vec4(box.Corner(corner), 1.0f);
      // Written so that a corner that is not a number (a file's position) counts as unbounded.
      if (!(clip.w > 1e-6f)) {
        unbounded_ = true;
        return;
      }
      const glm::vec2 ndc = glm::vec2(clip) / clip.w;
      const glm::vec2 pixel(viewport_.x + (ndc.x * 0.5f + 0.5f) * viewport_.width,
                            viewport_.y + (ndc.y * 0.5f + 0.5f) * viewport_.height);
      lo_ = glm::min(lo_, pixel);
      hi_ = glm::max(hi_, pixel);
    }
  }

  glm::mat4 projection_;
  ViewportRect viewport_;
  glm::vec2 lo_{1e30f}, hi_{-1e30f};
  bool unbounded_ = false;
};

// Walks the light-marker model once at each light, as the glow pass draws it there: the master
// node's first instance moved to the light, its other instances as they are.
void WalkLightMarkers(Objects3D& scene, NodeWalk& walk, BoundsVisitor& visitor,
                      const glm::mat4& root) {
  Objects3D& marker = *scene.light_marker;
  if (marker.data.nodes.empty()) return;
  const Node& master = *marker.data.nodes[0];
  if (master.instances.empty()) return;
  std::vector<glm::mat4> placed = master.instances;
  for (const auto& light : scene.data.lights) {
    placed[0] = glm::translate(master.instances[0], glm::vec3(light->position));
    walk.RunPlaced(marker, root, placed, visitor);
  }
}

}  // namespace

std::optional<PixelRect> EmitterScreenBounds(Objects3D& scene, const Camera& camera,
                                             const ViewportRect& viewport) {
  if (scene.data.nodes.empty()) return PixelRect{};
  NodeWalk walk;
  BoundsVisitor bounds(camera.projection, viewport);
  const glm::mat4 root = CameraRootMatrix(camera);
  walk.Run(scene, root, bounds);
  if (scene.draw_light_markers && scene.light_marker) WalkLightMarkers(scene, walk, bounds, root);
  if (bounds.unbounded()) return std::nullopt;
  const glm::vec2& lo = bounds.lo();
  const glm::vec2& hi = bounds.hi();
  if (hi.x < lo.x) return PixelRect{};
  // Pixels whose area the box touches; clipped to the viewport the pass drew into. A corner
  // just in front of the eye projects arbitrarily far: held to a pixel beyond the viewport
  // before it becomes an integer.
  const glm::vec2 low_end(viewport.x - 1, viewport.y - 1);
  const glm::vec2 high_end(viewport.x + viewport.width + 1, viewport.y + viewport.height + 1);
  const glm::ivec2 first(glm::floor(glm::clamp(lo, low_end, high_end)));
  const glm::ivec2 last(glm::ceil(glm::clamp(hi, low_end, high_end)));
  PixelRect r;
  r.x0 = std::max(viewport.x, first.x);
  r.y0 = std::max(viewport.y, first.y);
  r.x1 = std::min(viewport.x + viewport.width, last.x + 1);
  r.y1 = std::min(viewport.y + viewport.height, last.y + 1);
  if (r.Empty()) return PixelRect{};
  return r;
}

PixelRect GrowWithin(const PixelRect& r, int32_t margin_x, int32_t margin_y, int32_t width,
                     int32_t height) {
  if (r.Empty()) return r;
  return {std::max(0, r.x0 - margin_x), std::max(0, r.y0 - margin_y),
          std::min(width, r.x1 + margin_x), std::min(height, r.y1 + margin_y)};
}
