// Fuzzes the glTF loader (tinygltf's parse and our conversion to records). The first input byte
// picks what the rest is: even, the bytes of a ".glb"; odd, the text of a ".gltf" (buffers and
// pictures embedded as data URIs). The data layer is put in packed-file mode with no entries,
// so a file name in the input never reaches the disk. Every refused input must end in
// GltfError, never in a read outside a buffer or a crash; a loaded one must hold records whose
// indices point inside their lists, and its primitives go through the closed-solid test that
// every draw puts them through.

#include <cstdint>
#include <vector>

#include "fuzz_support.h"
#include "objects3d/closed_solid.h"
#include "objects3d/gltf_loader.h"
#include "util/data/data.h"

namespace {

void CheckRecords(const Objects3DData& data) {
  for (const auto& node : data.nodes) {
    for (uint32_t child : node->children) {
      if (child >= data.nodes.size()) __builtin_trap();
    }
    for (uint32_t mesh : node->meshes) {
      if (mesh >= data.meshes.size()) __builtin_trap();
    }
  }
  for (const auto& primitive : data.primitives) {
    if (!primitive->material) __builtin_trap();
    if (primitive->material_index >= data.materials.size()) __builtin_trap();
    for (uint32_t index : primitive->indices) {
      if (index >= primitive->VertexCount()) __builtin_trap();
    }
    IsClosedSolid(*primitive);
  }
  for (const auto& animation : data.animations) {
    for (const auto& channel : animation->channels) {
      if (channel->node < 0 || static_cast<size_t>(channel->node) >= data.nodes.size()) {
        __builtin_trap();
      }
      if (channel->values.size() != channel->times.size() * channel->stride) __builtin_trap();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  if (size == 0) return 0;
  ResetDataFileState();
  data_mode = DataMode::Read;
  const std::string path = (bytes[0] & 1) ? "fuzz/model.gltf" : "fuzz/model.glb";
  const std::vector<uint8_t> file(bytes + 1, bytes + size);
  Objects3DData data;
  try {
    LoadGltfRecords(path, file, data, bytes[0] & 2);
    CheckRecords(data);
  } catch (const GltfError&) {
  }
  return 0;
}
