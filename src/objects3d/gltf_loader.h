#pragma once
// The glTF 2.0 loader: ".gltf" (JSON with its buffers and images) and ".glb" files become
// records of an Objects3DData: materials with decoded pictures, meshes with primitives and
// morph targets, nodes under the master node, node animations. Parsing is tinygltf's; every
// file it needs goes through the data file layer, so the packed data file serves them too.
//
// LoadGltfRecords is the whole conversion: bytes in, records out, no GL. Every index and byte
// range of the file is checked before use; any fault throws GltfError naming the file and the
// element, and nothing is appended to the data then. GLTF_Loader is the program's entry: it
// reads the file and turns a GltfError into the fatal exit.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "objects3d/objects3d_data.h"

// Deepest node tree a file may hold; the tree walks of drawing and measuring recurse per level.
constexpr int64_t kMaxGltfNodeDepth = 1000;

struct GltfError : std::runtime_error {
  explicit GltfError(const std::string& text) : std::runtime_error(text) {}
};

// Appends the file's records to data. `path` names the file in messages and node names and
// locates the files a ".gltf" refers to; its extension (".gltf" or ".glb", case as written)
// says how to read the bytes. With prefix, the file's root nodes hang under a model node named
// after the file stem. Throws GltfError; data is left as it was on failure.
void LoadGltfRecords(const std::string& path, const std::vector<uint8_t>& bytes,
                     Objects3DData& data, bool prefix);

// A node name not yet used in data: `wanted`, else wanted-1, wanted-2, ...
std::string MakeUniqueNodeName(const Objects3DData& data, const std::string& wanted);

class GLTF_Loader {
 public:
  // Reads the file through the data layer and loads it; every failure is fatal.
  GLTF_Loader(const std::string& path, Objects3DData& data, bool prefix);
};
