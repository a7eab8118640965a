#include "objects3d/objects3d.h"

#include <cmath>
#include <filesystem>
#include <stdexcept>

#include "effects/skybox.h"
#include "objects3d/context/rendercontext.h"
#include "objects3d/gltf_loader.h"
#include "objects3d/shared_resources.h"
#include "system/log.h"
#include "util/camera/camera.h"
#include "util/fbo/fbo.h"
#include "util/texture/texture.h"
#include "util/texture/texturecube.h"

Objects3D::Objects3D() { InitSharedResources(); }

Objects3D::Objects3D(const std::string& path) : Objects3D() { Load(path, false); }

Objects3D::~Objects3D() { RemoveObjects3DInstance(); }

int32_t Objects3D::InstanceCount() { return Objects3DInstanceCount(); }

void Objects3D::InitSharedResources() {
  AddObjects3DInstance();
  // Made with the scene so that the exposure and IBL colour a scene sets before its first draw
  // already light that frame. The context holds no GL objects until its first draw.
  render_context = std::make_shared<RenderContext>();
  // The orthographic projection of the unit square, for full-screen composites.
  screen_matrix = glm::mat4(glm::vec4(2, 0, 0, 0), glm::vec4(0, 2, 0, 0), glm::vec4(0, 0, -1, 0),
                            glm::vec4(-1, -1, 0, 1));
}

// --- Lifecycle ---

bool Objects3D::Load(const std::string& path, bool prefix) {
  try {
    const std::string extension = std::filesystem::path(path).extension().string();
    if (extension != ".gltf" && extension != ".glb") {
      throw std::runtime_error("3D scene of format " + extension +
                               " not supported, only .gltf/.glb supported right now");
    }
    if (!LoadGltf(path, prefix)) throw std::runtime_error("Failed to load " + path);
  } catch (const std::exception& exception) {
    throw std::runtime_error(std::string("Fail during Objects3D::Load: ") + exception.what());
  }
  return true;
}

bool Objects3D::LoadGltf(const std::string& path, bool prefix) {
  LogInfo("  Loading GLTF file {}", path);
  GLTF_Loader(path, data, prefix);
  FinishLoad();
  LogInfo("  [gltf] Done loading {}", path);
  return true;
}

void Objects3D::FinishLoad() {
  glm::vec3 min, max;
  GetNodeBBox("", min, max);
  if (const std::optional<ShadowPlanes> planes = ComputeShadowPlanes(min, max)) {
    SetLightShadowPlanes(*planes);
  }
  for (const auto& material : data.materials) {
    if (material->HasEmissiveTexture()) {
      LogInfo("  ..glow texture found, enabling glow pass");
      glow_enabled = 1;
      break;
    }
  }
  CreateMaterialTextures();
  LogInfo("  ..prewarming...");
  Prewarm();
  LogInfo("  ..prewarming complete");
}

namespace {

// Makes (once per image) the texture of one material slot and lets go of the picture.
void MakeTexture(std::shared_ptr<const TextureImage>& image, std::shared_ptr<Texture>& texture,
                 std::vector<std::pair<const TextureImage*, std::shared_ptr<Texture>>>& made) {
  if (!image) return;
  if (!texture) {
    for (const auto& [source, existing] : made) {
      if (source == image.get()) texture = existing;
    }
  }
  if (!texture) {
    texture = std::make_shared<Texture>(image->name, image->pixels, image->components,
                                        image->width, image->height, true, true,
                                        GL_NEAREST_MIPMAP_LINEAR, GL_LINEAR);
    made.emplace_back(image.get(), texture);
  }
  image.reset();
}

}  // namespace

