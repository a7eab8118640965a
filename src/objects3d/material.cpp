#include "objects3d/material.h"

namespace {

struct PresetValues {
  const char* name;
  glm::vec4 base_color;
};

constexpr PresetValues kPresets[] = {
    {"DefaultRed", {0.67f, 0.12f, 0.12f, 1.0f}},  {"DefaultGreen", {0.0f, 0.75f, 0.18f, 1.0f}},
    {"DefaultBlue", {0.0f, 0.45f, 0.63f, 1.0f}},  {"DefaultYellow", {0.94f, 0.75f, 0.18f, 1.0f}},
    {"DefaultBlack", {0.0f, 0.0f, 0.0f, 1.0f}},   {"DefaultWhite", {1.0f, 1.0f, 1.0f, 1.0f}},
};

}  // namespace

Material::Material(MaterialPreset preset) {
  if (preset >= std::size(kPresets)) return;
  name = kPresets[preset].name;
  base_color = kPresets[preset].base_color;
}

std::shared_ptr<Material> MakeMaterial() { return std::make_shared<Material>(); }

std::shared_ptr<Material> MakeGltfMaterial(const std::string& name) {
  auto material = std::make_shared<Material>(MaterialPresetWhite);
  material->name = name;
  material->metallic = 1.0f;
  material->roughness = 1.0f;
  return material;
}
