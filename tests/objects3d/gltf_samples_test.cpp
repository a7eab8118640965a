// The shared sample models written by others: each loads as its file says or is refused with a
// message; none may crash. Files are read through the data layer from disk.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <iterator>

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
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "no sample models";
  Objects3DData data;
  LoadGltfRecords(path, GetFileBytes(path, "rb", false), data, false);
  // A quarter of the way from the first key to the second, worked out from the file's keys:
  // step holds the first key, linear blends (slerp for turns), the cubic spline follows the
  // key's tangents (flat for the scale, so it lags behind the linear blend).
  const struct {
    const char* name;
    AnimationInterpolation kind;
    glm::vec4 expected;  // x, y, z (and w of a turn)
  } cases[] = {
      {"Step Scale", AnimationInterpolation::Step, {1, 1, 1, 0}},
      {"Linear Scale", AnimationInterpolation::Linear, {0.875f, 0.875f, 0.875f, 0}},
      {"CubicSpline Scale", AnimationInterpolation::CubicSpline, {0.92188f, 0.92188f, 0.92188f, 0}},
      {"Step Rotation", AnimationInterpolation::Step, {0, 0, 0, 1}},
      {"CubicSpline Rotation", AnimationInterpolation::CubicSpline, {0, 0, -0.05721f, 0.99836f}},
      {"Linear Rotation", AnimationInterpolation::Linear, {0, 0, -0.09802f, 0.99518f}},
      {"Step Translation", AnimationInterpolation::Step, {0, 6.66523f, 0, 0}},
      {"CubicSpline Translation", AnimationInterpolation::CubicSpline, {3.30518f, 7.16510f, 0, 0}},
      {"Linear Translation", AnimationInterpolation::Linear, {-3.29758f, 7.46576f, 0, 0}},
  };
  ASSERT_EQ(data.animations.size(), std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].name);
    ASSERT_EQ(data.animations[i]->channels.size(), 1u);
    const AnimationChannel& channel = *data.animations[i]->channels[0];
    EXPECT_EQ(channel.interpolation, cases[i].kind);
    AnimationResult result;
    Animate(channel, channel.times[0] + 0.25f * (channel.times[1] - channel.times[0]), result);
    glm::vec4 got(0.0f);
    switch (channel.path) {
      case AnimationPathScale: got = glm::vec4(result.scale, 0); break;
      case AnimationPathTranslation: got = glm::vec4(result.translation, 0); break;
      case AnimationPathRotation:
        got = {result.rotation.x, result.rotation.y, result.rotation.z, result.rotation.w};
        break;
      default: ADD_FAILURE() << "unexpected path"; break;
    }
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(got[c], cases[i].expected[c], 2e-4) << "component " << c;
  }
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