void Objects3D::CreateMaterialTextures() {
  // Pictures shared by several materials stay alive in `made` until all of them have theirs.
  std::vector<std::pair<const TextureImage*, std::shared_ptr<Texture>>> made;
  std::vector<std::shared_ptr<const TextureImage>> keep_alive;
  for (const auto& material : data.materials) {
    for (auto* image : {&material->base_color_image, &material->normal_image,
                        &material->emissive_image, &material->occlusion_image,
                        &material->metallic_roughness_image}) {
      if (*image) keep_alive.push_back(*image);
    }
  }
  for (const auto& m : data.materials) {
    MakeTexture(m->base_color_image, m->base_color_texture, made);
    MakeTexture(m->normal_image, m->normal_texture, made);
    MakeTexture(m->emissive_image, m->emissive_texture, made);
    MakeTexture(m->occlusion_image, m->occlusion_texture, made);
    MakeTexture(m->metallic_roughness_image, m->metallic_roughness_texture, made);
  }
}

void Objects3D::SetSkyBox(const glm::vec3& position) {
  skybox = std::make_unique<Effects::SkyBox>();
  std::shared_ptr<TextureCube> cube;
  if (RequireObjects3DSharedResources().env_specular) {
    cube = std::make_shared<TextureCube>(kEnvSpecularPrefix, kEnvSpecularExtension, true);
  }
  skybox->init(position, 150.0f, cube);
  skybox_enabled = 1;
}

// --- Queries ---

Node& Objects3D::GetMasterNode() {
  if (data.nodes.empty()) throw std::runtime_error("Tried GetMasterNode() with no nodes");
  return *data.nodes[0];
}

Node& Objects3D::GetNode(const std::string& name) {
  if (name.empty()) return GetMasterNode();
  for (const auto& node : data.nodes) {
    if (node->name == name) return *node;
  }
  ExitMsgFmt(__FILE__, __LINE__, "Couldn't find node {}", name);
}

Node& Objects3D::GetNode(uint32_t index) {
  if (index >= data.nodes.size()) ExitMsg(__FILE__, __LINE__, "Assert failed");
  return *data.nodes[index];
}

Mesh& Objects3D::GetMesh(uint32_t index) {
  if (index >= data.meshes.size()) ExitMsg(__FILE__, __LINE__, "Assert failed");
  return *data.meshes[index];
}

std::shared_ptr<Material> Objects3D::GetMaterial(uint32_t index) {
  if (index >= data.materials.size()) ExitMsg(__FILE__, __LINE__, "Assert failed");
  return data.materials[index];
}

std::shared_ptr<Material> Objects3D::GetMaterial(const Node& node) {
  const Node* at = &node;
  // A node without meshes hands the question to its only child; the walk is bounded by the
  // node count so that a scene-built cycle cannot loop for ever.
  for (size_t steps = 0; steps <= data.nodes.size(); ++steps) {
    if (at->meshes.size() > 1) {
      ExitMsg(__FILE__, __LINE__, "Multiple objects, ambiguous which material is desired");
    }
    if (at->meshes.size() == 1) {
      const Mesh& mesh = GetMesh(at->meshes[0]);
      if (mesh.primitives.size() != 1) {
        ExitMsgFmt(__FILE__, __LINE__, "Unexpected number of primitives in mesh: {}",
                   mesh.primitives.size());
      }
      return GetMaterial(mesh.primitives[0]->material_index);
    }
    if (at->children.empty()) {
      ExitMsg(__FILE__, __LINE__, "No objects, no children, cannot find applicable material");
    }
    if (at->children.size() > 1) {
      ExitMsg(__FILE__, __LINE__,
              "No objects, multiple children, ambiguous which material is desired");
    }
    at = &GetNode(at->children[0]);
  }
  ExitMsg(__FILE__, __LINE__, "Assert failed");
}

void Objects3D::GetInstances(uint32_t node_index, std::vector<glm::mat4>& out) {
  if (data.nodes.empty()) ExitMsg(__FILE__, __LINE__, "Assert failed");
  if (out.empty()) out.push_back(glm::mat4(1.0f));
  // The chain from the node up to its root, bounded by the node count against cycles.
  std::vector<const Node*> chain;
  for (int64_t at = node_index; at >= 0; at = GetNode(static_cast<uint32_t>(at)).parent) {
    if (chain.size() > data.nodes.size()) ExitMsg(__FILE__, __LINE__, "Assert failed");
    chain.push_back(&GetNode(static_cast<uint32_t>(at)));
  }
  for (auto level = chain.rbegin(); level != chain.rend(); ++level) {
    const std::vector<glm::mat4>& local = (*level)->instances;
    std::vector<glm::mat4> combined;
    combined.reserve(out.size() * local.size());
    for (const glm::mat4& parent : out) {
      for (const glm::mat4& own : local) combined.push_back(parent * own);
    }
    out = std::move(combined);
  }
}

