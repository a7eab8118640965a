// The shared sample models written by others: each loads as its file says or is refused with a
// message; none may crash. Files are read through the data layer from disk.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <set>

#include "objects3d/gltf_loader.h"
#include "objects3d/objects3d.h"
#include "util/data/data.h"

namespace {

const std::string kSamples = "/work/shared/testdata/gltf/";

struct Sample {
  const char* file;
  const char* refusal;  // null: loads
  size_t meshes;
  size_t animations;
};

const Sample kSampleFiles[] = {
    {"Box/glTF/Box.gltf", nullptr, 1, 0},
    {"Box/glTF-Binary/Box.glb", nullptr, 1, 0},
    {"AnimatedCube/glTF/AnimatedCube.gltf", nullptr, 1, 1},
    {"AnimatedMorphCube/glTF/AnimatedMorphCube.gltf", nullptr, 1, 1},
    {"AnimatedMorphCube/glTF-Binary/AnimatedMorphCube.glb", nullptr, 1, 1},
    {"BoxAnimated/glTF/BoxAnimated.gltf", nullptr, 2, 1},
    {"BoxAnimated/glTF-Binary/BoxAnimated.glb", nullptr, 2, 1},
    {"BoxInterleaved/glTF/BoxInterleaved.gltf", nullptr, 1, 0},
    {"BoxInterleaved/glTF-Binary/BoxInterleaved.glb", nullptr, 1, 0},
    {"InterpolationTest/glTF/InterpolationTest.gltf", nullptr, 10, 9},
    {"InterpolationTest/glTF-Binary/InterpolationTest.glb", nullptr, 10, 9},
    {"MetalRoughSpheresNoTextures/glTF/MetalRoughSpheresNoTextures.gltf", nullptr, 0, 0},
    {"MetalRoughSpheresNoTextures/glTF-Binary/MetalRoughSpheresNoTextures.glb", nullptr, 0, 0},
    {"MorphPrimitivesTest/glTF/MorphPrimitivesTest.gltf", nullptr, 1, 0},
    {"MorphPrimitivesTest/glTF-Binary/MorphPrimitivesTest.glb", nullptr, 1, 0},
    {"NormalTangentMirrorTest/glTF/NormalTangentMirrorTest.gltf", nullptr, 1, 0},
    {"NormalTangentMirrorTest/glTF-Binary/NormalTangentMirrorTest.glb", nullptr, 1, 0},
    {"SimpleMorph/glTF/SimpleMorph.gltf", nullptr, 1, 1},
    {"TextureSettingsTest/glTF/TextureSettingsTest.gltf", nullptr, 0, 0},
    {"TextureSettingsTest/glTF-Binary/TextureSettingsTest.glb", nullptr, 0, 0},
    {"Triangle/glTF/Triangle.gltf", nullptr, 1, 0},
    {"TriangleWithoutIndices/glTF/TriangleWithoutIndices.gltf",
     "GLTF Primitive indices is less than 0, don't know what to do", 0, 0},
    {"VertexColorTest/glTF/VertexColorTest.gltf", nullptr, 0, 0},
    {"VertexColorTest/glTF-Binary/VertexColorTest.glb", nullptr, 0, 0},
};

class GltfSamples : public ::testing::Test {
 protected:
  void SetUp() override { ResetDataFileState(); }
};

TEST_F(GltfSamples, EachLoadsOrIsRefusedWithItsMessage) {
  for (const Sample& sample : kSampleFiles) {
    const std::string path = kSamples + sample.file;
    if (!std::filesystem::exists(path)) continue;  // not every sample has every form
    Objects3DData data;
    try {
      LoadGltfRecords(path, GetFileBytes(path, "rb", false), data, false);
      EXPECT_EQ(sample.refusal, nullptr) << sample.file << " loaded";
      if (sample.meshes != 0) EXPECT_EQ(data.meshes.size(), sample.meshes) << sample.file;
      EXPECT_EQ(data.animations.size(), sample.animations) << sample.file;
      EXPECT_GT(data.nodes.size(), 1u) << sample.file;
    } catch (const GltfError& error) {
      ASSERT_NE(sample.refusal, nullptr) << sample.file << ": " << error.what();
      EXPECT_NE(std::string(error.what()).find(sample.refusal), std::string::npos) << error.what();
    }
  }
}

TEST_F(GltfSamples, InterpolationTestPlaysStepLinearAndCubic) {
  const std::string path = kSamples + "InterpolationTest/glTF/InterpolationTest.gltf";
  Objects3DData data;
  LoadGltfRecords(path, GetFileBytes(path, "rb", false), data, false);
  std::set<AnimationInterpolation> kinds;
  for (const auto& animation : data.animations) {
    for (const auto& channel : animation->channels) {
      kinds.insert(channel->interpolation);
      // Halfway between the first two keys every channel gives finite values.
      AnimationResult result;
      const float t = (channel->times[0] + channel->times[1]) / 2;
      Animate(*channel, t, result);
      result.ComposeMatrix();
      for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) EXPECT_TRUE(std::isfinite(result.matrix[c][r]));
      }
    }
  }
  EXPECT_EQ(kinds.size(), 3u);
}

}  // namespace

namespace {

// The production's own models (made by tools/generate-data.sh) all load, with meshes and
// materials for every primitive.
TEST_F(GltfSamples, EveryProductionModelLoads) {
  if (!std::filesystem::exists("data/models")) GTEST_SKIP() << "generated models missing";
  int loaded = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator("data/models")) {
    const std::string extension = entry.path().extension().string();
    if (extension != ".gltf" && extension != ".glb") continue;
    const std::string path = entry.path().generic_string();
    Objects3DData data;
    try {
      LoadGltfRecords(path, GetFileBytes(path, "rb", false), data, true);
    } catch (const GltfError& error) {
      ADD_FAILURE() << error.what();
      continue;
    }
    EXPECT_FALSE(data.meshes.empty()) << path;
    for (const auto& primitive : data.primitives) EXPECT_TRUE(primitive->material) << path;
    ++loaded;
  }
  EXPECT_GT(loaded, 0);
}

}  // namespace
