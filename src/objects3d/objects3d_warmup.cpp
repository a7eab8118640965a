#include "objects3d/objects3d_warmup.h"

#include <algorithm>
#include <array>
#include <unordered_map>
#include <vector>

#include <GL/glew.h>

#include "objects3d/material.h"
#include "objects3d/mesh.h"
#include "objects3d/node.h"
#include "objects3d/primitive.h"
#include "util/fbo/fbo.h"
#include "util/light/light.h"

namespace {

// A 16:9 miniature of the picture. The software rasteriser builds a texture read of its own
// for a texture whose sides are powers of two; like the show's sizes (1280 x 720, 1920 x 1080),
// neither side nor its half is one, so the passes that read the scene's own buffers (glow blur,
// depth of field, the linear-light resolve) are built as the show reads them.
constexpr int32_t kWarmUpWidth = 96;
constexpr int32_t kWarmUpHeight = 54;

// Everything the warm-up changes, taken before and put back after.
struct SavedScene {
  struct NodeState {
    uint8_t visible;
    uint8_t enabled;
    std::vector<glm::mat4> instances;
  };
  struct MaterialColors {
    std::vector<glm::vec4> base;
    std::vector<glm::vec3> emission;
  };
  std::vector<NodeState> nodes;
  std::vector<uint8_t> meshes_visible;
  std::unordered_map<Material*, MaterialColors> materials;
  std::vector<uint8_t> lights_on;
  uint8_t glow, dof, shadows, lights;
  int32_t width, height;
  float aspect;

