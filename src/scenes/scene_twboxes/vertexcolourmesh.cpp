#include "scenes/scene_twboxes/vertexcolourmesh.h"

#include "util/helpers.h"

glm::vec3 VertexColourMesh::Position(size_t vertex) const {
  return {positions[vertex * 3], positions[vertex * 3 + 1], positions[vertex * 3 + 2]};
}

glm::vec4 VertexColourMesh::Colour(size_t vertex) const {
  return {colours[vertex * 4], colours[vertex * 4 + 1], colours[vertex * 4 + 2],
          colours[vertex * 4 + 3]};
}

void VertexColourMesh::Clear() {
  positions.clear();
  colours.clear();
}

void VertexColourMesh::AddVertex(const glm::vec3& position) {
  positions.insert(positions.end(), {position.x, position.y, position.z});
}

void VertexColourMesh::TransformFrom(size_t first, const glm::mat4& M) {
  for (size_t vertex = first; vertex < VertexCount(); ++vertex) {
    transform_vec3(M, positions, vertex * 3);
  }
}

void VertexColourMesh::ColourFrom(size_t first, const glm::vec4& colour) {
  colours.resize(first * 4);
  for (size_t vertex = first; vertex < VertexCount(); ++vertex) {
    colours.insert(colours.end(), {colour.r, colour.g, colour.b, colour.a});
  }
}
