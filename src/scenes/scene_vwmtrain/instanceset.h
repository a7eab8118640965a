#pragma once
// The copies of one node an element draws in a frame: one matrix per copy and, for elements
// that colour their copies, one base colour and one emission per copy in step with the
// matrices. The stage code copies these into the node's instance list and its material's
// per-instance lists.

#include <vector>

#include <glm/glm.hpp>

struct InstanceSet {
  std::vector<glm::mat4> matrices;
  std::vector<glm::vec4> base_colors;
  std::vector<glm::vec3> emissions;

  void Add(const glm::mat4& matrix) { matrices.push_back(matrix); }
  void Add(const glm::mat4& matrix, const glm::vec4& base_color, const glm::vec3& emission) {
    matrices.push_back(matrix);
    base_colors.push_back(base_color);
    emissions.push_back(emission);
  }
  size_t size() const { return matrices.size(); }
};
