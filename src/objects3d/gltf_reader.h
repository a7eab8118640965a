#pragma once
// Checked access to a parsed glTF model for the loader: every index is tested against its list
// and every accessor's bytes against its buffer view and buffer before anything is read, and
// streams come out de-interleaved with the component count of the accessor's type. Failures
// throw GltfError with the file and the element named.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <tiny_gltf.h>

#include "objects3d/gltf_loader.h"

// Floats of one accessor, element after element, `components` a piece.
struct GltfFloats {
  std::vector<float> values;
  uint32_t components = 0;
  size_t count = 0;  // elements
};

class GltfReader {
 public:
  GltfReader(const tinygltf::Model& model, const std::string& path) : model_(model), path_(path) {}

  // Throws GltfError "{file}: {what} {index} is out of range (0-{count - 1})" unless index is a
  // position in a list of `count` entries.
  void CheckIndex(const char* what, int64_t index, size_t count) const;
  [[noreturn]] void Fail(const std::string& text) const;

  // Float accessors (normalised integer accessors are scaled to 0..1 or -1..1 as the format
  // defines; other integer types are refused).
  GltfFloats ReadFloats(int accessor_index) const;
  // Integer accessors of one component (indices).
  std::vector<uint32_t> ReadIndices(int accessor_index) const;
  // Components per element of the accessor's type (VEC3 gives 3); refused when unknown.
  uint32_t Components(int accessor_index) const;
  const tinygltf::Accessor& Accessor(int accessor_index) const;

  const std::string& path() const { return path_; }

 private:
  struct Layout {
    const uint8_t* first = nullptr;  // first byte of element 0
    size_t stride = 0;               // bytes from one element to the next
    size_t count = 0;
    uint32_t components = 0;
    uint32_t component_size = 0;
  };
  // Checks the accessor's view and byte range; the layout of its elements.
  Layout CheckedLayout(int accessor_index) const;

  const tinygltf::Model& model_;
  std::string path_;
};

// Bytes per component of a glTF component type, 0 when unknown.
uint32_t GltfComponentSize(int component_type);
