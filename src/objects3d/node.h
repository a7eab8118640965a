#pragma once
// One node of a scene's tree: children and meshes by index, morph weights, and its local
// matrices, one per instance. Loaded nodes also keep the rest translation, rotation and scale
// of the file, so that an animation channel replaces only its own component.

#include <cstdint>
#include <string>
#include <vector>

#include <glm/glm.hpp>
#include <glm/gtc/quaternion.hpp>

struct Node {
  // Overwrites instance 0, or appends it when the node has none.
  void SetMatrix(const glm::mat4& matrix);

  uint8_t visible = 1;  // the node's own meshes are drawn
  uint8_t enabled = 1;  // the node and its subtree take part in drawing and bounding boxes
  std::string name;
  uint32_t index = 0;
  std::vector<uint32_t> children;
  std::vector<uint32_t> meshes;
  std::vector<float> weights;
  int32_t parent = -1;
  std::vector<glm::mat4> instances{glm::mat4(1.0f)};

  // Rest pose: instance 0 is translate x rotate x scale of these unless the file gave a matrix
  // that does not split into them.
  glm::vec3 rest_translation{0.0f};
  glm::quat rest_rotation{1.0f, 0.0f, 0.0f, 0.0f};
  glm::vec3 rest_scale{1.0f};
};
