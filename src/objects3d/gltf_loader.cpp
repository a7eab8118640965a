#include "objects3d/gltf_loader.h"

#include <cmath>
#include <exception>
#include <filesystem>
#include <fmt/format.h>
#include <map>
#include <set>
#include <unordered_set>

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <glm/gtx/matrix_decompose.hpp>

#include "objects3d/gltf_parse.h"
#include "objects3d/gltf_reader.h"
#include "system/log.h"
#include "util/data/data.h"

namespace {

// The records one file adds, built apart from the scene and appended only when the whole file
// converted, so that a refused file leaves the scene as it was.
struct NewRecords {
  std::vector<std::shared_ptr<Material>> materials;
  std::vector<std::shared_ptr<Primitive>> primitives;
  std::vector<std::unique_ptr<Mesh>> meshes;
  std::vector<std::unique_ptr<Node>> nodes;
  std::vector<std::unique_ptr<Animation>> animations;
  std::vector<uint32_t> new_master_children;  // existing master node gains these children
};

class GltfConverter {
 public:
  // The model's decoded pictures are moved out into the records.
  GltfConverter(tinygltf::Model& model, const std::string& path, const Objects3DData& data)
      : model_(model), reader_(model, path), path_(path), data_(data),
        stem_(std::filesystem::path(path).stem().string()),
        material_base_(static_cast<uint32_t>(data.materials.size())),
        primitive_base_(static_cast<uint32_t>(data.primitives.size())),
        mesh_base_(static_cast<uint32_t>(data.meshes.size())) {
    for (const auto& node : data.nodes) used_names_.insert(node->name);
  }

  NewRecords Convert(bool prefix) {
    RunStep("get_materials", [&] { GetMaterials(); });
    RunStep("get_objects", [&] { GetObjects(); });
    RunStep("get_nodes", [&] { GetNodes(prefix); });
    RunStep("get_animations", [&] { GetAnimations(); });
    return std::move(out_);
  }

 private:
  // Checks of this loader throw GltfError with their own text; anything else thrown inside a
  // step (a refused material key, for one) is reported with the step's name.
  template <typename Step>
  void RunStep(const char* name, Step step) {
    try {
      step();
    } catch (const GltfError&) {
      throw;
    } catch (const std::exception& exception) {
      throw GltfError(fmt::format("{}() failed: {}", name, exception.what()));
    }
  }

  void GetMaterials();
  void GetObjects();
  void GetNodes(bool prefix);
  void GetAnimations();

  std::shared_ptr<Material> NewMaterial(const tinygltf::Material& source);
  void SetMaterialValue(Material& material, const std::string& key, const tinygltf::Parameter& p);
  void SetAdditionalValue(Material& material, const std::string& key,
                          const tinygltf::Parameter& p);
  std::shared_ptr<const TextureImage> GetImage(const tinygltf::Parameter& parameter,
                                               const std::string& fallback_name);
  std::shared_ptr<Primitive> GetPrimitive(const tinygltf::Primitive& source, size_t mesh,
                                          size_t index);
  void ReadAttribute(Primitive& primitive, const std::string& name, int accessor);
  void ReadMorphTargets(Primitive& primitive, const tinygltf::Primitive& source);
  std::shared_ptr<Material> DefaultMaterial();
  std::unique_ptr<Node> NewNode(const tinygltf::Node& source, uint32_t node_base);
  void CheckTree();
  void FillMorphWeights(Node& node);
  std::unique_ptr<AnimationChannel> GetChannel(const tinygltf::Animation& animation,
                                               const tinygltf::AnimationChannel& source,
                                               uint32_t node_base);
  std::string UniqueName(const std::string& wanted);
  // Each accessor is read and converted once; primitives that share it copy the result.
  const GltfFloats& Floats(int accessor);
  const std::vector<uint32_t>& Indices(int accessor, size_t vertices, const std::string& element);
  uint32_t NodeCount() const { return static_cast<uint32_t>(data_.nodes.size() + out_.nodes.size()); }

