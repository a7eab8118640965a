#include "objects3d/glow_bounds.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <glm/gtc/matrix_transform.hpp>

#include "objects3d/context/rendercontext.h"
#include "objects3d/material.h"
#include "objects3d/mesh.h"
#include "objects3d/node.h"
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

struct LocalBox {
  glm::vec3 min{0.0f}, max{0.0f};
  bool valid = false;
};

LocalBox BoxOf(const Primitive& p) {
  LocalBox box;
  const uint32_t stride = p.position_components;
  if (stride < 3) return box;
  for (size_t i = 0; i + 2 < p.positions.size(); i += stride) {
    const glm::vec3 v(p.positions[i], p.positions[i + 1], p.positions[i + 2]);
    box.min = box.valid ? glm::min(box.min, v) : v;
    box.max = box.valid ? glm::max(box.max, v) : v;
    box.valid = true;
  }
  return box;
}

struct BoundsWalk {
  Objects3D& scene;
  glm::mat4 projection;
  ViewportRect viewport;
  glm::vec2 lo{1e30f}, hi{-1e30f};
  bool unbounded = false;
  size_t budget;  // nodes left to visit: a tree with a cycle ends instead of looping

  void AddBox(const LocalBox& box, const glm::mat4& model_view) {
    for (int corner = 0; corner < 8; ++corner) {
      const glm::vec3 at((corner & 1) ? box.max.x : box.min.x, (corner & 2) ? box.max.y : box.min.y,
                         (corner & 4) ? box.max.z : box.min.z);
      const glm::vec4 clip = projection * model_view * glm::vec4(at, 1.0f);
      if (clip.w <= 1e-6f) {
        unbounded = true;
        return;
      }
      const glm::vec2 ndc = glm::vec2(clip) / clip.w;
      const glm::vec2 pixel(viewport.x + (ndc.x * 0.5f + 0.5f) * viewport.width,
                            viewport.y + (ndc.y * 0.5f + 0.5f) * viewport.height);
      lo = glm::min(lo, pixel);
      hi = glm::max(hi, pixel);
    }
  }

  void Walk(const Node& node, const std::vector<glm::mat4>& parents) {
    if (node.instances.empty()) return;
    std::vector<glm::mat4> world;
    for (const glm::mat4& p : parents) {
      for (const glm::mat4& n : node.instances) world.push_back(p * n);
    }
    WalkBelow(node, world);
  }

  // The node's children and meshes, the node placed at each of `world`.
  void WalkBelow(const Node& node, const std::vector<glm::mat4>& world) {
    if (unbounded || budget == 0) return;
    --budget;
    if (node.enabled) {
      for (const uint32_t child : node.children) {
        if (child < scene.data.nodes.size()) Walk(*scene.data.nodes[child], world);
      }
    }
    if (!node.visible || !node.enabled) return;
    for (const uint32_t mesh_index : node.meshes) {
      if (mesh_index >= scene.data.meshes.size()) continue;
      const Mesh& mesh = *scene.data.meshes[mesh_index];
      if (!mesh.visible) continue;
      for (const auto& primitive : mesh.primitives) AddPrimitive(*primitive, world);
    }
  }

  void AddPrimitive(const Primitive& p, const std::vector<glm::mat4>& world) {
    if (!p.material || !Emits(*p.material)) return;
    if (!p.morph_targets.empty()) {
      unbounded = true;
      return;
    }
    const LocalBox box = BoxOf(p);
    if (!box.valid) return;
    for (const glm::mat4& model_view : world) AddBox(box, model_view);
  }
};

// Walks the light-marker model once at each light, as the glow pass draws it there.
void WalkLightMarkers(Objects3D& scene, BoundsWalk& walk, const glm::mat4& root) {
  Objects3D& marker = *scene.light_marker;
  if (marker.data.nodes.empty()) return;
  const Node& master = *marker.data.nodes[0];
  if (master.instances.empty()) return;
  BoundsWalk marker_walk{marker, walk.projection, walk.viewport, walk.lo, walk.hi, false,
                         marker.data.nodes.size() * 64};
  for (const auto& light : scene.data.lights) {
    // The master node's first instance moved to the light, its other instances as they are.
    std::vector<glm::mat4> world;
    for (const glm::mat4& instance : master.instances) world.push_back(root * instance);
    world[0] = root * glm::translate(master.instances[0], glm::vec3(light->position));
    marker_walk.WalkBelow(master, world);
  }
  walk.lo = marker_walk.lo;
  walk.hi = marker_walk.hi;
  walk.unbounded = walk.unbounded || marker_walk.unbounded || marker_walk.budget == 0;
}

}  // namespace

std::optional<PixelRect> EmitterScreenBounds(Objects3D& scene, const Camera& camera,
                                             const ViewportRect& viewport) {
  if (scene.data.nodes.empty()) return PixelRect{};
  BoundsWalk walk{scene, camera.projection, viewport, glm::vec2(1e30f), glm::vec2(-1e30f), false,
                  scene.data.nodes.size() * 64};
  const glm::mat4 root = CameraRootMatrix(camera);
  walk.Walk(*scene.data.nodes[0], {root});
  if (scene.draw_light_markers && scene.light_marker) WalkLightMarkers(scene, walk, root);
  if (walk.unbounded || walk.budget == 0) return std::nullopt;
  if (walk.hi.x < walk.lo.x) return PixelRect{};
  // Pixels whose area the box touches; clipped to the viewport the pass drew into.
  PixelRect r;
  r.x0 = std::max(viewport.x, static_cast<int32_t>(std::floor(walk.lo.x)));
  r.y0 = std::max(viewport.y, static_cast<int32_t>(std::floor(walk.lo.y)));
  r.x1 = std::min(viewport.x + viewport.width, static_cast<int32_t>(std::ceil(walk.hi.x)) + 1);
  r.y1 = std::min(viewport.y + viewport.height, static_cast<int32_t>(std::ceil(walk.hi.y)) + 1);
  if (r.Empty()) return PixelRect{};
  return r;
}

PixelRect GrowWithin(const PixelRect& r, int32_t margin_x, int32_t margin_y, int32_t width,
                     int32_t height) {
  if (r.Empty()) return r;
  return {std::max(0, r.x0 - margin_x), std::max(0, r.y0 - margin_y),
          std::min(width, r.x1 + margin_x), std::min(height, r.y1 + margin_y)};
}
