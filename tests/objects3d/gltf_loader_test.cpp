#include "objects3d/gltf_loader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include <glm/gtc/matrix_transform.hpp>

#include "gltf_builder.h"

namespace {

using nlohmann::json;

// A 1 x 1 RGB PNG (red).
const std::vector<uint8_t> kRedPng = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44,
    0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x02, 0x00, 0x00, 0x00, 0x90,
    0x77, 0x53, 0xDE, 0x00, 0x00, 0x00, 0x0C, 0x49, 0x44, 0x41, 0x54, 0x08, 0xD7, 0x63, 0xF8,
    0xCF, 0xC0, 0x00, 0x00, 0x03, 0x01, 0x01, 0x00, 0x18, 0xDD, 0x8D, 0xB0, 0x00, 0x00, 0x00,
    0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};

std::vector<uint8_t> FloatBytes(const std::vector<float>& values) {
  std::vector<uint8_t> bytes(values.size() * 4);
  std::memcpy(bytes.data(), values.data(), bytes.size());
  return bytes;
}

// One node drawing one triangle.
GltfBuilder TriangleFile(int material = -1) {
  GltfBuilder file;
  const int mesh = file.AddTriangleMesh(material);
  file.doc["scenes"][0]["nodes"].push_back(file.AddNode({{"name", "tri"}, {"mesh", mesh}}));
  return file;
}

// One animation with one sampler and one channel aimed at node 0.
json AnimationJson(int input, int output, const std::string& path, const std::string& interpolation) {
  json sampler = {{"input", input}, {"output", output}, {"interpolation", interpolation}};
  json target = {{"node", 0}, {"path", path}};
  json channel = {{"sampler", 0}, {"target", target}};
  return {{"samplers", json::array({sampler})}, {"channels", json::array({channel})}};
}

void Load(Objects3DData& data, const GltfBuilder& file, const std::string& path = "m/model.gltf",
          bool prefix = false) {
  LoadGltfRecords(path, file.GltfBytes(), data, prefix);
}

TEST(GltfLoader, TriangleBecomesMasterNodeMeshPrimitiveAndDefaultMaterial) {
  Objects3DData data;
  Load(data, TriangleFile());
  ASSERT_EQ(data.nodes.size(), 2u);
  EXPECT_EQ(data.nodes[0]->name, "Master node");
  EXPECT_EQ(data.nodes[0]->children, std::vector<uint32_t>{1});
  EXPECT_EQ(data.nodes[1]->name, "model-tri");
  EXPECT_EQ(data.nodes[1]->parent, 0);
  EXPECT_EQ(data.nodes[1]->meshes, std::vector<uint32_t>{0});
  ASSERT_EQ(data.primitives.size(), 1u);
  const Primitive& primitive = *data.primitives[0];
  EXPECT_EQ(primitive.positions, (std::vector<float>{0, 0, 0, 1, 0, 0, 0, 1, 0}));
  EXPECT_EQ(primitive.indices, (std::vector<uint32_t>{0, 1, 2}));
  EXPECT_EQ(primitive.position_components, 3u);
  EXPECT_EQ(primitive.index_components, 1u);
  // No material in the file: one default material made for this load.
  ASSERT_EQ(data.materials.size(), 1u);
  EXPECT_EQ(primitive.material, data.materials[0]);
  EXPECT_EQ(data.materials[0]->name, "m/model.gltf_default_material");
}

TEST(GltfLoader, GlbAndEmbeddedGltfGiveTheSameRecords) {
  GltfBuilder file = TriangleFile();
  Objects3DData from_text, from_binary;
  Load(from_text, file);
  LoadGltfRecords("m/model.glb", file.Glb(), from_binary, false);
  ASSERT_EQ(from_binary.primitives.size(), 1u);
  EXPECT_EQ(from_binary.primitives[0]->positions, from_text.primitives[0]->positions);
  EXPECT_EQ(from_binary.nodes[1]->name, from_text.nodes[1]->name);
}