  explicit SavedScene(Objects3D& s)
      : glow(s.glow_enabled), dof(s.dof_enabled), shadows(s.shadows_enabled),
        lights(s.lights_enabled), width(s.render_width), height(s.render_height),
        aspect(s.aspect) {
    for (const auto& light : s.data.lights) lights_on.push_back(light->enabled);
    for (const auto& n : s.data.nodes) nodes.push_back({n->visible, n->enabled, n->instances});
    for (const auto& m : s.data.meshes) {
      meshes_visible.push_back(m->visible);
      for (const auto& p : m->primitives) {
        if (p->material) {
          materials.emplace(p->material.get(), MaterialColors{p->material->instance_base_colors,
                                                              p->material->instance_emission_colors});
        }
      }
    }
  }
  void RestoreLights(Objects3D& s) const {
    for (size_t i = 0; i < lights_on.size(); ++i) s.data.lights[i]->enabled = lights_on[i];
    s.lights_enabled = lights;
  }
  void Restore(Objects3D& s) {
    for (size_t i = 0; i < nodes.size(); ++i) {
      s.data.nodes[i]->visible = nodes[i].visible;
      s.data.nodes[i]->enabled = nodes[i].enabled;
      s.data.nodes[i]->instances = std::move(nodes[i].instances);
    }
    for (size_t i = 0; i < meshes_visible.size(); ++i) s.data.meshes[i]->visible = meshes_visible[i];
    for (auto& [material, colors] : materials) {
      material->instance_base_colors = std::move(colors.base);
      material->instance_emission_colors = std::move(colors.emission);
    }
    RestoreLights(s);
    s.glow_enabled = glow;
    s.dof_enabled = dof;
    s.shadows_enabled = shadows;
    s.render_width = width;
    s.render_height = height;
    s.aspect = aspect;
  }
};

// One warm-up round: the instance count of every drawn primitive, and which per-instance colour
// lists its material carries (a list is per instance only with several instances).
struct Round {
  size_t copies;
  bool base_colors;
  bool emission_colors;
};
constexpr Round kRounds[] = {
    {1, false, false}, {2, false, false}, {2, true, false}, {2, false, true}, {2, true, true}};

template <typename T>
void SetColors(std::vector<T>& colors, bool per_instance, size_t count, const T& fallback) {
  const T first = colors.empty() ? fallback : colors.front();
  if (per_instance) {
    colors.assign(count, first);
  } else {
    colors.clear();
  }
}

// Every node shown with one instance; with two copies, the topmost nodes that carry meshes get
// two, so that every drawn primitive has exactly two world matrices and takes the instanced
// variants.
void ShowEverything(Objects3D& s, const std::vector<SavedScene::NodeState>& saved, const Round& round) {
  const size_t copies = round.copies;
  const size_t count = s.data.nodes.size();
  for (size_t i = 0; i < count; ++i) {
    Node& n = *s.data.nodes[i];
    n.visible = 1;
    n.enabled = 1;
    const glm::mat4 first = saved[i].instances.empty() ? glm::mat4(1.0f) : saved[i].instances.front();
    n.instances.assign(1, first);
  }
  if (copies > 1) {
    // Walked from the master node: whether a node lies under a doubled one depends on the tree.
    std::vector<uint8_t> seen(count, 0), under_doubled(count, 0);
    std::vector<uint32_t> stack{0};
    seen[0] = 1;
    while (!stack.empty()) {
      const uint32_t at = stack.back();
      stack.pop_back();
      Node& n = *s.data.nodes[at];
      const bool doubled = !under_doubled[at] && !n.meshes.empty();
      if (doubled) n.instances.assign(copies, n.instances.front());
      for (const uint32_t child : n.children) {
        if (child >= count || seen[child]) continue;  // a cycle or a bad index draws nothing new
        seen[child] = 1;
        under_doubled[child] = static_cast<uint8_t>(under_doubled[at] || doubled);
        stack.push_back(child);
      }
    }
  }
  for (const auto& m : s.data.meshes) {
    m->visible = 1;
    for (const auto& p : m->primitives) {
      if (!p->material) continue;
      Material& m = *p->material;
      SetColors(m.instance_base_colors, round.base_colors, copies, m.base_color);
      SetColors(m.instance_emission_colors, round.emission_colors, copies, m.emissive);
    }
  }
}

// The texture bound to each of the first units, and the active unit. The warm-up runs while
// loading, where other modules may still count on what they left bound.
class TextureBindings {
 public:
  TextureBindings() {
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active_);
    for (GLuint unit = 0; unit < kUnits; ++unit) {
      glActiveTexture(GL_TEXTURE0 + unit);
      glGetIntegerv(GL_TEXTURE_BINDING_2D, &plain_[unit]);
      glGetIntegerv(GL_TEXTURE_BINDING_CUBE_MAP, &cube_[unit]);
    }
    glActiveTexture(static_cast<GLenum>(active_));
  }
  void Restore() const {
    for (GLuint unit = 0; unit < kUnits; ++unit) {
      glActiveTexture(GL_TEXTURE0 + unit);
      glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(plain_[unit]));
      glBindTexture(GL_TEXTURE_CUBE_MAP, static_cast<GLuint>(cube_[unit]));
    }
    glActiveTexture(static_cast<GLenum>(active_));
  }

 private:
  static constexpr GLuint kUnits = 16;
  GLint active_ = GL_TEXTURE0;
  std::array<GLint, kUnits> plain_{};
  std::array<GLint, kUnits> cube_{};
};

// A shadowed frame draws the ambient pass alone while no light is on; else it shades the first
// shadowed light in the same draw and each further one in a pass of its own, or, with
// shadowed_lights_in_one_draw, every shadowed light in that draw, whose program then depends on
// how many are on. A show may switch lights on and off, so no light is drawn, and every light;
// in one draw also the first, the first two and so on. The other passes draw with the lights
// as the scene has them.
void DrawEveryLightSet(Objects3D& scene, const SavedScene& saved) {
  scene.lights_enabled = 0;
  scene.Draw();
  scene.lights_enabled = 1;
  const size_t light_count = scene.data.lights.size();
  const size_t fewest = scene.shadowed_lights_in_one_draw ? std::min<size_t>(1, light_count)
                                                           : light_count;
  for (size_t on = fewest; on <= light_count; ++on) {
    for (size_t i = 0; i < light_count; ++i) scene.data.lights[i]->enabled = i < on ? 1 : 0;
    scene.Draw();
  }
  saved.RestoreLights(scene);
}

