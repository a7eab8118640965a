#include "objects3d/node_walk.h"

#include "objects3d/mesh.h"
#include "objects3d/node.h"
#include "objects3d/objects3d.h"
#include "objects3d/primitive.h"
#include "system/log.h"

namespace {

// World list of a node from its parents' list and its own instances, parent-major.
void CombineInstances(const std::vector<glm::mat4>& parents, const std::vector<glm::mat4>& own,
                      std::vector<glm::mat4>& out) {
  out.clear();
  for (const glm::mat4& p : parents) {
    for (const glm::mat4& n : own) out.push_back(p * n);
  }
}

}  // namespace

void NodeWalk::Run(Objects3D& scene, const glm::mat4& root, NodeWalkVisitor& visitor) {
  const Node& master = scene.GetMasterNode();
  RunPlaced(scene, root, master.instances, visitor);
}

void NodeWalk::RunPlaced(Objects3D& scene, const glm::mat4& root,
                         const std::vector<glm::mat4>& master_instances,
                         NodeWalkVisitor& visitor) {
  scene_ = &scene;
  visitor_ = &visitor;
  roots_.assign(1, root);
  // One list per possible depth up front: growing the stack during the walk would move the
  // lists the callers up the tree are still reading.
  if (scratch_.size() < scene.data.nodes.size() + 1) scratch_.resize(scene.data.nodes.size() + 1);
  Enter(scene.GetMasterNode(), master_instances, roots_, 0);
}

void NodeWalk::Enter(const Node& node, const std::vector<glm::mat4>& own,
                     const std::vector<glm::mat4>& parents, size_t depth) {
  if (own.empty() || visitor_->Satisfied()) return;
  // Also keeps the depth inside the scratch lists, one per possible depth.
  RequireNodeWalkDepth(scene_->data.nodes.size(), node, depth);
  if (parents.empty()) ExitMsg(__FILE__, __LINE__, "Assert failed");
  std::vector<glm::mat4>& world = scratch_[depth];
  CombineInstances(parents, own, world);
  if (node.enabled) {
    for (const uint32_t child : node.children) {
      const Node& next = scene_->GetNode(child);
      Enter(next, next.instances, world, depth + 1);
    }
  }
  if (node.visible && node.enabled) VisitMeshes(node, world);
}

void NodeWalk::VisitMeshes(const Node& node, const std::vector<glm::mat4>& world) {
  for (const uint32_t mesh_index : node.meshes) {
    const Mesh& mesh = scene_->GetMesh(mesh_index);
    if (mesh.primitive_indices.size() != mesh.primitives.size()) {
      ExitMsg(__FILE__, __LINE__, "Primitive indexes size doesn't match primitives size");
    }
    if (!mesh.visible) continue;
    const std::vector<float>& weights = node.weights.empty() ? mesh.weights : node.weights;
    for (const auto& primitive : mesh.primitives) visitor_->OnPrimitive(*primitive, world, weights);
  }
}
