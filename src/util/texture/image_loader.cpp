#include "util/texture/image_loader.h"

#include <cstring>
#include <limits>
#include <memory>

#include <stb_image.h>

#include "system/log.h"
#include "util/data/data.h"
#include "util/texture/texture.h"

namespace {

[[noreturn]] void DecodeFailed(const std::string& file_name) {
  ExitMsgFmt(__FILE__, __LINE__, "Failed to load image {}\nFailure reason: {}", file_name,
             stbi_failure_reason());
}

// Copies rows of row_bytes each into the texture's bytes, bottom row first when flipping.
void StoreRows(Texture& texture, const uint8_t* pixels, size_t row_bytes, bool flip) {
  const size_t height = texture.height;
  texture.image_data.resize(row_bytes * height);
  for (size_t row = 0; row < height; ++row) {
    const size_t source_row = flip ? height - 1 - row : row;
    std::memcpy(texture.image_data.data() + row * row_bytes, pixels + source_row * row_bytes,
                row_bytes);
  }
}

// Radiance files hold linear light beyond 1.0: decoded as floats (no display encoding, no
// clamp) into a floating-point texture, three floats a pixel.
void DecodeRadiance(Texture& texture, const std::string& file_name,
                    const std::vector<uint8_t>& bytes, bool flip) {
  int width = 0;
  int height = 0;
  int channels = 0;
  std::unique_ptr<float, void (*)(void*)> pixels(
      stbi_loadf_from_memory(bytes.data(), static_cast<int>(bytes.size()), &width, &height,
                             &channels, 3),
      stbi_image_free);
  if (!pixels) DecodeFailed(file_name);
  texture.bpp = 96;
  texture.format = GL_RGB;
  texture.internal_format = GL_RGB32F;
  texture.width = static_cast<uint32_t>(width);
  texture.height = static_cast<uint32_t>(height);
  StoreRows(texture, reinterpret_cast<const uint8_t*>(pixels.get()),
            static_cast<size_t>(width) * 3 * sizeof(float), flip);
}

// 8 bits a channel, 3 or 4 channels.
void DecodeBytes(Texture& texture, const std::string& file_name, const std::vector<uint8_t>& bytes,
                 bool flip) {
  int width = 0;
  int height = 0;
  int channels = 0;
  std::unique_ptr<stbi_uc, void (*)(void*)> pixels(
      stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &width, &height,
                            &channels, 0),
      stbi_image_free);
  if (!pixels) DecodeFailed(file_name);
  if (channels == 3) {
    texture.bpp = 24;
    texture.format = GL_RGB;
    texture.internal_format = GL_RGB8;
  } else if (channels == 4) {
    texture.bpp = 32;
    texture.format = GL_RGBA;
    texture.internal_format = GL_RGBA8;
  } else {
    ExitMsgFmt(__FILE__, __LINE__, "Unexpected number of channels ({}) in file {}", channels,
               file_name);
  }
  texture.width = static_cast<uint32_t>(width);
  texture.height = static_cast<uint32_t>(height);
  StoreRows(texture, pixels.get(), static_cast<size_t>(width) * static_cast<size_t>(channels),
            flip);
}

}  // namespace

bool LoadImageFile(Texture& texture, const std::string& file_name, bool flip) {
  return DecodeImage(texture, file_name, GetFileBytes(file_name, "rb", false), flip);
}

bool DecodeImage(Texture& texture, const std::string& file_name, const std::vector<uint8_t>& bytes,
                 bool flip) {
  if (bytes.size() > static_cast<size_t>(std::numeric_limits<int>::max())) {
    ExitMsgFmt(__FILE__, __LINE__, "Failed to load image {}\nFailure reason: {}", file_name,
               "file too large");
  }
  const auto length = static_cast<int>(bytes.size());
  if (stbi_is_16_bit_from_memory(bytes.data(), length)) {
    ExitMsg(__FILE__, __LINE__, "HDR 16 bit image not supported yet");
  }
  if (stbi_is_hdr_from_memory(bytes.data(), length)) {
    DecodeRadiance(texture, file_name, bytes, flip);
  } else {
    DecodeBytes(texture, file_name, bytes, flip);
  }
  LogInfo("  Loaded {} ({}x{} {}bpp)", file_name, texture.width, texture.height, texture.bpp);
  return true;
}
