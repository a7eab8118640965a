#include "scenes/scene_vwmtrain/numberednodes.h"

#include <fmt/format.h>

#include "objects3d/objects3d.h"

std::vector<std::string> NumberedNames(const std::string& prefix, int32_t width, int32_t first,
                                       int32_t last) {
  std::vector<std::string> names;
  for (int32_t i = first; i <= last; ++i) names.push_back(fmt::format("{}{:0{}d}", prefix, i, width));
  return names;
}

void ShowNode(Node& node, bool shown) {
  node.visible = shown ? 1 : 0;
  node.enabled = shown ? 1 : 0;
}

void InstanceNumberedNodes(Objects3D& scene, const std::string& prefix, int32_t width,
                           int32_t first, int32_t last, const KeySet& exclude) {
  const auto names = NumberedNames(prefix, width, first, last);
  if (names.empty()) return;
  Node& master = scene.GetNode(names[0]);
  for (int32_t i = first + 1; i <= last; ++i) {
    Node& part = scene.GetNode(names[static_cast<size_t>(i - first)]);
    // A part without a matrix of its own has nothing to hand over.
    if (!exclude.contains(i) && !part.instances.empty()) master.instances.push_back(part.instances[0]);
    ShowNode(part, false);
  }
  ShowNode(master, true);
}

std::shared_ptr<Material> OwnMaterial(Objects3D& scene, const Node& node) {
  const std::shared_ptr<Primitive>& primitive = scene.GetMaterialPrimitive(node);
  std::shared_ptr<Material> material = scene.GetMaterial(primitive->material_index);
  size_t users = 0;
  for (const auto& other : scene.data.primitives) users += other->material == material;
  if (users <= 1) return material;
  auto own = std::make_shared<Material>(*material);
  scene.SetPrimitiveMaterial(primitive, own);
  return own;
}