TEST(GltfLoader, SecondLoadOffsetsIndicesAndSuffixesNames) {
  GltfBuilder file;
  file.doc["materials"] = {{{"name", "paint"}}};
  const int mesh = file.AddTriangleMesh(0);
  const int child = file.AddNode({{"name", "child"}, {"mesh", mesh}});
  file.AddNode({{"name", "root"}, {"children", {child}}});
  Objects3DData data;
  Load(data, file);
  Load(data, file);
  ASSERT_EQ(data.nodes.size(), 5u);
  EXPECT_EQ(data.nodes[3]->name, "model-child-1");
  EXPECT_EQ(data.nodes[4]->name, "model-root-1");
  EXPECT_EQ(data.nodes[4]->children, std::vector<uint32_t>{3});
  EXPECT_EQ(data.nodes[3]->parent, 4);
  EXPECT_EQ(data.nodes[3]->meshes, std::vector<uint32_t>{1});
  EXPECT_EQ(data.meshes[1]->primitive_indices, std::vector<uint32_t>{1});
  EXPECT_EQ(data.primitives[1]->material_index, 1u);
  EXPECT_EQ(data.primitives[1]->material, data.materials[1]);
  EXPECT_EQ(data.nodes[0]->children, (std::vector<uint32_t>{2, 4}));
}

TEST(GltfLoader, PrefixHangsTheFileUnderAModelNode) {
  Objects3DData data;
  Load(data, TriangleFile(), "dir/thing.gltf", true);
  ASSERT_EQ(data.nodes.size(), 3u);
  EXPECT_EQ(data.nodes[1]->name, "thing");
  EXPECT_EQ(data.nodes[0]->children, std::vector<uint32_t>{1});
  EXPECT_EQ(data.nodes[1]->children, std::vector<uint32_t>{2});
  EXPECT_EQ(data.nodes[2]->parent, 1);
}

TEST(GltfLoader, UnnamedNodeIsNamedAfterStemAndNodeCount) {
  GltfBuilder file;
  file.AddNode(json::object());
  Objects3DData data;
  Load(data, file);
  EXPECT_EQ(data.nodes[1]->name, "model-1");
}

TEST(GltfLoader, NodeMatrixIsTranslateRotateScale) {
  GltfBuilder file;
  file.AddNode({{"translation", {1, 2, 3}},
                {"rotation", {0, 0.7071068, 0, 0.7071068}},
                {"scale", {2, 2, 2}}});
  Objects3DData data;
  Load(data, file);
  const glm::mat4 expected =
      glm::scale(glm::rotate(glm::translate(glm::mat4(1), {1, 2, 3}), glm::radians(90.0f), {0, 1, 0}),
                 {2, 2, 2});
  const glm::mat4& m = data.nodes[1]->instances[0];
  for (int c = 0; c < 4; ++c) {
    for (int r = 0; r < 4; ++r) EXPECT_NEAR(m[c][r], expected[c][r], 1e-5) << c << "," << r;
  }
  EXPECT_EQ(data.nodes[1]->rest_translation, glm::vec3(1, 2, 3));
  EXPECT_EQ(data.nodes[1]->rest_scale, glm::vec3(2, 2, 2));
}

TEST(GltfLoader, Vec4TangentsKeepTheirHandedness) {
  GltfBuilder file = TriangleFile();
  const int tangents = file.AddFloats({1, 0, 0, -1, 0, 1, 0, 1, 0, 0, 1, -1}, "VEC4");
  file.doc["meshes"][0]["primitives"][0]["attributes"]["TANGENT"] = tangents;
  Objects3DData data;
  Load(data, file);
  EXPECT_EQ(data.primitives[0]->tangent_components, 4u);
  EXPECT_EQ(data.primitives[0]->tangents, (std::vector<float>{1, 0, 0, -1, 0, 1, 0, 1, 0, 0, 1, -1}));
}

