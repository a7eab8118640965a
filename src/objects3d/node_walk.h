#pragma once
// The walk over a scene's node tree that the draw passes, the shadow faces and the glow bounds
// share. Each node with instances is placed at every product of a parent matrix and one of its
// own (parent-major), its enabled children are walked before its own meshes, and every
// primitive of a visible mesh of a visible, enabled node is handed on with those matrices.
// A chain deeper than the tree's node count (a cycle) or than the walk allows ends the run.

#include <cstddef>
#include <vector>

#include <glm/glm.hpp>

#include "objects3d/primitive.h"

class Objects3D;
struct Node;

// What a walk hands each primitive to.
class NodeWalkVisitor {
 public:
  virtual ~NodeWalkVisitor() = default;
  // `world` holds the node's matrices under the walk's root; `weights` its morph weights.
  virtual void OnPrimitive(Primitive& primitive, const std::vector<glm::mat4>& world,
                           const std::vector<float>& weights) = 0;
  // True once nothing further can change the visitor's answer: no further node is entered.
  virtual bool Satisfied() const { return false; }
};

class NodeWalk {
 public:
  // Walks the scene's tree from its master node under `root`.
  void Run(Objects3D& scene, const glm::mat4& root, NodeWalkVisitor& visitor);
  // The same, with the master node's own matrices replaced by `master_instances`.
  void RunPlaced(Objects3D& scene, const glm::mat4& root,
                 const std::vector<glm::mat4>& master_instances, NodeWalkVisitor& visitor);

 private:
  void Enter(const Node& node, const std::vector<glm::mat4>& own,
             const std::vector<glm::mat4>& parents, size_t depth);
  void VisitMeshes(const Node& node, const std::vector<glm::mat4>& world);

  Objects3D* scene_ = nullptr;
  NodeWalkVisitor* visitor_ = nullptr;
  std::vector<glm::mat4> roots_;
  // One matrix list per depth, kept across runs so that the walk allocates only while the tree
  // and its instancing grow.
  std::vector<std::vector<glm::mat4>> scratch_;
};
