#include "objects3d/node.h"

void Node::SetMatrix(const glm::mat4& matrix) {
  if (instances.empty()) {
    instances.push_back(matrix);
  } else {
    instances[0] = matrix;
  }
}
