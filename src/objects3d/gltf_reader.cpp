#include "objects3d/gltf_reader.h"

#include <algorithm>
#include <cstring>
#include <fmt/format.h>

uint32_t GltfComponentSize(int component_type) {
  switch (component_type) {
    case TINYGLTF_COMPONENT_TYPE_BYTE:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE:
      return 1;
    case TINYGLTF_COMPONENT_TYPE_SHORT:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT:
      return 2;
    case TINYGLTF_COMPONENT_TYPE_INT:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT:
    case TINYGLTF_COMPONENT_TYPE_FLOAT:
      return 4;
    case TINYGLTF_COMPONENT_TYPE_DOUBLE:
      return 8;
    default:
      return 0;
  }
}

void GltfReader::Fail(const std::string& text) const {
  throw GltfError(fmt::format("{}: {}", path_, text));
}

void GltfReader::CheckIndex(const char* what, int64_t index, size_t count) const {
  if (index < 0 || static_cast<uint64_t>(index) >= count) {
    if (count == 0) Fail(fmt::format("{} {} is out of range (the file has none)", what, index));
    Fail(fmt::format("{} {} is out of range (0-{})", what, index, count - 1));
  }
}

const tinygltf::Accessor& GltfReader::Accessor(int accessor_index) const {
  CheckIndex("accessor", accessor_index, model_.accessors.size());
  return model_.accessors[accessor_index];
}

uint32_t GltfReader::Components(int accessor_index) const {
  const tinygltf::Accessor& accessor = Accessor(accessor_index);
  switch (accessor.type) {
    case TINYGLTF_TYPE_SCALAR: return 1;
    case TINYGLTF_TYPE_VEC2: return 2;
    case TINYGLTF_TYPE_VEC3: return 3;
    case TINYGLTF_TYPE_VEC4: return 4;
    case TINYGLTF_TYPE_MAT2: return 4;
    case TINYGLTF_TYPE_MAT3: return 9;
    case TINYGLTF_TYPE_MAT4: return 16;
    default:
      Fail(fmt::format("accessor {} has an unknown type {}", accessor_index, accessor.type));
  }
}

GltfReader::Layout GltfReader::CheckedLayout(int accessor_index) const {
  const tinygltf::Accessor& accessor = Accessor(accessor_index);
  if (accessor.sparse.isSparse) Fail("Panic! Sparse accessor, no clue what that means");
  if (accessor.bufferView < 0) Fail(fmt::format("accessor {} has no buffer view", accessor_index));
  CheckIndex("buffer view", accessor.bufferView, model_.bufferViews.size());
  const tinygltf::BufferView& view = model_.bufferViews[accessor.bufferView];
  CheckIndex("buffer", view.buffer, model_.buffers.size());
  const std::vector<unsigned char>& buffer = model_.buffers[view.buffer].data;

  Layout layout;
  layout.components = Components(accessor_index);
  layout.component_size = GltfComponentSize(accessor.componentType);
  if (layout.component_size == 0) {
    Fail(fmt::format("Unknown GLTF component type {} (accessor {})", accessor.componentType,
                     accessor_index));
  }
  const size_t element_size = size_t{layout.components} * layout.component_size;
  layout.stride = view.byteStride != 0 ? view.byteStride : element_size;
  if (layout.stride < element_size) {
    Fail(fmt::format("accessor {}: byte stride {} of buffer view {} is below the element size {}",
                     accessor_index, layout.stride, accessor.bufferView, element_size));
  }
  // Written as comparisons of sizes already known to fit, so that large offsets cannot wrap.
  if (view.byteLength > buffer.size() || view.byteOffset > buffer.size() - view.byteLength) {
    Fail(fmt::format("buffer view {} (offset {}, length {}) lies outside buffer {} of {} bytes",
                     accessor.bufferView, view.byteOffset, view.byteLength, view.buffer,
                     buffer.size()));
  }
  layout.count = accessor.count;
  if (layout.count > 0) {
    const bool fits = accessor.byteOffset <= view.byteLength &&
                      element_size <= view.byteLength - accessor.byteOffset &&
                      (layout.count - 1) <=
                          (view.byteLength - accessor.byteOffset - element_size) / layout.stride;
    if (!fits) {
      Fail(fmt::format("accessor {} ({} elements of {} bytes, stride {}, offset {}) lies outside "
                       "buffer view {} of {} bytes",
                       accessor_index, layout.count, element_size, layout.stride,
                       accessor.byteOffset, accessor.bufferView, view.byteLength));
    }
    layout.first = buffer.data() + view.byteOffset + accessor.byteOffset;
  }
  return layout;
}

