#include "util/texture/texture.h"

#include <algorithm>
#include <memory>

#include <glm/glm.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include "system/log.h"
#include "system/messagebox.h"
#include "util/gpuresources/gpuresources.h"
#include "util/shaderprogram/shaderprogram.h"
#include "util/texture/image_loader.h"

namespace {

enum class PixelClass { Bytes, Floats, Depth, DepthStencil };

bool IsOneOf(GLint value, std::initializer_list<GLint> values) {
  return std::find(values.begin(), values.end(), value) != values.end();
}

PixelClass ClassOf(GLint internal_format) {
  if (IsOneOf(internal_format, {1, 2, 3, 4, GL_RGB8, GL_RGBA8, GL_R32UI, GL_RGBA8UI})) {
    return PixelClass::Bytes;
  }
  if (IsOneOf(internal_format, {GL_RGBA32F, GL_RGB32F, GL_RGBA16F, GL_RGB16F})) {
    return PixelClass::Floats;
  }
  if (IsOneOf(internal_format, {GL_DEPTH_COMPONENT16, GL_DEPTH_COMPONENT24,
                                GL_DEPTH_COMPONENT32, GL_DEPTH_COMPONENT32F_NV})) {
    return PixelClass::Depth;
  }
  if (internal_format == GL_DEPTH32F_STENCIL8) return PixelClass::DepthStencil;
  ExitMsgFmt(__FILE__, __LINE__, "Unrecognized texture format {:#x}!", internal_format);
}

// Components a pixel of the given pixel format holds in the uploaded bytes.
size_t ComponentsOf(GLenum pixel_format) {
  switch (pixel_format) {
    case GL_RGBA: case GL_BGRA: case GL_RGBA_INTEGER: return 4;
    case GL_RGB: case GL_BGR: case GL_RGB_INTEGER: return 3;
    case GL_RG: case GL_RG_INTEGER: return 2;
    default: return 1;
  }
}

// The file's extension with its dot, as written (no case folding), or empty.
std::string ExtensionOf(const std::string& file_name) {
  const size_t dot = file_name.find_last_of('.');
  const size_t slash = file_name.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return file_name.substr(dot);
}

}  // namespace

Texture::Texture(const std::string& file_name) : Texture(file_name, true, true) {}

Texture::Texture(const std::string& file_name, bool mipmaps, bool repeat)
    : Texture(file_name, mipmaps, repeat, GL_LINEAR, GL_LINEAR) {}

Texture::Texture(const std::string& file_name, bool mipmaps, bool repeat, GLenum min_filter,
                 GLenum mag_filter) {
  if (!Load(file_name, mipmaps, repeat, min_filter, mag_filter)) {
    ExitMsgFmt(__FILE__, __LINE__, "Failed to load texture {}", file_name);
  }
}

Texture::Texture(const std::string& buffer_name, const std::vector<uint8_t>& bytes,
                 uint32_t bytes_per_pixel, uint32_t buffer_width, uint32_t buffer_height,
                 bool use_mipmaps, bool repeat, GLenum min, GLenum mag)
    : name("CreatedFromBuffer[" + buffer_name + "]"),
      bpp(bytes_per_pixel * 8),
      width(buffer_width),
      height(buffer_height),
      wrap(repeat ? GL_REPEAT : GL_CLAMP_TO_EDGE),
      internal_format(static_cast<GLint>(bytes_per_pixel)),
      mipmaps(use_mipmaps),
      min_filter(min),
      mag_filter(mag) {
  if (bpp != 24 && bpp != 32) ExitMsgFmt(__FILE__, __LINE__, "Unsupported bpp {}", bpp);
  format = bpp == 32 ? GL_RGBA : GL_RGB;
  if (bytes.size() != static_cast<size_t>(width) * height * bytes_per_pixel) {
    ExitMsg(__FILE__, __LINE__, "Assert failed");
  }
  image_data = bytes;
  Create();
}

void Texture::BindToUnit(GLuint unit) const {
  glActiveTexture(GL_TEXTURE0 + unit);
  glBindTexture(Target(), id);
}

void Texture::UnbindFromUnit(GLuint unit) const {
  glActiveTexture(GL_TEXTURE0 + unit);
  glBindTexture(Target(), 0);
}

