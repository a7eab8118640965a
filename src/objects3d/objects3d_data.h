#pragma once
// The contents of one 3D scene. Records are only appended, never removed, and refer to each
// other by index into these lists; node 0 is the master node, the root of the tree.

#include <memory>
#include <vector>

#include "objects3d/animation.h"
#include "objects3d/material.h"
#include "objects3d/mesh.h"
#include "objects3d/node.h"
#include "objects3d/primitive.h"

class Camera;
class Light;

struct Objects3DData {
  std::vector<std::shared_ptr<Camera>> cameras;
  std::vector<std::shared_ptr<Light>> lights;
  std::vector<std::shared_ptr<Material>> materials;
  std::vector<std::shared_ptr<Primitive>> primitives;
  std::vector<std::unique_ptr<Mesh>> meshes;
  std::vector<std::unique_ptr<Node>> nodes;
  std::vector<std::unique_ptr<Animation>> animations;
};