// The nodes at and under `shown`, by index.
std::vector<uint8_t> Subtree(const Objects3D& s, const Node& shown) {
  const size_t count = s.data.nodes.size();
  std::vector<uint8_t> in(count, 0);
  std::vector<uint32_t> stack;
  for (size_t i = 0; i < count; ++i) {
    if (s.data.nodes[i].get() == &shown) stack.push_back(static_cast<uint32_t>(i));
  }
  for (const uint32_t at : stack) in[at] = 1;
  while (!stack.empty()) {
    const uint32_t at = stack.back();
    stack.pop_back();
    for (const uint32_t child : s.data.nodes[at]->children) {
      if (child >= count || in[child]) continue;  // a cycle or a bad index draws nothing new
      in[child] = 1;
      stack.push_back(child);
    }
  }
  return in;
}

// Glow, depth of field and shadows each in the combinations that change the main pass's target
// or mode: into the depth-of-field buffer or the composition, through the linear-light frame
// (shadowed, or glowing alone) or straight, shadowed or plain.
void DrawEveryPass(Objects3D& scene, const SavedScene& saved) {
  const uint8_t combinations[][3] = {{1, 1, 1}, {1, 0, 1}, {1, 1, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 0}};
  for (const auto& c : combinations) {
    scene.glow_enabled = c[0];
    scene.dof_enabled = c[1];
    scene.shadows_enabled = c[2];
    for (const auto& light : scene.data.lights) light->shadows = c[2];
    if (c[2]) {
      DrawEveryLightSet(scene, saved);
    } else {
      scene.Draw();
    }
  }
}

// Draws the scene into a small target of `samples` samples in every pass, once per round; with
// `only`, just the nodes at and under it, with one instance.
void WarmUp(Objects3D& scene, int32_t samples, const Node* only) {
  if (scene.data.nodes.empty() || scene.data.cameras.empty()) return;
  SavedScene saved(scene);
  const TextureBindings bindings;
  // A scene not sized yet (warmed while loading) draws at the warm-up size; light markers need one.
  if (scene.render_width <= 0 || scene.render_height <= 0) {
    scene.render_width = kWarmUpWidth;
    scene.render_height = kWarmUpHeight;
    scene.aspect = static_cast<float>(kWarmUpWidth) / static_cast<float>(kWarmUpHeight);
  }
  FBO target(kWarmUpWidth, kWarmUpHeight, FBOType::Color, samples);
  target.Bind();
  if (only) {
    ShowEverything(scene, saved.nodes, kRounds[0]);
    const std::vector<uint8_t> shown = Subtree(scene, *only);
    for (size_t i = 0; i < shown.size(); ++i) scene.data.nodes[i]->visible = shown[i];
    DrawEveryPass(scene, saved);
  } else {
    for (const Round& round : kRounds) {
      ShowEverything(scene, saved.nodes, round);
      DrawEveryPass(scene, saved);
    }
  }
  target.Unbind();
  saved.Restore(scene);
  bindings.Restore();
  // Every light was drawn beside the others: the maps of the later places go now, so that a
  // show that never lights two at once keeps none. A map is made again by the first frame that
  // draws several lights; its programs are built.
  for (const auto& light : scene.data.lights) {
    light->shadows = scene.shadows_enabled;
    light->ReleasePlacedShadowTextures();
  }
}

}  // namespace

void WarmUpShaderVariants(Objects3D& scene, int32_t samples) { WarmUp(scene, samples, nullptr); }

void WarmUpNodeShaderVariants(Objects3D& scene, const Node& node, int32_t samples) {
  WarmUp(scene, samples, &node);
}