Texture::~Texture() {
  if (id == 0) return;
  Destroy();
  const GLenum error = glGetError();
  if (error != GL_NO_ERROR) {
    LogLine("{}", GLErrorString(error) + " while destroying texture " + name);
  }
}

void Texture::Destroy() {
  glDeleteTextures(1, &id);
  id = 0;
}

bool Texture::Load(const std::string& file_name, bool use_mipmaps, bool repeat, GLenum min,
                   GLenum mag) {
  if (file_name.empty()) ExitMsg(__FILE__, __LINE__, "Tried to load Texture with empty filename");
  name = file_name;
  wrap = repeat ? GL_REPEAT : GL_CLAMP_TO_EDGE;
  mipmaps = use_mipmaps;
  min_filter = min;
  mag_filter = mag;

  const std::string extension = ExtensionOf(file_name);
  bool flip = true;
  if (extension == ".hdr") {
    flip = false;
  } else if (extension != ".jpg" && extension != ".jpeg" && extension != ".png" &&
             extension != ".bmp") {
    ShowMessageBox(MessageBoxRequest{
        "Unsupported image format!",
        "Sorry, image format " + extension + " is not yet supported.\nTry .jpg or .png.",
        MessageBoxButtons::Ok, MessageBoxIcon::None, false});
    return false;
  }
  LoadImageFile(*this, file_name, flip);
  return Create();
}

bool Texture::create_multisampled(uint32_t new_width, uint32_t new_height, uint32_t new_samples,
                                  bool use_mipmaps, GLenum new_internal_format) {
  name = "create_multisampled";
  width = new_width;
  height = new_height;
  samples = new_samples;
  mipmaps = use_mipmaps;
  internal_format = static_cast<GLint>(new_internal_format);
  format = GL_RGBA;
  bpp = 32;
  wrap = GL_CLAMP_TO_EDGE;
  min_filter = GL_LINEAR;
  mag_filter = GL_LINEAR;
  return Create();
}

