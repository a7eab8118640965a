#pragma once
// A drawable vertex and index set: float streams on the CPU (each interleaved by its own
// component count, 0 meaning absent), an index list, morph targets and the material. The GPU
// mirror lives in `buffers` (objects3d/primitive_buffers.*, the draw side), made and filled at
// the first upload; `dirty` and `indices_dirty` say what must be uploaded again.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <glm/glm.hpp>

struct Material;
class PrimitiveBuffers;

// GL primitive modes (the values of GL_POINTS ... GL_TRIANGLE_FAN) kept without GL headers.
namespace PrimitiveMode {
enum : uint32_t {
  Points = 0,
  Lines = 1,
  LineLoop = 2,
  LineStrip = 3,
  Triangles = 4,
  TriangleStrip = 5,
  TriangleFan = 6,
};
}

// The most morph targets a primitive may have: the vertex layout has four slots each for
// target positions, normals and tangents.
constexpr uint32_t kMaxMorphTargets = 4;

struct MorphTarget {
  std::vector<float> positions;
  std::vector<float> normals;
  std::vector<float> tangents;
};

class Primitive {
 public:
  Primitive() = default;
  ~Primitive();
  // One GPU mirror per primitive: copies would share or lose it.
  Primitive(const Primitive&) = delete;
  Primitive& operator=(const Primitive&) = delete;

  // Bakes the matrix into the positions, and its inverse transpose into the normals and (the
  // xyz of) the tangents, which are normalised again; marks the streams for upload. Fatal
  // unless positions have 3 components.
  void Transform(const glm::mat4& matrix);

  // Number of vertices: position floats / position components (0 without positions).
  uint32_t VertexCount() const;

  std::string name;
  uint32_t index_components = 0;
  uint32_t position_components = 0;
  uint32_t normal_components = 0;
  uint32_t tangent_components = 0;
  uint32_t texcoord_components = 0;
  uint32_t color_components = 0;
  std::vector<uint32_t> indices;
  std::vector<float> positions;
  std::vector<float> normals;
  std::vector<float> tangents;
  std::vector<float> texcoords;
  std::vector<float> colors;
  std::vector<MorphTarget> morph_targets;
  uint32_t material_index = 0;
  std::shared_ptr<Material> material;

  // The GPU side; null until the first upload (made by the draw side).
  std::shared_ptr<PrimitiveBuffers> buffers;

  uint32_t draw_mode = PrimitiveMode::Triangles;
  uint8_t dirty = 1;          // vertex streams need uploading
  uint8_t indices_dirty = 1;  // index list needs uploading
  uint32_t draw_instance_count = 0;

  bool NeedsUpload() const { return dirty || indices_dirty; }
};

// The box of a primitive's positions in its own space; not valid when it has none.
struct PositionBox {
  glm::vec3 min{0.0f}, max{0.0f};
  bool valid = false;

  // Corner i takes max on the axes whose bit is set in i (x 1, y 2, z 4), min on the others.
  glm::vec3 Corner(int i) const;
};

PositionBox BoxOfPositions(const Primitive& primitive);