  tinygltf::Model& model_;
  GltfReader reader_;
  std::string path_;
  const Objects3DData& data_;
  std::string stem_;
  uint32_t material_base_;
  uint32_t primitive_base_;
  uint32_t mesh_base_;
  uint32_t first_file_node_ = 0;
  uint32_t unnamed_materials_ = 0;
  int32_t default_material_ = -1;  // index into out_.materials, made on first need
  std::map<int, std::shared_ptr<const TextureImage>> images_;
  std::unordered_set<std::string> used_names_;
  std::map<int, GltfFloats> floats_;
  std::map<int, std::vector<uint32_t>> indices_;
  std::set<std::pair<int, size_t>> checked_indices_;  // (accessor, vertex count) checked
  NewRecords out_;
};

// --- Materials ---

void GltfConverter::GetMaterials() {
  LogInfo("  [gltf] [materials] Adding {} materials", model_.materials.size());
  for (const tinygltf::Material& source : model_.materials) {
    out_.materials.push_back(NewMaterial(source));
  }
}

std::shared_ptr<Material> GltfConverter::NewMaterial(const tinygltf::Material& source) {
  // Values the file leaves out take glTF's defaults.
  auto material = MakeGltfMaterial(!source.name.empty()
                                       ? source.name
                                       : fmt::format("{}_material{}", path_, unnamed_materials_++));
  for (const auto& [key, parameter] : source.values) SetMaterialValue(*material, key, parameter);
  for (const auto& [key, parameter] : source.additionalValues) {
    SetAdditionalValue(*material, key, parameter);
  }
  return material;
}

// The numbers of a factor: exactly `count` of them (a shorter array would be read past).
std::vector<float> FactorNumbers(const GltfReader& reader, const std::string& key,
                                 const tinygltf::Parameter& parameter, size_t count) {
  if (parameter.number_array.size() != count) {
    reader.Fail(fmt::format("material {} holds {} numbers ({} expected)", key,
                            parameter.number_array.size(), count));
  }
  return std::vector<float>(parameter.number_array.begin(), parameter.number_array.end());
}

void GltfConverter::SetMaterialValue(Material& material, const std::string& key,
                                     const tinygltf::Parameter& parameter) {
  if (key == "baseColorFactor") {
    const std::vector<float> n = FactorNumbers(reader_, key, parameter, 4);
    material.base_color = glm::vec4(n[0], n[1], n[2], n[3]);
  } else if (key == "baseColorTexture") {
    material.base_color_image = GetImage(parameter, path_ + "_baseColorTexture");
  } else if (key == "metallicRoughnessTexture") {
    material.metallic_roughness_image = GetImage(parameter, path_ + "metallicRoughnessTexture");
  } else if (key == "metallicFactor") {
    material.metallic = static_cast<float>(parameter.Factor());
  } else if (key == "roughnessFactor") {
    material.roughness = static_cast<float>(parameter.Factor());
  } else {
    throw std::runtime_error("[gltf] [materials]    Unhandled material value: " + key);
  }
}

void GltfConverter::SetAdditionalValue(Material& material, const std::string& key,
                                       const tinygltf::Parameter& parameter) {
  if (key == "emissiveTexture") {
    material.emissive_image = GetImage(parameter, path_ + key);
  } else if (key == "normalTexture") {
    material.normal_image = GetImage(parameter, path_ + key);
    material.normal_scale = static_cast<float>(parameter.TextureScale());
  } else if (key == "occlusionTexture") {
    material.occlusion_image = GetImage(parameter, path_ + key);
    material.occlusion_strength = static_cast<float>(parameter.TextureStrength());
  } else if (key == "emissiveFactor") {
    const std::vector<float> n = FactorNumbers(reader_, key, parameter, 3);
    material.emissive = glm::vec3(n[0], n[1], n[2]);
  } else if (key == "alphaMode" || key == "doubleSided") {
    LogInfo("  [gltf] [materials]    IGNORING {}", key);
  } else {
    throw std::runtime_error("[gltf] [materials]    Unhandled additional material value: " + key);
  }
}

std::shared_ptr<const TextureImage> GltfConverter::GetImage(const tinygltf::Parameter& parameter,
                                                            const std::string& fallback_name) {
  const auto found = parameter.json_double_value.find("index");
  if (found == parameter.json_double_value.end()) {
    throw std::runtime_error("texture parameter without \"index\"");
  }
  // Compared as a double first: converting a huge or fractional number to int is not defined.
  const double texture_number = found->second;
  if (!(texture_number >= 0 && texture_number < static_cast<double>(model_.textures.size())) ||
      texture_number != std::floor(texture_number)) {
    reader_.Fail(fmt::format("texture {} is out of range ({} textures)", texture_number,
                             model_.textures.size()));
  }
  const tinygltf::Texture& texture = model_.textures[static_cast<size_t>(texture_number)];
  reader_.CheckIndex("image", texture.source, model_.images.size());
  if (const auto cached = images_.find(texture.source); cached != images_.end()) {
    return cached->second;
  }
  tinygltf::Image& image = model_.images[texture.source];
  if (image.pixel_type != TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE) {
    reader_.Fail(fmt::format("Unexpected GLTF Texture component type {}", image.pixel_type));
  }
  if (image.image.empty()) reader_.Fail("Unexpected zero data size for image");
  if (image.component < 3 || image.component > 4) {
    reader_.Fail(fmt::format("Unexpected bytes per pixel: {}\nValue {} is outside range {}-{}",
                             image.component, image.component, 3, 4));
  }
  const size_t expected = size_t(image.width) * size_t(image.height) * size_t(image.component);
  if (image.width <= 0 || image.height <= 0 || image.image.size() != expected) {
    reader_.Fail(fmt::format("image {} holds {} bytes for {} x {} pixels of {} bytes",
                             texture.source, image.image.size(), image.width, image.height,
                             image.component));
  }
  auto decoded = std::make_shared<TextureImage>();
  decoded->name = image.name.empty() ? fallback_name : image.name;
  decoded->width = static_cast<uint32_t>(image.width);
  decoded->height = static_cast<uint32_t>(image.height);
  decoded->components = static_cast<uint32_t>(image.component);
  decoded->pixels = std::move(image.image);
  images_[texture.source] = decoded;
  return decoded;
}

// --- Meshes and primitives ---

void GltfConverter::GetObjects() {
  LogInfo("  [gltf] [objects] Adding {} meshes", model_.meshes.size());
  for (size_t m = 0; m < model_.meshes.size(); ++m) {
    const tinygltf::Mesh& source = model_.meshes[m];
    auto mesh = std::make_unique<Mesh>();
    mesh->name = source.name;
    mesh->weights.assign(source.weights.begin(), source.weights.end());
    for (size_t p = 0; p < source.primitives.size(); ++p) {
      const uint32_t index = primitive_base_ + static_cast<uint32_t>(out_.primitives.size());
      std::shared_ptr<Primitive> primitive = GetPrimitive(source.primitives[p], m, p);
      out_.primitives.push_back(primitive);
      mesh->AddPrimitive(index, std::move(primitive));
    }
    out_.meshes.push_back(std::move(mesh));
  }
}

std::shared_ptr<Material> GltfConverter::DefaultMaterial() {
  if (default_material_ < 0) {
    default_material_ = static_cast<int32_t>(out_.materials.size());
    out_.materials.push_back(MakeGltfMaterial(path_ + "_default_material"));
  }
  return out_.materials[default_material_];
}

// What each vertex stream needs: the accepted accessor types and where it goes.
struct StreamRule {
  const char* name;
  uint32_t min_components;
  uint32_t max_components;
};

constexpr StreamRule kStreams[] = {
    {"POSITION", 3, 3}, {"NORMAL", 3, 3}, {"TANGENT", 3, 4}, {"TEXCOORD_0", 2, 2},
    {"COLOR_0", 3, 4},
};

// Streams the renderer has no use for (skinning, further texture and colour sets); they are
// skipped, as skins are.
bool IsIgnoredAttribute(const std::string& name) {
  for (const char* prefix : {"JOINTS_", "WEIGHTS_", "TEXCOORD_", "COLOR_"}) {
    if (name.rfind(prefix, 0) == 0) return true;
  }
  return !name.empty() && name[0] == '_';
}

void GltfConverter::ReadAttribute(Primitive& primitive, const std::string& name, int accessor) {
  const StreamRule* rule = nullptr;
  for (const StreamRule& candidate : kStreams) {
    if (name == candidate.name) rule = &candidate;
  }
  if (rule == nullptr) {
    if (IsIgnoredAttribute(name)) return;
    reader_.Fail(fmt::format("Unexpected attribute: {}", name));
  }
  const GltfFloats& floats = Floats(accessor);
  if (floats.components < rule->min_components || floats.components > rule->max_components) {
    reader_.Fail(fmt::format("attribute {} (accessor {}) has {} components per vertex", name,
                             accessor, floats.components));
  }
  if (name == "POSITION") {
    primitive.positions = floats.values;
    primitive.position_components = 3;
  } else if (name == "NORMAL") {
    primitive.normals = floats.values;
    primitive.normal_components = 3;
  } else if (name == "TANGENT") {
    // A vec4 tangent keeps its w: the bitangent's handedness, which mirrored texture
    // coordinates flip.
    primitive.tangents = floats.values;
    primitive.tangent_components = static_cast<uint32_t>(floats.components);
  } else if (name == "TEXCOORD_0") {
    primitive.texcoords = floats.values;
    primitive.texcoord_components = 2;
  } else {
    primitive.colors = floats.values;
    primitive.color_components = floats.components;
  }
  primitive.dirty = 1;
}

// Vertices in a stream, 0 when absent.
size_t StreamVertices(const std::vector<float>& stream, uint32_t components) {
  return components == 0 ? 0 : stream.size() / components;
}

std::shared_ptr<Primitive> GltfConverter::GetPrimitive(const tinygltf::Primitive& source,
                                                       size_t mesh, size_t index) {
  const std::string element = fmt::format("mesh {} primitive {}", mesh, index);
  auto primitive = std::make_shared<Primitive>();
  if (source.indices < 0) {
    reader_.Fail("GLTF Primitive indices is less than 0, don't know what to do");
  }
  if (source.material < 0) {
    primitive->material = DefaultMaterial();
    primitive->material_index = material_base_ + static_cast<uint32_t>(default_material_);
  } else {
    reader_.CheckIndex("material", source.material, model_.materials.size());
    primitive->material_index = material_base_ + static_cast<uint32_t>(source.material);
    primitive->material = out_.materials[source.material];
  }
  for (const auto& [name, accessor] : source.attributes) ReadAttribute(*primitive, name, accessor);
  if (primitive->position_components == 0) reader_.Fail(element + " has no POSITION");
  const size_t vertices = primitive->VertexCount();
  const std::pair<const char*, size_t> streams[] = {
      {"NORMAL", StreamVertices(primitive->normals, primitive->normal_components)},
      {"TANGENT", StreamVertices(primitive->tangents, primitive->tangent_components)},
      {"TEXCOORD_0", StreamVertices(primitive->texcoords, primitive->texcoord_components)},
      {"COLOR_0", StreamVertices(primitive->colors, primitive->color_components)}};
  for (const auto& [name, count] : streams) {
    if (count != 0 && count != vertices) {
      reader_.Fail(fmt::format("{}: {} has {} vertices, POSITION has {}", element, name, count,
                               vertices));
    }
  }
  switch (source.mode) {
    case 0: case 1: case 2: case 4: case 5: case 6:
      primitive->draw_mode = static_cast<uint32_t>(source.mode);
      break;
    default:
      reader_.Fail(fmt::format("Unexpected primitive mode: {}", source.mode));
  }
  primitive->indices = Indices(source.indices, vertices, element);
  primitive->index_components = 1;
  primitive->dirty = 1;
  ReadMorphTargets(*primitive, source);
  return primitive;
}

void GltfConverter::ReadMorphTargets(Primitive& primitive, const tinygltf::Primitive& source) {
  if (source.targets.size() > kMaxMorphTargets) {
    reader_.Fail("Maximum 4 morph targets supported as of now!");
  }
  for (const auto& target_source : source.targets) {
    MorphTarget target;
    for (const auto& [name, accessor] : target_source) {
      std::vector<float>* stream = nullptr;
      const std::vector<float>* base = nullptr;
      if (name == "POSITION") {
        stream = &target.positions;
        base = &primitive.positions;
      } else if (name == "NORMAL") {
        stream = &target.normals;
        base = &primitive.normals;
      } else if (name == "TANGENT") {
        stream = &target.tangents;
        base = &primitive.tangents;
      } else {
        reader_.Fail(fmt::format("Uaaah, not supporting morph vec type {} yet!", name));
      }
      const GltfFloats& floats = Floats(accessor);
      // A target holds one three-float displacement per vertex of a stream the primitive has
      // (base tangents may carry a fourth float, the handedness).
      const size_t base_floats = name == "TANGENT" && primitive.tangent_components == 4
                                     ? base->size() / 4 * 3
                                     : base->size();
      if (floats.components != 3 || floats.values.size() != base_floats) {
        reader_.Fail(fmt::format("morph target {} (accessor {}) holds {} vertices of {} floats; "
                                 "the primitive's stream holds {} floats",
                                 name, accessor, floats.count, floats.components, base->size()));
      }
      *stream = floats.values;
    }
    primitive.morph_targets.push_back(std::move(target));
  }
}

const GltfFloats& GltfConverter::Floats(int accessor) {
  auto found = floats_.find(accessor);
  if (found == floats_.end()) found = floats_.emplace(accessor, reader_.ReadFloats(accessor)).first;
  return found->second;
}

const std::vector<uint32_t>& GltfConverter::Indices(int accessor, size_t vertices,
                                                    const std::string& element) {
  auto found = indices_.find(accessor);
  if (found == indices_.end()) found = indices_.emplace(accessor, reader_.ReadIndices(accessor)).first;
  if (checked_indices_.insert({accessor, vertices}).second) {
    for (uint32_t vertex : found->second) {
      if (vertex >= vertices) {
        reader_.Fail(fmt::format("{}: index {} is out of range ({} vertices)", element, vertex,
                                 vertices));
      }
    }
  }
  return found->second;
}

// --- Nodes ---

std::string GltfConverter::UniqueName(const std::string& wanted) {
  std::string name = wanted;
  for (uint32_t n = 1; used_names_.count(name) != 0; ++n) name = fmt::format("{}-{}", wanted, n);
  used_names_.insert(name);
  return name;
}

// The numbers of a node property: none, or exactly `count`.
bool NodeNumbers(const GltfReader& reader, const std::vector<double>& numbers, size_t count,
                 const char* what, size_t node) {
  if (numbers.empty()) return false;
  if (numbers.size() != count) {
    reader.Fail(fmt::format("node {} {} holds {} numbers ({} expected)", node, what,
                            numbers.size(), count));
  }
  return true;
}

std::unique_ptr<Node> GltfConverter::NewNode(const tinygltf::Node& source, uint32_t node_base) {
  const size_t file_index = NodeCount() - node_base;
  auto node = std::make_unique<Node>();
  node->index = NodeCount();
  node->name = UniqueName(source.name.empty() ? fmt::format("{}-{}", stem_, NodeCount())
                                              : fmt::format("{}-{}", stem_, source.name));
  for (int child : source.children) {
    reader_.CheckIndex("child node", child, model_.nodes.size());
    node->children.push_back(node_base + static_cast<uint32_t>(child));
  }
  if (source.mesh >= 0) {
    reader_.CheckIndex("mesh", source.mesh, model_.meshes.size());
    node->meshes.push_back(mesh_base_ + static_cast<uint32_t>(source.mesh));
  }
  glm::mat4 matrix(1.0f);
  if (NodeNumbers(reader_, source.matrix, 16, "matrix", file_index)) {
    for (int i = 0; i < 16; ++i) glm::value_ptr(matrix)[i] = static_cast<float>(source.matrix[i]);
    glm::vec3 skew;
    glm::vec4 perspective;
    if (!glm::decompose(matrix, node->rest_scale, node->rest_rotation, node->rest_translation,
                        skew, perspective)) {
      node->rest_scale = glm::vec3(1.0f);
      node->rest_rotation = glm::quat(1.0f, 0.0f, 0.0f, 0.0f);
      node->rest_translation = glm::vec3(0.0f);
    }
  }
  if (NodeNumbers(reader_, source.translation, 3, "translation", file_index)) {
    const glm::vec3 t(source.translation[0], source.translation[1], source.translation[2]);
    matrix = glm::translate(matrix, t);
    node->rest_translation = t;
  }
  if (NodeNumbers(reader_, source.rotation, 4, "rotation", file_index)) {
    const glm::quat q(static_cast<float>(source.rotation[3]), static_cast<float>(source.rotation[0]),
                      static_cast<float>(source.rotation[1]), static_cast<float>(source.rotation[2]));
    matrix = matrix * glm::mat4_cast(q);
    const float length = glm::length(q);
    node->rest_rotation = length > 0.0f && std::isfinite(length) ? q / length : glm::quat(1, 0, 0, 0);
  }
  if (NodeNumbers(reader_, source.scale, 3, "scale", file_index)) {
    const glm::vec3 s(source.scale[0], source.scale[1], source.scale[2]);
    matrix = glm::scale(matrix, s);
    node->rest_scale = s;
  }
  node->instances[0] = matrix;
  node->weights.assign(source.weights.begin(), source.weights.end());
  FillMorphWeights(*node);
  return node;
}

// A node without weights takes its mesh's, else zeros for the mesh's morph targets.
void GltfConverter::FillMorphWeights(Node& node) {
  if (!node.weights.empty() || node.meshes.empty()) return;
  const Mesh& mesh = *out_.meshes[node.meshes[0] - mesh_base_];
  if (!mesh.weights.empty()) {
    node.weights = mesh.weights;
    return;
  }
  size_t targets = 0;
  for (const auto& primitive : mesh.primitives) {
    targets = std::max(targets, primitive->morph_targets.size());
  }
  node.weights.assign(targets, 0.0f);
}

// Each file node has at most one parent and no chain of parents comes back to itself.
void GltfConverter::CheckTree() {
  const size_t count = model_.nodes.size();
  std::vector<int64_t> parent(count, -1);
  for (size_t i = 0; i < count; ++i) {
    for (int child : model_.nodes[i].children) {
      if (parent[child] >= 0 || static_cast<size_t>(child) == i) {
        reader_.Fail(fmt::format("node {} is a child of node {} and of node {}", child,
                                 parent[child] >= 0 ? parent[child] : int64_t(i), i));
      }
      parent[child] = static_cast<int64_t>(i);
    }
  }
  // Depth of every node below its root, each found once: a chain that comes back to a node
  // still being measured is a cycle, and a tree deeper than the walks over it can recurse is
  // refused.
  constexpr int64_t kMeasuring = -2;
  std::vector<int64_t> depth(count, -1);
  std::vector<size_t> chain;
  for (size_t i = 0; i < count; ++i) {
    int64_t at = static_cast<int64_t>(i);
    while (at >= 0 && depth[at] == -1) {
      depth[at] = kMeasuring;
      chain.push_back(static_cast<size_t>(at));
      at = parent[at];
    }
    if (at >= 0 && depth[at] == kMeasuring) {
      reader_.Fail(fmt::format("node {} is part of a cycle", at));
    }
    int64_t below = at >= 0 ? depth[at] : -1;
    for (auto node = chain.rbegin(); node != chain.rend(); ++node) depth[*node] = ++below;
    chain.clear();
    if (below > kMaxGltfNodeDepth) {
      reader_.Fail(fmt::format("node {} lies {} levels deep (at most {})", i, below,
                               kMaxGltfNodeDepth));
    }
  }
}

void GltfConverter::GetNodes(bool prefix) {
  LogInfo("  [gltf] [nodes] Adding {} nodes", model_.nodes.size());
  if (data_.nodes.empty()) {
    auto master = std::make_unique<Node>();
    master->name = UniqueName("Master node");
    out_.nodes.push_back(std::move(master));
  }
  uint32_t target_parent = 0;
  if (prefix) {
    auto model_node = std::make_unique<Node>();
    model_node->index = NodeCount();
    model_node->name = UniqueName(stem_);
    model_node->parent = 0;
    target_parent = model_node->index;
    out_.nodes.push_back(std::move(model_node));
  }
  const uint32_t node_base = NodeCount();
  first_file_node_ = node_base;
  for (size_t i = 0; i < model_.nodes.size(); ++i) {
    out_.nodes.push_back(NewNode(model_.nodes[i], node_base));
  }
  CheckTree();
  const uint32_t first_new = static_cast<uint32_t>(data_.nodes.size());
  for (const auto& node : out_.nodes) {
    for (uint32_t child : node->children) out_.nodes[child - first_new]->parent = node->index;
  }
  // Roots of the file (and the model node) hang under the target parent.
  std::vector<uint32_t> roots;
  if (prefix) roots.push_back(target_parent);
  for (uint32_t i = node_base; i < NodeCount(); ++i) {
    Node& node = *out_.nodes[i - first_new];
    if (node.parent >= 0) continue;
    node.parent = static_cast<int32_t>(target_parent);
    if (target_parent >= first_new) {
      out_.nodes[target_parent - first_new]->children.push_back(i);
    } else {
      out_.new_master_children.push_back(i);
    }
  }
  for (uint32_t root : roots) {
    if (first_new == 0) {
      out_.nodes[0]->children.insert(out_.nodes[0]->children.begin(), root);
    } else {
      out_.new_master_children.insert(out_.new_master_children.begin(), root);
    }
  }
}

// --- Animations ---

AnimationPath TargetPath(const GltfReader& reader, const std::string& path) {
  if (path == "translation") return AnimationPathTranslation;
  if (path == "rotation") return AnimationPathRotation;
  if (path == "scale") return AnimationPathScale;
  if (path == "weights") return AnimationPathWeights;
  reader.Fail(fmt::format("    Totally unexpected target path: {}", path));
}

AnimationInterpolation Interpolation(const GltfReader& reader, const std::string& name) {
  if (name == "LINEAR" || name.empty()) return AnimationInterpolation::Linear;
  if (name == "STEP") return AnimationInterpolation::Step;
  if (name == "CUBICSPLINE") return AnimationInterpolation::CubicSpline;
  reader.Fail(fmt::format("unknown animation interpolation \"{}\"", name));
}

void GltfConverter::GetAnimations() {
  LogInfo("  [gltf] [anims] Adding {} animations", model_.animations.size());
  for (const tinygltf::Animation& source : model_.animations) {
    auto animation = std::make_unique<Animation>();
    std::set<std::pair<int32_t, uint32_t>> targets;
    for (const tinygltf::AnimationChannel& channel : source.channels) {
      // Channels aimed at no node (animated through extensions) are skipped.
      if (channel.target_node < 0) continue;
      std::unique_ptr<AnimationChannel> converted = GetChannel(source, channel, first_file_node_);
      if (!targets.insert({converted->node, converted->path}).second) {
        reader_.Fail(fmt::format("two channels of one animation animate the {} of node {}",
                                 channel.target_path, channel.target_node));
      }
      animation->channels.push_back(std::move(converted));
    }
    out_.animations.push_back(std::move(animation));
  }
}

// Key times: one float each, finite and ascending.
std::vector<float> KeyTimes(const GltfReader& reader, int accessor) {
  GltfFloats times = reader.ReadFloats(accessor);
  if (times.components != 1) reader.Fail("Assert failed");
  if (times.values.empty()) reader.Fail(fmt::format("animation input {} has no keys", accessor));
  for (size_t i = 0; i < times.values.size(); ++i) {
    if (!std::isfinite(times.values[i]) || (i > 0 && times.values[i] < times.values[i - 1])) {
      reader.Fail(fmt::format("animation input {} key {} is not ascending", accessor, i));
    }
  }
  return std::move(times.values);
}

std::unique_ptr<AnimationChannel> GltfConverter::GetChannel(
    const tinygltf::Animation& animation, const tinygltf::AnimationChannel& source,
    uint32_t node_base) {
  reader_.CheckIndex("animation sampler", source.sampler, animation.samplers.size());
  reader_.CheckIndex("animation target node", source.target_node, model_.nodes.size());
  const tinygltf::AnimationSampler& sampler = animation.samplers[source.sampler];
  auto channel = std::make_unique<AnimationChannel>();
  channel->node = static_cast<int32_t>(node_base + source.target_node);
  channel->path = TargetPath(reader_, source.target_path);
  channel->interpolation = Interpolation(reader_, sampler.interpolation);
  channel->times = KeyTimes(reader_, sampler.input);
  GltfFloats output = reader_.ReadFloats(sampler.output);
  const size_t keys = channel->times.size();
  const size_t per_key_groups = channel->interpolation == AnimationInterpolation::CubicSpline ? 3 : 1;
  uint32_t stride = 0;
  if (channel->path == AnimationPathWeights) {
    // Weights: one scalar per morph target per key.
    if (output.components != 1 || output.count % (keys * per_key_groups) != 0 ||
        output.count == 0) {
      reader_.Fail(fmt::format("animation output {} holds {} values for {} keys of weights",
                               sampler.output, output.count, keys));
    }
    stride = static_cast<uint32_t>(output.count / (keys * per_key_groups));
  } else {
    const uint32_t wanted = channel->path == AnimationPathRotation ? 4 : 3;
    if (output.components != wanted || output.count != keys * per_key_groups) {
      reader_.Fail(fmt::format("animation output {} holds {} values of {} floats for {} keys of {}",
                               sampler.output, output.count, output.components, keys,
                               source.target_path));
    }
    stride = wanted;
  }
  channel->stride = stride;
  if (per_key_groups == 1) {
    channel->values = std::move(output.values);
  } else {
    // Each key is an (in-tangent, value, out-tangent) triplet of `stride` floats each.
    for (size_t k = 0; k < keys; ++k) {
      const auto triplet = output.values.begin() + static_cast<std::ptrdiff_t>(k * 3 * stride);
      channel->in_tangents.insert(channel->in_tangents.end(), triplet, triplet + stride);
      channel->values.insert(channel->values.end(), triplet + stride, triplet + 2 * stride);
      channel->out_tangents.insert(channel->out_tangents.end(), triplet + 2 * stride,
                                   triplet + 3 * stride);
    }
  }
  return channel;
}

void AppendRecords(Objects3DData& data, NewRecords&& records) {
  for (auto& material : records.materials) data.materials.push_back(std::move(material));
  for (auto& primitive : records.primitives) data.primitives.push_back(std::move(primitive));
  for (auto& mesh : records.meshes) data.meshes.push_back(std::move(mesh));
  if (!records.new_master_children.empty()) {
    std::vector<uint32_t>& children = data.nodes[0]->children;
    children.insert(children.end(), records.new_master_children.begin(),
                    records.new_master_children.end());
  }
  for (auto& node : records.nodes) data.nodes.push_back(std::move(node));
  for (auto& animation : records.animations) data.animations.push_back(std::move(animation));
}

}  // namespace