void SetSamplerState(GLenum target, bool mipmaps, GLenum min_filter, GLenum mag_filter,
                     GLenum wrap) {
  if (mipmaps) {
    GLfloat max_anisotropy = 1.0f;
    glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &max_anisotropy);
    glTexParameterf(target, GL_TEXTURE_MAX_ANISOTROPY_EXT, max_anisotropy);
    glTexParameteri(target, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(target, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  } else {
    glTexParameteri(target, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(min_filter));
    glTexParameteri(target, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(mag_filter));
  }
  glTexParameteri(target, GL_TEXTURE_WRAP_S, static_cast<GLint>(wrap));
  glTexParameteri(target, GL_TEXTURE_WRAP_T, static_cast<GLint>(wrap));
  glTexParameteri(target, GL_TEXTURE_WRAP_R, static_cast<GLint>(wrap));
}

void Texture::Upload() const {
  const GLenum target = Target();
  const PixelClass pixel_class = ClassOf(internal_format);
  GLenum pixel_format = format;
  GLenum data_type = GL_UNSIGNED_BYTE;
  if (pixel_class == PixelClass::Floats) data_type = GL_FLOAT;
  if (pixel_class == PixelClass::Depth || pixel_class == PixelClass::DepthStencil) {
    // Depth textures are read as plain values (no comparison), without blending between texels;
    // a depth-stencil texture is read as its depth.
    if (!IsMultisampled()) {
      glTexParameteri(target, GL_DEPTH_TEXTURE_MODE, GL_INTENSITY);
      glTexParameteri(target, GL_TEXTURE_COMPARE_MODE, GL_NONE);
      glTexParameteri(target, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
      glTexParameteri(target, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    }
    pixel_format = GL_DEPTH_COMPONENT;
    data_type = GL_FLOAT;
  }
  if (pixel_class == PixelClass::DepthStencil) {
    pixel_format = GL_DEPTH_STENCIL;
    data_type = GL_FLOAT_32_UNSIGNED_INT_24_8_REV;
  }
  // The fields are public: bytes short of the size and format would be read past their end.
  // A packed depth-stencil pixel takes two words.
  const size_t bytes_per_component =
      data_type == GL_FLOAT_32_UNSIGNED_INT_24_8_REV ? 2 * sizeof(float)
      : data_type == GL_FLOAT                        ? sizeof(float)
                                                     : 1;
  const size_t needed =
      static_cast<size_t>(width) * height * ComponentsOf(pixel_format) * bytes_per_component;
  if (!image_data.empty() && image_data.size() < needed) {
    ExitMsg(__FILE__, __LINE__, "Assert failed");
  }
  if (IsMultisampled()) {
    glTexImage2DMultisample(target, static_cast<GLsizei>(samples), static_cast<GLenum>(internal_format),
                            static_cast<GLsizei>(width), static_cast<GLsizei>(height), GL_TRUE);
  } else {
    glTexImage2D(target, 0, internal_format, static_cast<GLsizei>(width),
                 static_cast<GLsizei>(height), 0, pixel_format, data_type,
                 image_data.empty() ? nullptr : image_data.data());
  }
}

bool Texture::Create() {
  if (id != 0) ExitMsg(__FILE__, __LINE__, "Attempt to create an already initialized texture!");
  glGenTextures(1, &id);
  glBindTexture(Target(), id);
  // Sampler state goes to this texture's own target. Multisampled textures have no sampler
  // state and no mip levels, so they get none.
  if (!IsMultisampled()) SetSamplerState(Target(), mipmaps, min_filter, mag_filter, wrap);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  Upload();
  if (mipmaps && !IsMultisampled()) glGenerateMipmap(Target());
  return true;
}

void Texture::Resize(uint32_t new_width, uint32_t new_height) {
  if (!image_data.empty()) {
    ExitMsg(__FILE__, __LINE__, "Attempted to resize a texture with imageData not null");
  }
  if (id == 0) ExitMsg(__FILE__, __LINE__, "Attempted to resize a texture that is not initialized!");
  Destroy();
  width = new_width;
  height = new_height;
  Create();
}

float Texture::GetAspectRatio() const {
  if (width == 0 || height == 0) ExitMsg(__FILE__, __LINE__, "Invalid texture!");
  return static_cast<float>(width) / static_cast<float>(height);
}

std::vector<uint8_t> Texture::get_image_data_flipped_vertically() const {
  if (image_data.empty()) {
    ExitMsgFmt(__FILE__, __LINE__,
               "Image data for {} is empty when calling get_image_data_flipped_vertically(). "
               "Probably a bug.",
               name);
  }
  const size_t row_bytes = static_cast<size_t>(width) * bpp / 8;
  // The fields are public: bytes that do not match the size would be read past their end.
  if (image_data.size() != row_bytes * height) ExitMsg(__FILE__, __LINE__, "Assert failed");
  std::vector<uint8_t> flipped(image_data.size());
  for (size_t row = 0; row < height; ++row) {
    const size_t source = (height - 1 - row) * row_bytes;
    std::copy_n(image_data.begin() + static_cast<std::ptrdiff_t>(source), row_bytes,
                flipped.begin() + static_cast<std::ptrdiff_t>(row * row_bytes));
  }
  return flipped;
}

void Texture::Update(const std::vector<uint8_t>& bytes) {
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(Target(), id);
  if (bpp != 32 || IsMultisampled() || bytes.size() != static_cast<size_t>(width) * height * 4) {
    ExitMsg(__FILE__, __LINE__, "Assert failed");
  }
  if (!image_data.empty()) {
    if (image_data.size() != bytes.size()) ExitMsg(__FILE__, __LINE__, "Assert failed");
    image_data = bytes;
  }
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexSubImage2D(Target(), 0, 0, 0, static_cast<GLsizei>(width),
                  static_cast<GLsizei>(height), format, GL_UNSIGNED_BYTE, bytes.data());
  if (mipmaps) {
    LogInfo("Generating mipmap");
    glGenerateMipmap(Target());
  }
}

std::string GLErrorString(GLenum error) {
  switch (error) {
    case GL_NO_ERROR: return "GL_NO_ERROR";
    case GL_INVALID_ENUM: return "GL_INVALID_ENUM";
    case GL_INVALID_VALUE: return "GL_INVALID_VALUE";
    case GL_INVALID_OPERATION: return "GL_INVALID_OPERATION";
    case GL_STACK_OVERFLOW: return "GL_STACK_OVERFLOW";
    case GL_STACK_UNDERFLOW: return "GL_STACK_UNDERFLOW";
    case GL_OUT_OF_MEMORY: return "GL_OUT_OF_MEMORY";
    default: return "Unknown GL error";
  }
}

void UseTextureDefaultShader() { GpuResources::Current().UseCopyProgram(); }
