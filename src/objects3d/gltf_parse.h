#pragma once
// tinygltf's parse of a file's bytes with the program's own callbacks: every file a ".gltf" or
// ".glb" refers to is read through the data file layer, pictures are decoded by tinygltf's
// decoder after a size check, and a ".glb" container is checked before tinygltf reads it.

#include <cstdint>
#include <string>
#include <vector>

#include <tiny_gltf.h>

// Largest picture the loader decodes: 16384 on a side and 64 M pixels (256 MB as RGBA).
constexpr int kMaxGltfImageSide = 16384;
constexpr int64_t kMaxGltfImagePixels = int64_t{64} * 1024 * 1024;

// Throws GltfError unless the bytes are a GLB 2 container whose chunks lie inside the file.
void CheckGlbContainer(const std::string& path, const std::vector<uint8_t>& bytes);

// Parses ".glb" bytes or ".gltf" text (files it names are looked up beside `path`). Returns
// tinygltf's result with its error and warning texts; throws GltfError for an extension other
// than ".gltf" and ".glb" (compared as written) and for a broken GLB container.
bool ParseGltfModel(const std::string& path, const std::vector<uint8_t>& bytes,
                    tinygltf::Model& model, std::string& error, std::string& warning);
