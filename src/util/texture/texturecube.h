#pragma once
// A cube-map texture made from six face images found in the data tree by trying a few naming
// schemes, each face decoded through Texture (Radiance faces as linear floats, the others as
// bytes). Face order everywhere is -X, +X, -Y, +Y, -Z, +Z.
// CreatePrefilteredMipmaps replaces the mip chain by renderings of the environment's light
// blurred for rising roughness, for image-based lighting. Owns its GL cube map.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <GL/glew.h>

#include "util/texture/texture.h"

using CubeFaceFiles = std::array<std::string, 6>;

class TextureCube {
 public:
  // Throws std::runtime_error when no scheme has all six files, or a face cannot be loaded.
  TextureCube(const std::string& base_path, const std::string& extension, bool flip);
  ~TextureCube();
  TextureCube(const TextureCube&) = delete;
  TextureCube& operator=(const TextureCube&) = delete;

  bool Load(const CubeFaceFiles& files, bool flip);
  bool Create();
  // Mip level m of the n becomes the environment's light (byte faces decoded) prefiltered for
  // roughness m / (n - 1), as floats. The cube must be square with an even size.
  void CreatePrefilteredMipmaps();

  std::array<std::unique_ptr<Texture>, 6> faces;
  std::array<std::vector<uint8_t>, 6> face_data;
  std::string base_path;
  std::string extension;
  bool flip = false;
  uint32_t bpp = 0;
  uint32_t width = 0;
  uint32_t height = 0;
  GLenum format = GL_RGB;
  GLuint id = 0;
  GLenum wrap = GL_CLAMP_TO_EDGE;
  GLint internal_format = GL_RGB8;
  bool mipmaps = true;
  GLenum min_filter = GL_LINEAR_MIPMAP_LINEAR;
  GLenum mag_filter = GL_LINEAR;
};

// The six face files of the first naming scheme whose files all exist, if any.
std::optional<CubeFaceFiles> FindCubeFaceFiles(const std::string& base_path,
                                               const std::string& extension);

// True when every file exists (and for an empty list).
bool AllFilesExist(const std::vector<std::string>& files);

// Draws a cube of side 1 centred on the origin: positions at location 0, face normals at 1,
// texture coordinates at 2, 36 vertices as triangles, counter-clockwise seen from outside.
void RenderCube();
