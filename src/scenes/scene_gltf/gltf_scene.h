#pragma once
// One model of the viewer: its own Objects3D, loaded on first use, with a floor under it,
// seven cameras around its bounding box and, when the file brings no lights, three default
// lights that circle it.

#include <cstdint>
#include <string>

#include <glm/glm.hpp>

#include "objects3d/objects3d.h"

class GltfScene {
 public:
  GltfScene(std::string path, bool grid);

  // Loads the file on first use; later calls return at once. grid_counter counts grid copies
  // over every model of the run (every fifth one glows).
  void Load(uint64_t& grid_counter);
  void AddFloor();
  void AddCamera(const glm::vec3& eye, const glm::vec3& target, const glm::vec3& up);
  void AddBoundingBoxCameras();
  // Puts the bounding-box cameras back where AddBoundingBoxCameras placed them.
  void PlaceCameras();

  // The size the scene was last given; handed on to the objects once they are loaded.
  void Resize(uint32_t new_width, uint32_t new_height, float new_aspect);

  bool HasFirstNode() const;
  Node& FirstNode() { return objects.GetNode(1u); }

  uint8_t loaded = 0;
  std::string path = "ERROR";
  uint8_t grid = 0;
  uint32_t width = 0;
  uint32_t height = 0;
  float aspect = 16.0f / 9.0f;
  Objects3D objects;
  glm::vec3 bbox_min{0.0f};
  glm::vec3 bbox_max{0.0f};
  glm::vec3 centre{0.0f};
  float size = 0.0f;  // the bounding-box diagonal
  uint32_t camera_index = 0;
  uint32_t floor_node = 0;
  uint8_t default_lights = 0;

 private:
  void MakeGrid(uint64_t& grid_counter);
  void MeasureBoundingBox();
  void AddDefaultLights();
};
