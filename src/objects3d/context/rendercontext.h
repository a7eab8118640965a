#pragma once
// The state the 3D draw passes hand down to every primitive: the light list of the pass in
// progress, exposure and image-based-light colour, the shared IBL textures, and the cache of
// compiled shader variants keyed by feature set, light count and morph weight count. SetUp
// prepares one primitive draw: it picks (or builds) the variant, makes it current, binds the
// textures to consecutive units and sets every uniform through locations found at link time.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include <GL/glew.h>
#include <glm/glm.hpp>

#include "objects3d/context/rendercontextshaderpieces.h"
#include "objects3d/context/shaderfeature.h"
#include "objects3d/context/shadervariant.h"

class Camera;
class Light;
class Texture;
class TextureCube;
struct Material;

// One primitive draw as the set-up sees it. Pointers are the caller's and read during SetUp.
struct PrimitiveDrawInputs {
  RenderContextDrawMode mode = RenderContextDrawMode::Normal;
  // Model-view matrices, one per instance.
  const glm::mat4* instances = nullptr;
  uint32_t instance_count = 0;
  const Material* material = nullptr;
  const Camera* camera = nullptr;
  uint32_t morph_count = 0;
  std::array<MorphTargetStreams, kMaxShaderMorphTargets> morph{};
  // The node's weights; the draw uses exactly morph_count of them, missing ones as 0.
  const float* weights = nullptr;
  uint32_t weight_count = 0;
  // Buffer texture of the morph normal and tangent deltas (0: none) and the vertex count that
  // addresses it.
  GLuint morph_deltas = 0;
  uint32_t vertex_count = 0;
};

// The model-view root of a camera: its view matrix translated by its shake offset.
glm::mat4 CameraRootMatrix(const Camera& camera);

// The cone values the shaders compare against: the cosine of each half-angle.
struct ConeCosines {
  float inner;
  float outer;
};
ConeCosines LightConeCosines(const Light& light);

class RenderContext {
 public:
  RenderContext();
  ~RenderContext();
  RenderContext(const RenderContext&) = delete;
  RenderContext& operator=(const RenderContext&) = delete;

  void SetUp(const PrimitiveDrawInputs& draw);
  // The variant of a feature set with the context's light count and the given weight count,
  // built on first use. Fatal when building fails.
  ShaderVariant& GetVariant(const ShaderFeatures& features, uint32_t weight_count,
                            const VariantDescription& description);
  ShaderFeatureInputs FeatureInputs(const PrimitiveDrawInputs& draw) const;
  // Puts texture units 0..(highest unit used) back to no texture and unit 0 active.
  void UnbindTextures();

  size_t VariantCount() const { return shader_cache_.size(); }
  // Uniform names the cached variants have looked up, all told (they do so once, at link).
  size_t QueriedUniformNameCount() const;
  uint32_t LightCount() const;

  uint8_t has_normals = 0;
  uint8_t has_tangents = 0;
  int32_t color_components = 0;
  uint8_t shadow_map_bound = 0;
  // Set while the depth pre-pass runs: only surfaces that write depth in the main pass are drawn.
  uint8_t depth_only = 0;
  // Ways of drawing the same picture more cheaply: all on in a show, turned off only by tests.
  struct Shortcuts {
    // While depth_only is set, draw through the depth-write variants, whose fragment stage has
    // no output: llvmpipe runs a stage with outputs even with every colour write masked off.
    bool colourless_depth_programs = true;
    // Lit variants leave out the directional and the spot light's terms where the pass has no
    // such light, rather than every variant taking every kind.
    bool light_kind_variants = true;
  };
  Shortcuts shortcuts;
  float exposure = 1.0f;
  // Set by the draw passes while they draw into the linear-light frame: the shaders then write
  // exposed linear light, which the frame's end display-encodes once.
  uint8_t linear_target = 0;
  glm::vec4 ibl_color{1.0f, 1.0f, 1.0f, 1.0f};
  // The lights of the pass in progress; at most kMaxShaderLights are used.
  std::vector<std::shared_ptr<Light>> lights;
  // Read when the first variant is built: a context is made with its scene, which may be
  // before (or without) any drawing.
  std::optional<RenderContextShaderPieces> shader_pieces;
  std::shared_ptr<TextureCube> env_diffuse;
  std::shared_ptr<TextureCube> env_specular;
  std::shared_ptr<Texture> brdf_lut;

 private:
  uint32_t SetShadowUniforms(const ShaderVariant& v, const glm::mat4& view);
  void SetEmissiveUniforms(const ShaderVariant& v, const PrimitiveDrawInputs& draw,
                           uint32_t& unit);
  void SetMaterialUniforms(const ShaderVariant& v, const PrimitiveDrawInputs& draw,
                           const glm::mat4& view, uint32_t& unit);
  void SetLightUniforms(const ShaderVariant& v, const glm::mat4& view) const;
  void SetMorphUniforms(const ShaderVariant& v, const PrimitiveDrawInputs& draw, uint32_t& unit);
  void BindTexture(int32_t location, GLenum target, GLuint texture, uint32_t& unit);

  std::unordered_map<VariantKey, std::unique_ptr<ShaderVariant>, VariantKeyHash> shader_cache_;
  uint32_t units_used_ = 0;
};