std::string MakeUniqueNodeName(const Objects3DData& data, const std::string& wanted) {
  std::unordered_set<std::string> used;
  for (const auto& node : data.nodes) used.insert(node->name);
  std::string name = wanted;
  for (uint32_t n = 1; used.count(name) != 0; ++n) name = fmt::format("{}-{}", wanted, n);
  return name;
}

void LoadGltfRecords(const std::string& path, const std::vector<uint8_t>& bytes,
                     Objects3DData& data, bool prefix) {
  LogInfo("  [gltf] gltf loader: {}", path);
  const bool binary = std::filesystem::path(path).extension() == ".glb";
  tinygltf::Model model;
  std::string error, warning;
  if (!ParseGltfModel(path, bytes, model, error, warning)) {
    throw GltfError(fmt::format("Failed to load {}: {}\n{}", binary ? "GLB" : "GLTF", path, error));
  }
  if (!warning.empty()) LogInfo("  [gltf] Warning: {}", warning);
  if (model.scenes.size() > 1) {
    throw GltfError(fmt::format("[gltf] Don't know how to deal with {} scenes in a file!",
                                model.scenes.size()));
  }
  AppendRecords(data, GltfConverter(model, path, data).Convert(prefix));
  LogInfo("  [gltf] gltf loader done: {}", path);
}

GLTF_Loader::GLTF_Loader(const std::string& path, Objects3DData& data, bool prefix) {
  try {
    LoadGltfRecords(path, GetFileBytes(path, "rb", false), data, prefix);
  } catch (const GltfError& error) {
    ExitMsg(__FILE__, __LINE__, error.what());
  } catch (const std::exception& exception) {
    ExitMsgFmt(__FILE__, __LINE__, "GLTF_Loader constructor failed ({}):\n{}", path,
               exception.what());
  }
}
