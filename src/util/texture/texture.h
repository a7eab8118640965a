#pragma once
// The 2D texture: loaded from an image file in the data tree (PNG, JPEG, BMP, Radiance HDR),
// made from bytes, or created empty on the GPU as a render target, optionally multisampled.
// Image textures keep their bytes on the CPU side in upload order (GL's bottom row first).
// The texture owns its GL object; every GL call needs the current context.

#include <cstdint>
#include <string>
#include <vector>

#include <GL/glew.h>

class Texture {
 public:
  Texture() = default;
  // Mipmaps on, repeat on, linear filters.
  explicit Texture(const std::string& file_name);
  Texture(const std::string& file_name, bool mipmaps, bool repeat);
  Texture(const std::string& file_name, bool mipmaps, bool repeat, GLenum min_filter,
          GLenum mag_filter);
  // From tightly packed bytes (3 or 4 a pixel), uploaded as they are.
  Texture(const std::string& name, const std::vector<uint8_t>& bytes, uint32_t bytes_per_pixel,
          uint32_t width, uint32_t height, bool mipmaps, bool repeat, GLenum min_filter,
          GLenum mag_filter);
  ~Texture();
  Texture(const Texture&) = delete;
  Texture& operator=(const Texture&) = delete;

  // False (after telling the user) for an unsupported file extension.
  bool Load(const std::string& file_name, bool mipmaps, bool repeat, GLenum min_filter,
            GLenum mag_filter);
  // Makes the GL texture from the fields; leaves it bound to its target.
  bool Create();
  bool create_multisampled(uint32_t width, uint32_t height, uint32_t samples, bool mipmaps,
                           GLenum internal_format);
  // Render targets only: recreates the GL texture, empty, at the new size.
  void Resize(uint32_t width, uint32_t height);
  float GetAspectRatio() const;
  std::vector<uint8_t> get_image_data_flipped_vertically() const;
  // Replaces the picture of a 32-bit texture by new RGBA bytes of the same size.
  void Update(const std::vector<uint8_t>& bytes);

  bool IsMultisampled() const { return samples > 0; }
  GLenum Target() const { return IsMultisampled() ? GL_TEXTURE_2D_MULTISAMPLE : GL_TEXTURE_2D; }
  // Binds to (or clears from) texture unit `unit`; leaves that unit active.
  void BindToUnit(GLuint unit) const;
  void UnbindFromUnit(GLuint unit) const;

  std::string name = "Uninitialized";
  std::vector<uint8_t> image_data;
  uint32_t bpp = 0;
  uint32_t width = 0;
  uint32_t height = 0;
  GLenum format = 0;
  GLuint id = 0;
  uint32_t samples = 0;
  GLenum wrap = GL_CLAMP_TO_EDGE;
  GLint internal_format = 0;
  bool mipmaps = false;
  GLenum min_filter = GL_LINEAR;
  GLenum mag_filter = GL_LINEAR;

 private:
  void Upload() const;
  void Destroy();
};

// Filtering and wrapping of the texture bound to target: with mipmaps trilinear filtering at the
// driver's maximum anisotropy (the given filters are then not used), else the given filters.
// The wrap mode goes to every texture coordinate (R matters for cube maps only).
void SetSamplerState(GLenum target, bool mipmaps, GLenum min_filter, GLenum mag_filter,
                     GLenum wrap);

// The name of a glGetError code, "Unknown GL error" for anything else.
std::string GLErrorString(GLenum error);

// Binds a program that draws a texture on unit 0 over the unit square (orthographic 0..1);
// callers then draw a quad over 0..1 with the texture bound.
void UseTextureDefaultShader();
