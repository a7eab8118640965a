#include "objects3d/context/rendercontextshaderpieces.h"

#include <array>
#include <fmt/format.h>

#include "system/log.h"
#include "util/shaderprogram/shaderconstructor.h"

namespace {

constexpr char kPieceFolder[] = "data/objects3d/shaderpieces/";
constexpr std::array<const char*, 6> kPieceFiles = {
    "animation.glsl", "functions.glsl",  "metallic-roughness.frag",
    "primitive.vert", "textures.glsl",   "tonemapping.glsl"};
enum PieceIndex { kAnimation, kFunctions, kMetallicRoughness, kPrimitive, kTextures, kToneMapping };

// The piece texts of the process, without their "//!" note lines.
struct PieceTexts {
  bool loaded = false;
  std::array<std::string, kPieceFiles.size()> texts;
};

PieceTexts& Pieces() {
  static PieceTexts pieces;
  return pieces;
}

std::string HeaderText(const ShaderFeatures& features, const VariantDescription& d) {
  const auto yes_no = [](bool b) { return b ? "true" : "false"; };
  const bool valid_mode = d.mode < RenderContextDrawMode::MAX;
  std::string header = "RenderContextShaderPieces\n";
  header += fmt::format("//  draw_mode:       {}\n",
                        valid_mode ? std::string("RenderContextDrawMode::") +
                                         GetRenderContextDrawModeString(d.mode)
                                   : std::string("INVALID"));
  header += fmt::format("//  num_lights:      {}\n", d.light_count);
  header += fmt::format("//  material:        {}\n", SanitizeForGlslComment(d.material_name));
  header += fmt::format("//    diffuse_tex:   {}\n", yes_no(d.base_color_texture));
  header += fmt::format("//    normal_tex:    {}\n", yes_no(d.normal_texture));
  header += fmt::format("//    emission_tex:  {}\n", yes_no(d.emissive_texture));
  header += fmt::format("//    occlusion_tex: {}\n", yes_no(d.occlusion_texture));
  for (uint32_t i = 0; i < kShaderFeatureCount; ++i) {
    const auto feature = static_cast<ShaderFeature>(i);
    if (features.Has(feature)) header += fmt::format("//  #define {}\n", GetShaderFeatureName(feature));
  }
  return header;
}

}  // namespace

RenderContextShaderPieces::RenderContextShaderPieces() {
  PieceTexts& pieces = Pieces();
  if (pieces.loaded) return;
  LogInfo("\t[RenderContextShaderPieces] Loading shader pieces.");
  for (size_t i = 0; i < kPieceFiles.size(); ++i) {
    pieces.texts[i] =
        ShaderPiece{ShaderPieceSource::FILE, std::string(kPieceFolder) + kPieceFiles[i]}.GetText();
  }
  pieces.loaded = true;
}

bool RenderContextShaderPieces::Loaded() { return Pieces().loaded; }

std::string SanitizeForGlslComment(const std::string& text) {
  std::string out = text;
  for (char& c : out) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u > 0x7e || c == '\\') c = '?';
  }
  return out;
}

std::shared_ptr<ShaderConstructor> MakeVariantConstructor(const ShaderFeatures& features,
                                                          const VariantDescription& d) {
  const PieceTexts& pieces = Pieces();
  if (!pieces.loaded) {
    ExitMsg(__FILE__, __LINE__,
            "GetShader called without RenderContextShaderPieces being initialized!");
  }
  auto c = std::make_shared<ShaderConstructor>();
  c->name = HeaderText(features, d);
  c->version = 420;
  using T = ShaderPieceType;
  const auto inline_piece = [&c](T type, const std::string& text) {
    c->AddPiece(type, ShaderPieceSource::STRING, text);
  };
  inline_piece(T::VERTEX_GLOBALS, fmt::format("#define WEIGHT_COUNT {}", d.weight_count));
  inline_piece(T::VERTEX_GLOBALS, fmt::format("#define LIGHT_COUNT {}", d.light_count));
  inline_piece(T::FRAGMENT_GLOBALS, fmt::format("#define LIGHT_COUNT {}", d.light_count));
  for (uint32_t i = 0; i < kShaderFeatureCount; ++i) {
    const auto feature = static_cast<ShaderFeature>(i);
    if (!features.Has(feature)) continue;
    const std::string define = std::string("#define ") + GetShaderFeatureName(feature);
    inline_piece(T::VERTEX_GLOBALS, define);
    inline_piece(T::FRAGMENT_GLOBALS, define);
  }
  for (const PieceIndex i : {kAnimation, kPrimitive}) inline_piece(T::VERTEX_GLOBALS, pieces.texts[i]);
  for (const PieceIndex i : {kToneMapping, kTextures, kFunctions, kMetallicRoughness}) {
    inline_piece(T::FRAGMENT_GLOBALS, pieces.texts[i]);
  }
  return c;
}