TEST(GltfLoader, InterleavedStreamsAreSplitByAccessorType) {
  // Position (3 floats) and a texture coordinate (2 floats) interleaved with a 4-byte gap:
  // 24 bytes a vertex. The stride never reaches the component counts.
  std::vector<float> interleaved;
  for (int v = 0; v < 3; ++v) interleaved.insert(interleaved.end(), {float(v), 0, 0, 0.5f, float(v), 99});
  GltfBuilder file;
  const int view = file.AddView(FloatBytes(interleaved), 24);
  const int positions = file.AddAccessor(view, 5126, 3, "VEC3");
  const int texcoords = file.AddAccessor(view, 5126, 3, "VEC2", 12);
  file.doc["accessors"][positions]["min"] = {0, 0, 0};
  file.doc["accessors"][positions]["max"] = {2, 0, 0};
  const int indices = file.AddIndices({0, 1, 2});
  json primitive = {{"indices", indices}};
  primitive["attributes"] = {{"POSITION", positions}, {"TEXCOORD_0", texcoords}};
  file.doc["meshes"].push_back({{"primitives", json::array({primitive})}});
  Objects3DData data;
  Load(data, file);
  const Primitive& p = *data.primitives[0];
  EXPECT_EQ(p.position_components, 3u);
  EXPECT_EQ(p.texcoord_components, 2u);
  EXPECT_EQ(p.positions, (std::vector<float>{0, 0, 0, 1, 0, 0, 2, 0, 0}));
  EXPECT_EQ(p.texcoords, (std::vector<float>{0.5f, 0, 0.5f, 1, 0.5f, 2}));
}

TEST(GltfLoader, NormalisedByteColoursBecomeFractions) {
  GltfBuilder file = TriangleFile();
  const int view = file.AddView({255, 0, 51, 255, 0, 255, 0, 255, 0, 0, 255, 255});
  file.doc["meshes"][0]["primitives"][0]["attributes"]["COLOR_0"] =
      file.AddAccessor(view, 5121, 3, "VEC4", 0, true);
  Objects3DData data;
  Load(data, file);
  EXPECT_EQ(data.primitives[0]->color_components, 4u);
  EXPECT_FLOAT_EQ(data.primitives[0]->colors[2], 0.2f);
  EXPECT_FLOAT_EQ(data.primitives[0]->colors[5], 1.0f);
}

TEST(GltfLoader, MorphWeightsFallBackToMeshWeightsThenZeros) {
  GltfBuilder file = TriangleFile();
  const int target = file.AddFloats({0, 1, 0, 0, 1, 0, 0, 1, 0}, "VEC3");
  file.doc["meshes"][0]["primitives"][0]["targets"] = {{{"POSITION", target}}, {{"POSITION", target}}};
  Objects3DData zeros;
  Load(zeros, file);
  EXPECT_EQ(zeros.nodes[1]->weights, (std::vector<float>{0, 0}));
  file.doc["meshes"][0]["weights"] = {0.25, 0.5};
  Objects3DData from_mesh;
  Load(from_mesh, file);
  EXPECT_EQ(from_mesh.nodes[1]->weights, (std::vector<float>{0.25f, 0.5f}));
  file.doc["nodes"][0]["weights"] = {1, 0};
  Objects3DData from_node;
  Load(from_node, file);
  EXPECT_EQ(from_node.nodes[1]->weights, (std::vector<float>{1, 0}));
  EXPECT_EQ(from_node.primitives[0]->morph_targets.size(), 2u);
}

