// Every generated model parses with the tinygltf the player's loader is built on, without errors
// or warnings, and keeps the shape the loader takes: one scene, indexed triangles with a
// material, only the attributes it reads.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <tiny_gltf.h>

namespace {

std::vector<std::filesystem::path> Models() {
  std::vector<std::filesystem::path> models;
  for (const auto& entry : std::filesystem::recursive_directory_iterator("data/models")) {
    const std::string ext = entry.path().extension().string();
    if (ext == ".gltf" || ext == ".glb") models.push_back(entry.path());
  }
  return models;
}

}  // namespace

TEST(GeneratedModels, ParseWithTinygltf) {
  ASSERT_TRUE(std::filesystem::exists("data/models/vorantil/cube_flat/cube_flat.glb"))
      << "run tools/generate-data.sh";
  const std::set<std::string> readable = {"POSITION", "NORMAL", "TEXCOORD_0", "COLOR_0", "TANGENT"};
  for (const auto& path : Models()) {
    SCOPED_TRACE(path.string());
    tinygltf::TinyGLTF gltf;
    tinygltf::Model model;
    std::string error, warning;
    const bool loaded = path.extension() == ".glb"
                            ? gltf.LoadBinaryFromFile(&model, &error, &warning, path.string())
                            : gltf.LoadASCIIFromFile(&model, &error, &warning, path.string());
    ASSERT_TRUE(loaded) << error;
    EXPECT_EQ(error, "");
    EXPECT_EQ(warning, "");
    EXPECT_LE(model.scenes.size(), 1u);
    EXPECT_TRUE(model.cameras.empty());
    for (const auto& mesh : model.meshes) {
      for (const auto& primitive : mesh.primitives) {
        EXPECT_GE(primitive.indices, 0) << mesh.name;
        EXPECT_GE(primitive.material, 0) << mesh.name;
        EXPECT_EQ(primitive.mode, TINYGLTF_MODE_TRIANGLES) << mesh.name;
        for (const auto& [name, accessor] : primitive.attributes) {
          EXPECT_TRUE(readable.count(name)) << mesh.name << " " << name;
          EXPECT_EQ(model.accessors[accessor].componentType, TINYGLTF_COMPONENT_TYPE_FLOAT);
        }
      }
    }
  }
}
