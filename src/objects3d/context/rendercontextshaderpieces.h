#pragma once
// The six GLSL piece files of the 3D shader variants and the generation of one variant's source
// from them. The pieces are read once per process, when the first variant is built, and kept as
// text, so compiling a variant reads no file.

#include <cstdint>
#include <memory>
#include <string>

#include "objects3d/context/shaderfeature.h"

class ShaderConstructor;

class RenderContextShaderPieces {
 public:
  // Reads the pieces when no context has read them yet in this process.
  RenderContextShaderPieces();

  static bool Loaded();
};

// What a variant's header comment tells about the draw that made it.
struct VariantDescription {
  RenderContextDrawMode mode = RenderContextDrawMode::Normal;
  uint32_t light_count = 0;
  uint32_t weight_count = 0;
  std::string material_name;
  bool base_color_texture = false;
  bool normal_texture = false;
  bool emissive_texture = false;
  bool occlusion_texture = false;
};

// Text from a file made safe for a GLSL comment line: printable ASCII without backslashes (a
// line break would end the comment and inject code, a backslash would splice the next line, a
// NUL would cut the source); other bytes become '?'.
std::string SanitizeForGlslComment(const std::string& text);

// The constructor of one variant: GLSL 4.20, the defines of the features and counts, then the
// piece texts (vertex: animation, primitive; fragment: tone mapping, textures, functions,
// metallic-roughness). Fatal when the pieces have not been read.
std::shared_ptr<ShaderConstructor> MakeVariantConstructor(const ShaderFeatures& features,
                                                          const VariantDescription& description);