void Objects3D::GetNodeBBox(const std::string& name, glm::vec3& min, glm::vec3& max) {
  min = glm::vec3(999999.0f);
  max = glm::vec3(-999999.0f);
  if (!bbox_internal(GetMasterNode(), name, min, max, name.empty())) {
    ExitMsgFmt(__FILE__, __LINE__, "Couldn't find node {}", name);
  }
}

bool Objects3D::bbox_internal(const Node& node, const std::string& name, glm::vec3& min,
                              glm::vec3& max, bool inside) {
  // A disabled node takes no part, its subtree included.
  if (!node.enabled) return false;
  bool found = false;
  if (node.visible) {
    if (!inside && node.name == name) inside = true;
    if (inside) {
      found = true;
      std::vector<glm::mat4> world;
      GetInstances(node.index, world);
      for (uint32_t mesh_index : node.meshes) {
        for (const auto& primitive : GetMesh(mesh_index).primitives) {
          if (primitive->position_components != 3) {
            ExitMsg(__FILE__, __LINE__, "Vertices stride is not 3!? (bbox_internal)");
          }
          const uint32_t vertices = primitive->VertexCount();
          for (uint32_t index : primitive->indices) {
            if (index >= vertices) continue;
            const glm::vec4 p(primitive->positions[index * 3], primitive->positions[index * 3 + 1],
                              primitive->positions[index * 3 + 2], 1.0f);
            for (const glm::mat4& matrix : world) {
              const glm::vec3 q(matrix * p);
              min = glm::min(min, q);
              max = glm::max(max, q);
            }
          }
        }
      }
    }
  }
  for (uint32_t child : node.children) {
    if (child < data.nodes.size() && child != node.index &&
        bbox_internal(*data.nodes[child], name, min, max, inside)) {
      found = true;
    }
  }
  return found;
}

void Objects3D::DumpTree(bool enabled_only, uint32_t node_index, uint32_t depth) {
  if (node_index >= data.nodes.size() || depth > data.nodes.size()) return;
  const Node& node = *data.nodes[node_index];
  if (enabled_only && !node.enabled) return;
  if (!enabled_only || node.visible) {
    LogInfo("{:{}}{}: {}", "", depth, node.index, node.name);
  }
  for (uint32_t child : node.children) DumpTree(enabled_only, child, depth + 1);
}

// --- Shadow sizes ---

std::optional<ShadowPlanes> ComputeShadowPlanes(const glm::vec3& min, const glm::vec3& max) {
  if (min.x > max.x || min.y > max.y || min.z > max.z) return std::nullopt;
  const float diagonal = glm::length(max - min);
  if (!(diagonal > 0.0f) || !std::isfinite(diagonal)) return std::nullopt;
  ShadowPlanes planes;
  const float n = 0.001f * diagonal;
  const float f = 2.0f * diagonal;
  planes.near_plane = n;
  planes.far_plane = f;
  planes.projection = glm::mat4(0.0f);
  planes.projection[0][0] = 1.0f;
  planes.projection[1][1] = 1.0f;
  planes.projection[2][2] = -(f + n) / (f - n);
  planes.projection[2][3] = -1.0f;
  planes.projection[3][2] = -2.0f * f * n / (f - n);
  return planes;
}

int32_t ShadowMapSize(uint32_t width, int32_t max_cube_size) {
  int32_t cap = kMaxShadowMapSize;
  if (max_cube_size > 0 && max_cube_size < cap) cap = max_cube_size;
  int32_t size = 4;
  while (size < cap && static_cast<uint32_t>(size) < width) size *= 2;
  return std::min(size, cap);
}
