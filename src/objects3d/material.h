#pragma once
// A PBR material of the metallic-roughness model: factors, per-instance colours and up to five
// textures. Loaded materials carry their decoded pictures (`*_image`) until the GPU side makes
// the textures from them (Objects3D::CreateMaterialTextures); scenes may also set textures
// directly. Plain data: nothing here touches GL.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <glm/glm.hpp>

class Texture;

// A decoded picture ready for upload: 8 bits a channel, `components` (3 or 4) channels, rows
// in the file's order (top row first), which is the order glTF texture coordinates expect.
struct TextureImage {
  std::string name;
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t components = 0;
  std::vector<uint8_t> pixels;
};

// A base colour whose alpha reaches this counts as opaque: it writes depth, casts shadows and is
// laid down by the depth pre-pass. Below it a surface is seen through.
constexpr float kOpaqueAlpha = 0.99f;

// The material presets; values above White keep the defaults.
enum MaterialPreset : uint32_t {
  MaterialPresetRed = 0,
  MaterialPresetGreen = 1,
  MaterialPresetBlue = 2,
  MaterialPresetYellow = 3,
  MaterialPresetBlack = 4,
  MaterialPresetWhite = 5,
};

struct Material {
  Material() = default;
  explicit Material(MaterialPreset preset);

  std::string name = "Uninitialized";
  glm::vec4 base_color{1.0f, 1.0f, 1.0f, 1.0f};
  glm::vec3 emissive{0.0f, 0.0f, 0.0f};
  // Multiply the metallic-roughness texture's green (roughness) and blue (metallic) channels
  // when there is one; they are the values themselves without it.
  float roughness = 0.9f;
  float metallic = 0.1f;
  // Scales the x and y of the normal texture's tangent-space normal.
  float normal_scale = 1.0f;
  // How much of the occlusion texture applies: 1 + strength * (occlusion - 1).
  float occlusion_strength = 1.0f;
  // One colour per node instance when not empty.
  std::vector<glm::vec4> instance_base_colors;
  std::vector<glm::vec3> instance_emission_colors;

  // GPU textures; null until made from the images below or set by a scene.
  std::shared_ptr<Texture> base_color_texture;
  std::shared_ptr<Texture> normal_texture;
  std::shared_ptr<Texture> emissive_texture;
  std::shared_ptr<Texture> occlusion_texture;
  std::shared_ptr<Texture> metallic_roughness_texture;

  // Decoded pictures of a loaded file, waiting for upload. Materials that use the same glTF
  // texture share one image (and so get one GPU texture). Released once the texture exists.
  std::shared_ptr<const TextureImage> base_color_image;
  std::shared_ptr<const TextureImage> normal_image;
  std::shared_ptr<const TextureImage> emissive_image;
  std::shared_ptr<const TextureImage> occlusion_image;
  std::shared_ptr<const TextureImage> metallic_roughness_image;

  uint8_t alpha_mask = 0;
  uint8_t alpha_opaque = 0;
  uint8_t unlit = 0;

  // An emissive texture, made or still waiting as an image.
  bool HasEmissiveTexture() const { return emissive_texture || emissive_image; }
};

// A shared material with the defaults ("Uninitialized", white, roughness 0.9, metallic 0.1).
std::shared_ptr<Material> MakeMaterial();

// A shared material with glTF's defaults, what a file's material starts from and what a
// primitive without one gets: white, fully metallic, fully rough, no emission.
std::shared_ptr<Material> MakeGltfMaterial(const std::string& name);