namespace {

template <typename T>
T ReadValue(const uint8_t* bytes) {
  T value;
  std::memcpy(&value, bytes, sizeof(T));
  return value;
}

// One component as a float: floats and doubles as they are, normalised integers scaled.
float ComponentAsFloat(const uint8_t* bytes, int component_type) {
  switch (component_type) {
    case TINYGLTF_COMPONENT_TYPE_FLOAT: return ReadValue<float>(bytes);
    case TINYGLTF_COMPONENT_TYPE_DOUBLE: return static_cast<float>(ReadValue<double>(bytes));
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE: return ReadValue<uint8_t>(bytes) / 255.0f;
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT: return ReadValue<uint16_t>(bytes) / 65535.0f;
    case TINYGLTF_COMPONENT_TYPE_BYTE:
      return std::max(ReadValue<int8_t>(bytes) / 127.0f, -1.0f);
    case TINYGLTF_COMPONENT_TYPE_SHORT:
      return std::max(ReadValue<int16_t>(bytes) / 32767.0f, -1.0f);
    default: return 0.0f;
  }
}

}  // namespace

GltfFloats GltfReader::ReadFloats(int accessor_index) const {
  const Layout layout = CheckedLayout(accessor_index);
  const tinygltf::Accessor& accessor = model_.accessors[accessor_index];
  const int type = accessor.componentType;
  const bool is_float = type == TINYGLTF_COMPONENT_TYPE_FLOAT || type == TINYGLTF_COMPONENT_TYPE_DOUBLE;
  const bool normalized_integer = accessor.normalized && type != TINYGLTF_COMPONENT_TYPE_INT &&
                                  type != TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT && !is_float;
  if (!is_float && !normalized_integer) {
    Fail(fmt::format("GLTF refusing to cast integer type vector to floats (accessor {})",
                     accessor_index));
  }
  GltfFloats out;
  out.components = layout.components;
  out.count = layout.count;
  out.values.resize(layout.count * layout.components);
  float* target = out.values.data();
  if (type == TINYGLTF_COMPONENT_TYPE_FLOAT && layout.stride == size_t{layout.components} * 4) {
    if (!out.values.empty()) std::memcpy(target, layout.first, out.values.size() * sizeof(float));
    return out;
  }
  for (size_t i = 0; i < layout.count; ++i) {
    const uint8_t* element = layout.first + i * layout.stride;
    for (uint32_t c = 0; c < layout.components; ++c) {
      *target++ = ComponentAsFloat(element + c * layout.component_size, type);
    }
  }
  return out;
}

std::vector<uint32_t> GltfReader::ReadIndices(int accessor_index) const {
  const Layout layout = CheckedLayout(accessor_index);
  const int type = model_.accessors[accessor_index].componentType;
  if (type == TINYGLTF_COMPONENT_TYPE_FLOAT || type == TINYGLTF_COMPONENT_TYPE_DOUBLE) {
    Fail(fmt::format("GLTF refusing to cast floating points to integers (accessor {})",
                     accessor_index));
  }
  if (layout.components != 1) {
    Fail(fmt::format("GLTF indices have unexpected stride {} (accessor {})", layout.components,
                     accessor_index));
  }
  std::vector<uint32_t> out(layout.count);
  for (size_t i = 0; i < layout.count; ++i) {
    const uint8_t* element = layout.first + i * layout.stride;
    switch (layout.component_size) {
      case 1: out[i] = ReadValue<uint8_t>(element); break;
      case 2: out[i] = ReadValue<uint16_t>(element); break;
      default: out[i] = ReadValue<uint32_t>(element); break;
    }
  }
  return out;
}
