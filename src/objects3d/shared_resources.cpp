#include "objects3d/shared_resources.h"

#include <fmt/format.h>

#include "system/log.h"
#include "util/shaderprogram/shaderconstructor.h"
#include "util/shaderprogram/shaderprogram.h"
#include "util/texture/texture.h"
#include "util/texture/texturecube.h"

Objects3DSharedResources::Objects3DSharedResources() = default;
Objects3DSharedResources::~Objects3DSharedResources() = default;

namespace {

int32_t instances = 0;
// Made on first use; emptied when the last Objects3D goes, which scenes do before the GL
// context is deleted.
std::unique_ptr<Objects3DSharedResources> shared;

Objects3DSharedResources& Resources() {
  if (!shared) shared = std::make_unique<Objects3DSharedResources>();
  return *shared;
}

const char* Flag(bool on) { return on ? "true" : "false"; }

// The resolve's vertex stage needs only the position: the fragment stage reads by pixel.
std::unique_ptr<ShaderProgram> MakeResolveProgram(const std::optional<ResolveVariant>& variant) {
  auto constructor = std::make_shared<ShaderConstructor>();
  constructor->name = "Objects3DLinearResolve";
  constructor->version = 420;
  constructor->AddStrings(ShaderPieceType::VERTEX_GLOBALS,
                          {"uniform mat4 ProjectionMatrix;",
                           "layout(location = VertexAttribPosition) in vec2 Position;"});
  constructor->AddStrings(ShaderPieceType::VERTEX_BODY,
                          {"gl_Position = ProjectionMatrix * vec4(Position, 0.0, 1.0);"});
  if (variant) {
    constructor->AddStrings(ShaderPieceType::FRAGMENT_GLOBALS,
                            {fmt::format("#define MULTISAMPLED {}", Flag(variant->multisampled)),
                             fmt::format("#define READS_DEPTH {}", Flag(variant->reads_depth)),
                             fmt::format("#define ADDS_LIGHT {}", Flag(variant->adds_light))});
  } else {
    constructor->AddStrings(ShaderPieceType::FRAGMENT_GLOBALS,
                            {"#define MULTISAMPLED (u_Samples > 0)",
                             "#define READS_DEPTH (u_ReadDepth != 0)", "#define ADDS_LIGHT true"});
  }
  constructor->AddPiece(ShaderPieceType::FRAGMENT_GLOBALS, ShaderPieceSource::FILE,
                        "data/objects3d/shaders/linear_resolve.frag");
  return std::make_unique<ShaderProgram>(constructor);
}

size_t ResolveVariantIndex(const ResolveVariant& v) {
  return (v.multisampled ? 4u : 0u) + (v.reads_depth ? 2u : 0u) + (v.adds_light ? 1u : 0u);
}

ResolveVariant ResolveVariantOfIndex(size_t index) {
  return {(index & 4u) != 0, (index & 2u) != 0, (index & 1u) != 0};
}

}  // namespace

int32_t Objects3DInstanceCount() { return instances; }

void AddObjects3DInstance() { ++instances; }

void RemoveObjects3DInstance() {
  --instances;
  if (instances < 0) {
    Log("{}\n", "ERROR: Negative _objects3d_instances, how on earth did that happen?");
    return;
  }
  if (instances > 0) return;
  LogInfo("Cleaning up Objects3D shared resources...");
  // Programs go now; the textures when the last render context holding them lets go.
  shared.reset();
  LogInfo("Objects3D shared resources cleanup done.");
}

const Objects3DSharedResources& GetObjects3DSharedResources() { return Resources(); }

const Objects3DSharedResources& RequireObjects3DSharedResources() {
  Objects3DSharedResources& r = Resources();
  if (!r.blur_shader) r.blur_shader = std::make_unique<ShaderProgram>(MakeBlur2DShader("Objects3DBlur"));
  if (!r.copy_shader) {
    r.copy_shader = std::make_unique<ShaderProgram>(MakeTextured2DShader("Objects3DCopy"));
  }
  if (!r.flat_shader) r.flat_shader = std::make_unique<ShaderProgram>(MakeFlat3DShader("Objects3D"));
  if (!r.dof_shader) {
    r.dof_shader = std::make_unique<ShaderProgram>("data/objects3d/shaders/dof.vert",
                                                   "data/objects3d/shaders/dof.frag");
  }
  // Every resolve program is made now, while loading: a show whose frame first turns
  // multisampled or takes added light halfway would otherwise link a program mid-show.
  if (!r.resolve_shader) r.resolve_shader = MakeResolveProgram(std::nullopt);
  for (size_t index = 0; index < r.resolve_variants.size(); ++index) {
    std::unique_ptr<ShaderProgram>& variant = r.resolve_variants[index];
    if (!variant) variant = MakeResolveProgram(ResolveVariantOfIndex(index));
  }
  if (!r.brdf_lut) {
    r.brdf_lut = std::make_shared<Texture>(kBrdfLutFile, false, false, GL_LINEAR, GL_LINEAR);
  }
  if (!r.env_diffuse) {
    r.env_diffuse = std::make_shared<TextureCube>(kEnvDiffusePrefix, kEnvDiffuseExtension, false);
    // The irradiance varies slowly over directions, so filtering its few texels anisotropically
    // adds nothing a reader could see; but a normal map swings the lookup direction from pixel
    // to pixel, and llvmpipe then takes up to sixteen trilinear samples per lookup.
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_CUBE_MAP, &bound);
    glBindTexture(GL_TEXTURE_CUBE_MAP, r.env_diffuse->id);
    glTexParameterf(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAX_ANISOTROPY_EXT, 1.0f);
    glBindTexture(GL_TEXTURE_CUBE_MAP, static_cast<GLuint>(bound));
  }
  if (!r.env_specular) {
    r.env_specular = std::make_shared<TextureCube>(kEnvSpecularPrefix, kEnvSpecularExtension, true);
    r.env_specular->CreatePrefilteredMipmaps();
  }
  return r;
}

ShaderProgram& RequireLinearResolveProgram(const std::optional<ResolveVariant>& variant) {
  Objects3DSharedResources& r = Resources();
  if (!variant) {
    if (!r.resolve_shader) r.resolve_shader = MakeResolveProgram(std::nullopt);
    return *r.resolve_shader;
  }
  std::unique_ptr<ShaderProgram>& program = r.resolve_variants[ResolveVariantIndex(*variant)];
  if (!program) program = MakeResolveProgram(variant);
  return *program;
}