TEST(GltfLoader, CubicSplineKeepsTheValueOfEachTriplet) {
  GltfBuilder file = TriangleFile();
  const int times = file.AddFloats({0, 1}, "SCALAR");
  // Per key: in-tangent, value, out-tangent.
  const int values = file.AddFloats({9, 9, 9, 1, 2, 3, 8, 8, 8, 7, 7, 7, 4, 5, 6, 6, 6, 6}, "VEC3");
  file.doc["animations"] = json::array({AnimationJson(times, values, "translation", "CUBICSPLINE")});
  Objects3DData data;
  Load(data, file);
  const AnimationChannel& channel = *data.animations[0]->channels[0];
  EXPECT_EQ(channel.values, (std::vector<float>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(channel.in_tangents, (std::vector<float>{9, 9, 9, 7, 7, 7}));
  EXPECT_EQ(channel.out_tangents, (std::vector<float>{8, 8, 8, 6, 6, 6}));
  EXPECT_EQ(channel.node, 1);
  EXPECT_EQ(channel.interpolation, AnimationInterpolation::CubicSpline);
}

TEST(GltfLoader, EmbeddedPictureIsDecodedApartFromAnyTexture) {
  const std::vector<uint8_t>& png = kRedPng;
  GltfBuilder file = TriangleFile(0);
  file.doc["images"] = {{{"uri", "data:image/png;base64," + Base64(png)}}};
  file.doc["textures"] = {{{"source", 0}}};
  file.doc["materials"] = {{{"pbrMetallicRoughness", {{"baseColorTexture", {{"index", 0}}}}},
                            {"emissiveTexture", {{"index", 0}}}}};
  Objects3DData data;
  Load(data, file);
  const Material& material = *data.materials[0];
  ASSERT_TRUE(material.base_color_image);
  EXPECT_EQ(material.base_color_image, material.emissive_image);  // one picture, shared
  EXPECT_EQ(material.base_color_image->width, 1u);
  EXPECT_EQ(material.base_color_image->components, 4u);
  EXPECT_EQ(material.base_color_image->pixels, (std::vector<uint8_t>{255, 0, 0, 255}));
  EXPECT_EQ(material.base_color_image->name, "m/model.gltf_baseColorTexture");
  EXPECT_FALSE(material.base_color_texture);
  EXPECT_TRUE(material.HasEmissiveTexture());
}

// Each material of a file, and a primitive without one, get the values the file states and
// glTF's defaults for the rest.
struct MaterialCase {
  const char* name;
  json material;  // null: the primitive names no material
  float metallic, roughness, normal_scale, occlusion_strength;
};

const MaterialCase kMaterialCases[] = {
    {"no material", nullptr, 1, 1, 1, 1},
    {"empty material", json::object(), 1, 1, 1, 1},
    {"metallic only", {{"pbrMetallicRoughness", {{"metallicFactor", 0.0}}}}, 0, 1, 1, 1},
    {"roughness only", {{"pbrMetallicRoughness", {{"roughnessFactor", 0.25}}}}, 1, 0.25f, 1, 1},
    {"textures with factors",
     {{"pbrMetallicRoughness", {{"metallicRoughnessTexture", {{"index", 0}}},
                                {"metallicFactor", 0.0}, {"roughnessFactor", 0.5}}},
      {"normalTexture", {{"index", 0}, {"scale", 0.4}}},
      {"occlusionTexture", {{"index", 0}, {"strength", 0.3}}}},
     0, 0.5f, 0.4f, 0.3f},
};

TEST(GltfLoader, MaterialsTakeTheFileValuesAndGltfDefaults) {
  for (const MaterialCase& c : kMaterialCases) {
    GltfBuilder file = TriangleFile(c.material.is_null() ? -1 : 0);
    if (!c.material.is_null()) file.doc["materials"] = json::array({c.material});
    file.doc["images"] = {{{"uri", "data:image/png;base64," + Base64(kRedPng)}}};
    file.doc["textures"] = {{{"source", 0}}};
    Objects3DData data;
    Load(data, file);
    const Material& m = *data.primitives[0]->material;
    EXPECT_EQ(m.base_color, glm::vec4(1.0f)) << c.name;
    EXPECT_EQ(m.emissive, glm::vec3(0.0f)) << c.name;
    EXPECT_EQ(glm::vec4(m.metallic, m.roughness, m.normal_scale, m.occlusion_strength),
              glm::vec4(c.metallic, c.roughness, c.normal_scale, c.occlusion_strength))
        << c.name;
  }
}

// --- Refusals: each file is changed in one way and must be refused with its message, leaving
// the scene untouched. ---

struct Refusal {
  const char* name;
  std::function<void(GltfBuilder&)> change;
  const char* message;
};

const Refusal kRefusals[] = {
    {"no indices", [](GltfBuilder& f) { f.doc["meshes"][0]["primitives"][0].erase("indices"); },
     "GLTF Primitive indices is less than 0, don't know what to do"},
    {"accessor index", [](GltfBuilder& f) { f.doc["meshes"][0]["primitives"][0]["indices"] = 7; },
     "primitive indices accessor out of bounds"},
    {"buffer view index", [](GltfBuilder& f) { f.doc["accessors"][1]["bufferView"] = 5; },
     "accessor[1] invalid bufferView"},
    {"view past buffer", [](GltfBuilder& f) { f.doc["bufferViews"][1]["byteLength"] = 4000; },
     "buffer view 1 (offset 36, length 4000) lies outside buffer 0"},
    {"accessor past view", [](GltfBuilder& f) { f.doc["accessors"][0]["count"] = 4; },
     "accessor 0 (4 elements of 12 bytes, stride 12, offset 0) lies outside buffer view 0"},
    {"last interleaved element past view",
     [](GltfBuilder& f) { f.doc["bufferViews"][0]["byteStride"] = 16; },
     "accessor 0 (3 elements of 12 bytes, stride 16, offset 0) lies outside buffer view 0"},
    {"stride below element", [](GltfBuilder& f) { f.doc["bufferViews"][0]["byteStride"] = 8; },
     "byte stride 8 of buffer view 0 is below the element size 12"},
    {"index past vertices", [](GltfBuilder& f) { f.doc["accessors"][1]["count"] = 2; f.doc["accessors"][0]["count"] = 1; },
     "mesh 0 primitive 0: index 1 is out of range (1 vertices)"},
    {"mesh index", [](GltfBuilder& f) { f.doc["nodes"][0]["mesh"] = 3; }, "mesh 3 is out of range (0-0)"},
    {"material index", [](GltfBuilder& f) { f.doc["meshes"][0]["primitives"][0]["material"] = 2; },
     "material 2 is out of range (the file has none)"},
    {"child index", [](GltfBuilder& f) { f.doc["nodes"][0]["children"] = {4}; }, "child node 4 is out of range"},
    {"self child", [](GltfBuilder& f) { f.doc["nodes"][0]["children"] = {0}; }, "node 0 is a child of node 0"},
    {"two parents", [](GltfBuilder& f) {
       f.AddNode({{"children", {0}}});
       f.AddNode({{"children", {0}}});
     }, "node 0 is a child of node 1 and of node 2"},
    {"cycle", [](GltfBuilder& f) {
       f.doc["nodes"][0]["children"] = {1};
       f.AddNode({{"children", {0}}});
     }, "is part of a cycle"},
    {"too deep", [](GltfBuilder& f) {
       for (int i = 0; i < 1001; ++i) f.doc["nodes"][i]["children"] = {f.AddNode(json::object())};
     }, "node 1001 lies 1001 levels deep (at most 1000)"},
    {"line strip", [](GltfBuilder& f) { f.doc["meshes"][0]["primitives"][0]["mode"] = 3; },
     "Unexpected primitive mode: 3"},
    {"unknown attribute", [](GltfBuilder& f) { f.doc["meshes"][0]["primitives"][0]["attributes"]["FOO"] = 0; },
     "Unexpected attribute: FOO"},
    {"stream count", [](GltfBuilder& f) {
       f.doc["meshes"][0]["primitives"][0]["attributes"]["NORMAL"] = f.AddFloats({0, 0, 1}, "VEC3");
     }, "NORMAL has 1 vertices, POSITION has 3"},
    {"position type", [](GltfBuilder& f) { f.doc["accessors"][0]["type"] = "VEC2"; f.doc["accessors"][0]["count"] = 4; },
     "attribute POSITION (accessor 0) has 2 components per vertex"},
    {"integer positions", [](GltfBuilder& f) { f.doc["accessors"][0]["componentType"] = 5125; },
     "GLTF refusing to cast integer type vector to floats"},
    {"float indices", [](GltfBuilder& f) { f.doc["accessors"][1]["componentType"] = 5126; f.doc["accessors"][1]["count"] = 1; },
     "GLTF refusing to cast floating points to integers"},
    {"vector indices", [](GltfBuilder& f) { f.doc["accessors"][1]["type"] = "VEC3"; f.doc["accessors"][1]["count"] = 1; },
     "GLTF indices have unexpected stride 3"},
    {"sparse", [](GltfBuilder& f) {
       f.doc["accessors"][0]["sparse"] = {{"count", 1},
                                          {"indices", {{"bufferView", 1}, {"componentType", 5123}}},
                                          {"values", {{"bufferView", 0}}}};
     }, "Panic! Sparse accessor, no clue what that means"},
    {"five morph targets", [](GltfBuilder& f) {
       json targets = json::array();
       for (int i = 0; i < 5; ++i) targets.push_back({{"POSITION", 0}});
       f.doc["meshes"][0]["primitives"][0]["targets"] = targets;
     }, "Maximum 4 morph targets supported as of now!"},
    {"morph target count", [](GltfBuilder& f) {
       f.doc["meshes"][0]["primitives"][0]["targets"] = {{{"POSITION", f.AddFloats({0, 1, 0}, "VEC3")}}};
     }, "morph target POSITION (accessor 2) holds 1 vertices"},
    {"morph target stream", [](GltfBuilder& f) { f.doc["meshes"][0]["primitives"][0]["targets"] = {{{"TEXCOORD_0", 0}}}; },
     "Uaaah, not supporting morph vec type TEXCOORD_0 yet!"},
    {"alpha cutoff", [](GltfBuilder& f) {
       f.doc["materials"] = {{{"alphaCutoff", 0.3}}};
       f.doc["meshes"][0]["primitives"][0]["material"] = 0;
     }, "get_materials() failed: [gltf] [materials]    Unhandled additional material value: alphaCutoff"},
    {"short colour factor", [](GltfBuilder& f) {
       f.doc["materials"] = {{{"pbrMetallicRoughness", {{"baseColorFactor", {1, 0}}}}}};
     }, "material baseColorFactor holds 2 numbers (4 expected)"},
    {"texture index", [](GltfBuilder& f) {
       f.doc["materials"] = {{{"pbrMetallicRoughness", {{"baseColorTexture", {{"index", 3}}}}}}};
     }, "texture 3 is out of range (0 textures)"},
    {"image index", [](GltfBuilder& f) {
       f.doc["textures"] = {{{"source", 2}}};
       f.doc["materials"] = {{{"emissiveTexture", {{"index", 0}}}}};
     }, "image 2 is out of range (the file has none)"},
    {"two scenes", [](GltfBuilder& f) { f.doc["scenes"].push_back(json::object()); },
     "[gltf] Don't know how to deal with 2 scenes in a file!"},
    {"picture view past buffer", [](GltfBuilder& f) {
       const int view = f.AddView(kRedPng);
       f.doc["bufferViews"][view]["byteLength"] = 100000;
       f.doc["images"] = {{{"bufferView", view}, {"mimeType", "image/png"}}};
     }, "Image 0: buffer view 2 lies outside its buffer"},
    {"node rotation size", [](GltfBuilder& f) { f.doc["nodes"][0]["rotation"] = {0, 0, 1}; },
     "node 0 rotation holds 3 numbers (4 expected)"},
};

// An animation of node 0 with the given sampler and path; the accessors are appended.
void AddAnimation(GltfBuilder& f, const std::vector<float>& times, const std::vector<float>& values,
                  const std::string& type, const std::string& path, const std::string& interpolation = "LINEAR") {
  const int input = f.AddFloats(times, "SCALAR");
  const int output = f.AddFloats(values, type);
  f.doc["animations"] = json::array({AnimationJson(input, output, path, interpolation)});
}

const Refusal kAnimationRefusals[] = {
    {"sampler index", [](GltfBuilder& f) {
       AddAnimation(f, {0, 1}, {0, 0, 0, 1, 1, 1}, "VEC3", "translation");
       f.doc["animations"][0]["channels"][0]["sampler"] = 4;
     }, "animation sampler 4 is out of range (0-0)"},
    {"target node", [](GltfBuilder& f) {
       AddAnimation(f, {0, 1}, {0, 0, 0, 1, 1, 1}, "VEC3", "translation");
       f.doc["animations"][0]["channels"][0]["target"]["node"] = 9;
     }, "animation target node 9 is out of range (0-0)"},
    {"key count", [](GltfBuilder& f) { AddAnimation(f, {0, 1, 2}, {0, 0, 0, 1, 1, 1}, "VEC3", "translation"); },
     "animation output 3 holds 2 values of 3 floats for 3 keys of translation"},
    {"rotation stride", [](GltfBuilder& f) { AddAnimation(f, {0, 1}, {0, 0, 0, 1, 1, 1}, "VEC3", "rotation"); },
     "holds 2 values of 3 floats for 2 keys of rotation"},
    {"weights count", [](GltfBuilder& f) { AddAnimation(f, {0, 1}, {0, 1, 2}, "SCALAR", "weights"); },
     "animation output 3 holds 3 values for 2 keys of weights"},
    {"cubic count", [](GltfBuilder& f) { AddAnimation(f, {0, 1}, {0, 0, 0, 1, 1, 1}, "VEC3", "scale", "CUBICSPLINE"); },
     "holds 2 values of 3 floats for 2 keys of scale"},
    {"descending keys", [](GltfBuilder& f) { AddAnimation(f, {1, 0}, {0, 0, 0, 1, 1, 1}, "VEC3", "scale"); },
     "animation input 2 key 1 is not ascending"},
    {"no keys", [](GltfBuilder& f) {
       AddAnimation(f, {0}, {0, 0, 0}, "VEC3", "scale");
       f.doc["accessors"][2]["count"] = 0;
       f.doc["accessors"][3]["count"] = 0;
     }, "animation input 2 has no keys"},
    {"path", [](GltfBuilder& f) { AddAnimation(f, {0, 1}, {0, 0, 0, 1, 1, 1}, "VEC3", "skew"); },
     "Totally unexpected target path: skew"},
    {"two channels on one target", [](GltfBuilder& f) {
       AddAnimation(f, {0, 1}, {0, 0, 0, 1, 1, 1}, "VEC3", "scale");
       f.doc["animations"][0]["channels"].push_back(f.doc["animations"][0]["channels"][0]);
     }, "two channels of one animation animate the scale of node 0"},
};

void ExpectRefused(const Refusal& refusal) {
  GltfBuilder file = TriangleFile();
  refusal.change(file);
  Objects3DData data;
  data.nodes.push_back(std::make_unique<Node>());  // a scene that already holds a master node
  try {
    Load(data, file);
    ADD_FAILURE() << refusal.name << ": loaded";
  } catch (const GltfError& error) {
    EXPECT_NE(std::string(error.what()).find(refusal.message), std::string::npos)
        << refusal.name << ": " << error.what();
  }
  EXPECT_EQ(data.nodes.size(), 1u) << refusal.name;
  EXPECT_TRUE(data.nodes[0]->children.empty()) << refusal.name;
  EXPECT_TRUE(data.meshes.empty() && data.materials.empty() && data.primitives.empty()) << refusal.name;
}

TEST(GltfLoader, EveryBrokenFileIsRefusedWithItsMessageAndNothingAdded) {
  for (const Refusal& refusal : kRefusals) ExpectRefused(refusal);
}

TEST(GltfLoader, EveryBrokenAnimationIsRefusedWithItsMessage) {
  for (const Refusal& refusal : kAnimationRefusals) ExpectRefused(refusal);
}

TEST(GltfLoader, MessagesNameTheFile) {
  GltfBuilder file = TriangleFile();
  file.doc["nodes"][0]["mesh"] = 3;
  Objects3DData data;
  EXPECT_THROW(
      {
        try {
          Load(data, file, "some/where.gltf");
        } catch (const GltfError& error) {
          EXPECT_EQ(std::string(error.what()), "some/where.gltf: mesh 3 is out of range (0-0)");
          throw;
        }
      },
      GltfError);
}

TEST(GltfLoader, BrokenContainersAndExtensionsAreRefused) {
  const std::vector<uint8_t> glb = TriangleFile().Glb();
  struct Case {
    const char* path;
    std::vector<uint8_t> bytes;
    const char* message;
  };
  std::vector<uint8_t> long_chunk = glb;
  long_chunk[12] = 0xFF;  // JSON chunk length past the end
  std::vector<uint8_t> short_header(glb.begin(), glb.begin() + 10);
  std::vector<uint8_t> long_file = glb;
  long_file[8] = 0;
  long_file[9] = 0x10;  // total length 4096
  std::vector<uint8_t> cut = glb;
  cut.resize(cut.size() - 8);
  const Case cases[] = {
      {"a.GLB", glb, "Unexpected GLTF file extension .GLB"},
      {"a.obj", glb, "Unexpected GLTF file extension .obj"},
      {"a.glb", short_header, "Failed to load GLB: a.glb\nthe file is shorter than"},
      {"a.glb", long_chunk, "bytes runs past the end of the file"},
      {"a.glb", cut, "the header gives"},
      {"a.glb", long_file, "the header gives 4096 bytes"},
      {"a.gltf", {'{', '}'}, "Failed to load GLTF: a.gltf"},
      {"a.gltf", {'[', '1'}, "Failed to load GLTF: a.gltf"},
  };
  for (const Case& c : cases) {
    Objects3DData data;
    try {
      LoadGltfRecords(c.path, c.bytes, data, false);
      ADD_FAILURE() << c.message;
    } catch (const GltfError& error) {
      EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
    }
  }
}

TEST(GltfLoader, HugePictureIsRefusedBeforeDecoding) {
  // A PNG header claiming 20000 x 100 pixels.
  std::vector<uint8_t> png = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 0x0D,
                              'I', 'H', 'D', 'R', 0, 0, 0x4E, 0x20, 0, 0, 0, 100, 8, 2, 0, 0, 0,
                              0, 0, 0, 0};
  GltfBuilder file = TriangleFile();
  file.doc["images"] = {{{"uri", "data:image/png;base64," + Base64(png)}}};
  Objects3DData data;
  try {
    Load(data, file);
    ADD_FAILURE() << "loaded";
  } catch (const GltfError& error) {
    EXPECT_NE(std::string(error.what()).find("20000 x 100 pixels is larger"), std::string::npos)
        << error.what();
  }
}

TEST(GltfLoader, UniqueNodeNamesCount) {
  Objects3DData data;
  for (const char* name : {"a", "a-1"}) {
    data.nodes.push_back(std::make_unique<Node>());
    data.nodes.back()->name = name;
  }
  EXPECT_EQ(MakeUniqueNodeName(data, "a"), "a-2");
  EXPECT_EQ(MakeUniqueNodeName(data, "b"), "b");
}

}  // namespace
