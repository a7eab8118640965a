#pragma once
// The GPU resources every Objects3D shares: the blur, flat-colour, depth-of-field and
// linear-light resolve programs, the BRDF lookup texture and the diffuse and specular
// environment cube maps. Each live Objects3D holds one count; the resources are made on the
// first GPU use (the draw side calls RequireObjects3DSharedResources before it draws or
// uploads) and freed when the count drops to zero, so Objects3D can be made and filled
// without a GL context.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

class ShaderProgram;
class Texture;
class TextureCube;

struct Objects3DSharedResources {
  std::unique_ptr<ShaderProgram> blur_shader;
  // Copies a texture as it is sampled (stretching the half-size blurred glow over the frame).
  std::unique_ptr<ShaderProgram> copy_shader;
  std::unique_ptr<ShaderProgram> flat_shader;
  std::unique_ptr<ShaderProgram> dof_shader;
  // Display-encode the linear-light frame onto the caller's target: the program that decides
  // by its uniforms, then one per ResolveVariant (by ResolveVariantIndex), all made while loading.
  std::unique_ptr<ShaderProgram> resolve_shader;
  std::array<std::unique_ptr<ShaderProgram>, 8> resolve_variants;
  std::shared_ptr<Texture> brdf_lut;
  std::shared_ptr<TextureCube> env_diffuse;
  std::shared_ptr<TextureCube> env_specular;

  Objects3DSharedResources();
  ~Objects3DSharedResources();
};

// Face sets of the environments.
inline constexpr char kEnvDiffusePrefix[] = "data/objects3d/environments/doge2/diffuse/diffuse_";
inline constexpr char kEnvDiffuseExtension[] = "hdr";
inline constexpr char kEnvSpecularPrefix[] = "data/common/skyboxes/urban-skyboxes/CNTower/1024_";
inline constexpr char kEnvSpecularExtension[] = "jpg";
inline constexpr char kBrdfLutFile[] = "data/objects3d/textures/brdfLUT.png";

// What one linear-light frame's resolve does: its program for such frames leaves the rest out.
struct ResolveVariant {
  bool multisampled = false;
  bool reads_depth = true;
  bool adds_light = false;
};

// Count of live Objects3D.
int32_t Objects3DInstanceCount();
void AddObjects3DInstance();
// Drops one count; at zero the resources are freed. Below zero logs the error, frees nothing.
void RemoveObjects3DInstance();

// The resources as they are now (members null until made).
const Objects3DSharedResources& GetObjects3DSharedResources();
// GL: makes each resource that does not exist yet (fatal when a file is missing).
const Objects3DSharedResources& RequireObjects3DSharedResources();
// GL: the resolve program for frames of `variant`, or without one the program for any frame.
ShaderProgram& RequireLinearResolveProgram(const std::optional<ResolveVariant>& variant);
