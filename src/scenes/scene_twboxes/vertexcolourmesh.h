#pragma once
// Vertices with a colour each, built on the CPU every frame: three position floats and four
// colour floats (red, green, blue, alpha) per vertex, in two parallel arrays ready to upload.

#include <cstddef>
#include <vector>

#include <glm/glm.hpp>

struct VertexColourMesh {
  std::vector<float> positions;
  std::vector<float> colours;

  size_t VertexCount() const { return positions.size() / 3; }
  glm::vec3 Position(size_t vertex) const;
  glm::vec4 Colour(size_t vertex) const;
  void Clear();
  void AddVertex(const glm::vec3& position);
  // Transforms the positions of the vertices from `first` on by M (w = 1).
  void TransformFrom(size_t first, const glm::mat4& M);
  // Gives the vertices from `first` on the same colour.
  void ColourFrom(size_t first, const glm::vec4& colour);
};
