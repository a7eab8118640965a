// Objects3D operations that append records, and the resize that follows the window.

#include <algorithm>
#include <fmt/format.h>
#include <set>
#include <stdexcept>

#include "objects3d/objects3d.h"
#include "system/log.h"
#include "util/camera/camera.h"
#include "util/fbo/fbo.h"

Node& Objects3D::AddMasterNode() {
  if (!data.nodes.empty()) {
    throw std::runtime_error("Tried to add master node to non-empty nodes list");
  }
  Node& master = AddNode("Master node", -1);
  return master;
}

Node& Objects3D::AddNode(const std::string& name, int32_t parent) {
  auto node = std::make_unique<Node>();
  node->name = name;
  node->index = static_cast<uint32_t>(data.nodes.size());
  node->parent = parent;
  data.nodes.push_back(std::move(node));
  return *data.nodes.back();
}

Mesh& Objects3D::AddMesh() {
  data.meshes.push_back(std::make_unique<Mesh>());
  return *data.meshes.back();
}

void Objects3D::SetPrimitiveMaterial(const std::shared_ptr<Primitive>& primitive,
                                     const std::shared_ptr<Material>& material) {
  const auto found = std::find(data.materials.begin(), data.materials.end(), material);
  primitive->material_index = static_cast<uint32_t>(found - data.materials.begin());
  if (found == data.materials.end()) data.materials.push_back(material);
  primitive->material = material;
}

Mesh& Objects3D::CreateMesh(const std::shared_ptr<Primitive>& primitive) {
  Mesh& mesh = AddMesh();
  const auto found = std::find(data.primitives.begin(), data.primitives.end(), primitive);
  const auto index = static_cast<uint32_t>(found - data.primitives.begin());
  // The primitive joins the list so that its index names it.
  if (found == data.primitives.end()) data.primitives.push_back(primitive);
  mesh.AddPrimitive(index, primitive);
  if (primitive->indices.empty() && primitive->position_components != 0) {
    const uint32_t vertices = primitive->VertexCount();
    primitive->indices.resize(vertices);
    for (uint32_t i = 0; i < vertices; ++i) primitive->indices[i] = i;
    primitive->index_components = 1;
    primitive->indices_dirty = 1;
  }
  return mesh;
}

Node& Objects3D::AddObject(const Mesh* mesh, Node* parent) {
  if (data.nodes.empty()) AddMasterNode();
  if (parent == nullptr) parent = data.nodes[0].get();
  const auto found = std::find_if(data.meshes.begin(), data.meshes.end(),
                                  [&](const std::unique_ptr<Mesh>& m) { return m.get() == mesh; });
  auto mesh_index = static_cast<uint32_t>(found - data.meshes.begin());
  if (found == data.meshes.end()) {
    LogInfo("Object not found, adding new at id {}", mesh_index);
    AddMesh();
  }
  const uint32_t parent_index = parent->index;
  Node& node = AddNode(fmt::format("child-{}", data.nodes.size()),
                       static_cast<int32_t>(parent_index));
  node.meshes.push_back(mesh_index);
  data.nodes[parent_index]->children.push_back(node.index);
  return node;
}

Node& Objects3D::AddPrimitive(const std::shared_ptr<Primitive>& primitive,
                              const std::shared_ptr<Material>& material, Node* parent) {
  SetPrimitiveMaterial(primitive, material);
  Mesh& mesh = CreateMesh(primitive);
  return AddObject(&mesh, parent);
}

std::shared_ptr<Camera>& Objects3D::AddCamera() {
  data.cameras.push_back(std::make_shared<Camera>());
  return data.cameras.back();
}

void Objects3D::Resize(uint32_t width, uint32_t height, float new_aspect) {
  // The light-marker chain is walked once per scene even if it leads back to one already seen.
  std::set<const Objects3D*> seen;
  for (Objects3D* scene = this; scene != nullptr && seen.insert(scene).second;
       scene = scene->light_marker.get()) {
    scene->render_width = static_cast<int32_t>(width);
    scene->render_height = static_cast<int32_t>(height);
    scene->aspect = new_aspect;
    scene->ResizeLights(width, height);
    const auto w = static_cast<int32_t>(width), h = static_cast<int32_t>(height);
    if (scene->dof_fbo) scene->dof_fbo->Resize(w, h);
    if (scene->linear_fbo) scene->linear_fbo->Resize(w, h);
  }
}
