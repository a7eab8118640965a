#include "scenes/scene_gltf/gltf_scene.h"

#include <cmath>

#include <glm/gtc/matrix_transform.hpp>

#include "objects3d/procedural.h"
#include "scenes/scene_gltf/viewerlayout.h"
#include "system/log.h"
#include "util/camera/camera.h"
#include "util/light/light.h"

GltfScene::GltfScene(std::string model_path, bool grid_flag)
    : path(std::move(model_path)), grid(grid_flag ? 1 : 0) {}

void GltfScene::Resize(uint32_t new_width, uint32_t new_height, float new_aspect) {
  width = new_width;
  height = new_height;
  aspect = new_aspect;
  if (loaded && width > 0 && height > 0) objects.Resize(width, height, aspect);
}

bool GltfScene::HasFirstNode() const { return objects.data.nodes.size() > 1; }

void GltfScene::Load(uint64_t& grid_counter) {
  if (loaded) return;
  objects.Load(path, false);
  if (width > 0 && height > 0) objects.Resize(width, height, aspect);
  camera_index = 0;
  if (grid) {
    MeasureBoundingBox();
    MakeGrid(grid_counter);
  }
  MeasureBoundingBox();
  AddFloor();
  AddBoundingBoxCameras();
  if (objects.data.lights.empty()) AddDefaultLights();
  loaded = 1;
}

// Every copy of the grid is an instance of the model's first node, so that node must draw
// exactly one primitive, whose material then carries the copies' colours.
void GltfScene::MakeGrid(uint64_t& grid_counter) {
  const bool one_primitive = HasFirstNode() && FirstNode().meshes.size() == 1 &&
                             objects.GetMesh(FirstNode().meshes[0]).primitives.size() == 1;
  if (!one_primitive) {
    ExitMsgFmt(__FILE__, __LINE__,
               "Model {} can't be shown as a grid: its first node must hold one mesh of one "
               "primitive",
               path);
  }
  Node& node = FirstNode();
  std::shared_ptr<Material> material = objects.GetMaterial(node);
  GridCopies copies = LayOutGrid(size, grid_counter);
  node.instances = std::move(copies.matrices);
  material->instance_base_colors = std::move(copies.base_colors);
  material->instance_emission_colors = std::move(copies.emissions);
}

// A model with nothing measurable (no indexed triangles) counts as a point at the origin, and
// a model without extent as one unit across, so that cameras, lights and the sky box get
// finite, usable distances.
void GltfScene::MeasureBoundingBox() {
  objects.GetNodeBBox("", bbox_min, bbox_max);
  if (bbox_min.x > bbox_max.x) bbox_min = bbox_max = glm::vec3(0.0f);
  centre = (bbox_min + bbox_max) * 0.5f;
  size = glm::length(bbox_max - bbox_min);
  if (!(size > 0.0f) || !std::isfinite(size)) size = 1.0f;
}

void GltfScene::AddFloor() {
  auto material = std::make_shared<Material>(MaterialPresetWhite);
  material->name = "Floor Material";
  material->base_color = glm::vec4(0.2f, 0.2f, 0.2f, 1.0f);
  material->roughness = 0.8f;
  material->metallic = 0.1f;
  auto plane = MakePlane(2.0f * (bbox_max.x - bbox_min.x), 2.0f * (bbox_max.z - bbox_min.z), 1.0f);
  objects.SetPrimitiveMaterial(plane, material);
  const Mesh& mesh = objects.CreateMesh(plane);
  Node& node = objects.AddObject(&mesh, nullptr);
  node.name = "FloorNode";
  node.SetMatrix(glm::translate(glm::mat4(1.0f), glm::vec3(centre.x, bbox_min.y, centre.z)));
  floor_node = node.index;
}

void GltfScene::AddCamera(const glm::vec3& eye, const glm::vec3& target, const glm::vec3& up) {
  std::shared_ptr<Camera>& camera = objects.AddCamera();
  camera->LookAt(eye.x, eye.y, eye.z, target.x, target.y, target.z, up.x, up.y, up.z);
  camera->SetNearFar(0.001f * size, 10.0f * size);
}

void GltfScene::AddBoundingBoxCameras() {
  for (const CameraPose& pose : BoundingBoxCameras(centre, size)) {
    AddCamera(pose.eye, pose.target, pose.up);
  }
}

void GltfScene::PlaceCameras() {
  const std::vector<CameraPose> poses = BoundingBoxCameras(centre, size);
  for (size_t i = 0; i < poses.size() && i < objects.data.cameras.size(); ++i) {
    const CameraPose& p = poses[i];
    objects.data.cameras[i]->LookAt(p.eye.x, p.eye.y, p.eye.z, p.target.x, p.target.y,
                                    p.target.z, p.up.x, p.up.y, p.up.z);
  }
}

void GltfScene::AddDefaultLights() {
  LogInfo("  No lights found, adding default lights");
  default_lights = 1;
  for (const DefaultLight& preset : DefaultLights()) {
    std::shared_ptr<Light>& light = objects.AddLight();
    light->name = preset.name;
    light->color = preset.color;
    light->shadow_near = 0.001f * size;
    light->shadow_far = kLightShadowReach * size;
    light->projection = CubeFaceProjection(light->shadow_near, light->shadow_far);
  }
}
