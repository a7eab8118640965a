#include "scenes/scene_cubeformers/cubedetail.h"

#include <limits>
#include <memory>

#include "objects3d/objects3d.h"
#include "util/helpers.h"

namespace {

void Clear(CubeInstances& cubes) {
  cubes.matrices.clear();
  cubes.emissions.clear();
}

void MoveAll(CubeInstances& from, CubeInstances& to) {
  to.matrices.insert(to.matrices.end(), from.matrices.begin(), from.matrices.end());
  to.emissions.insert(to.emissions.end(), from.emissions.begin(), from.emissions.end());
  Clear(from);
}

}  // namespace

float PixelsAtUnitDepth(const glm::mat4& projection, uint32_t height) {
  return projection[1][1] * 0.5f * static_cast<float>(height);
}

// The view depth is the distance along the view axis: off the axis a sphere's picture is, if
// anything, taller than at the centre, so measuring by depth rather than by distance errs on
// the detailed side.
float ProjectedPixels(const ScreenScale& screen, const glm::vec3& centre, float radius) {
  const float depth = -(screen.view * glm::vec4(centre, 1.0f)).z;
  if (depth <= radius) return std::numeric_limits<float>::infinity();
  return 2.0f * radius * screen.pixels_at_unit_depth / depth;
}

void SplitByScreenSize(const ScreenScale& screen, float radius,
                       const CubeDetailThresholds& thresholds, const CubeInstances& all,
                       std::array<CubeInstances, kCubeDetailLevels>& levels) {
  for (CubeInstances& level : levels) Clear(level);
  for (size_t i = 0; i < all.matrices.size(); ++i) {
    const glm::mat4& m = all.matrices[i];
    const float pixels = ProjectedPixels(screen, glm::vec3(m[3]), radius * LargestAxisScale(m));
    size_t level = 0;
    while (level < thresholds.size() && pixels < thresholds[level]) ++level;
    levels[level].matrices.push_back(m);
    levels[level].emissions.push_back(all.emissions[i]);
  }
}

void KeepLevelsInstanced(std::array<CubeInstances, kCubeDetailLevels>& levels) {
  for (size_t level = levels.size() - 1; level > 0; --level) {
    if (levels[level].matrices.size() == 1) MoveAll(levels[level], levels[level - 1]);
  }
  if (levels[0].matrices.size() != 1) return;
  for (size_t level = 1; level < levels.size(); ++level) {
    CubeInstances& from = levels[level];
    if (from.matrices.empty()) continue;
    // Every coarser level holds two cubes or more now: one joins the lone cube, and a last one
    // left behind follows it.
    levels[0].matrices.push_back(from.matrices.back());
    levels[0].emissions.push_back(from.emissions.back());
    from.matrices.pop_back();
    from.emissions.pop_back();
    if (from.matrices.size() == 1) MoveAll(from, levels[0]);
    return;
  }
}

uint32_t AddCubeShapeNode(Objects3D& model, Objects3D& shape) {
  Node& master = model.GetMasterNode();
  const std::shared_ptr<Material> material =
      std::make_shared<Material>(*model.GetMaterial(model.GetNode(master.children.at(0))));
  const std::shared_ptr<Primitive>& primitive = shape.GetMaterialPrimitive(shape.GetMasterNode());
  return model.AddPrimitive(primitive, material, &master).index;
}
