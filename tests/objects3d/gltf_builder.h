#pragma once
// Small glTF files made in tests: one binary buffer (embedded as a data URI, or as the BIN
// chunk of a GLB) that accessors are appended to, and the JSON document to fill in.

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

class GltfBuilder {
 public:
  GltfBuilder();

  // Appends the values as a new buffer view and an accessor over it; returns the accessor.
  int AddFloats(const std::vector<float>& values, const std::string& type);
  int AddIndices(const std::vector<uint16_t>& values);
  // Raw bytes as a buffer view (for interleaved or odd layouts); returns the view.
  int AddView(const std::vector<uint8_t>& bytes, int byte_stride = 0);
  int AddAccessor(int view, int component_type, size_t count, const std::string& type,
                  size_t byte_offset = 0, bool normalized = false);

  // A triangle mesh (positions, indices 0 1 2) with an optional material; returns the mesh.
  int AddTriangleMesh(int material = -1);
  int AddNode(nlohmann::json node);

  // The ".gltf" text with the buffer embedded, or the ".glb" bytes.
  std::string Gltf() const;
  std::vector<uint8_t> Glb() const;
  std::vector<uint8_t> GltfBytes() const;

  nlohmann::json doc;
  std::vector<uint8_t> buffer;
};

std::string Base64(const std::vector<uint8_t>& bytes);
