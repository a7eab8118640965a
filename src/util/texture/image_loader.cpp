#include "util/texture/image_loader.h"

#include <cstring>
#include <limits>
#include <memory>

#include <stb_image.h>

#include "system/log.h"
#include "util/data/data.h"
#include "util/texture/texture.h"

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
  int width = 0;
  int height = 0;
  int channels = 0;
  std::unique_ptr<stbi_uc, void (*)(void*)> pixels(
      stbi_load_from_memory(bytes.data(), length, &width, &height, &channels, 0), stbi_image_free);
  if (!pixels) {
    ExitMsgFmt(__FILE__, __LINE__, "Failed to load image {}\nFailure reason: {}", file_name,
               stbi_failure_reason());
  }
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
  const size_t row_bytes = static_cast<size_t>(width) * static_cast<size_t>(channels);
  texture.image_data.resize(row_bytes * static_cast<size_t>(height));
  for (size_t row = 0; row < static_cast<size_t>(height); ++row) {
    const size_t source_row = flip ? static_cast<size_t>(height) - 1 - row : row;
    std::memcpy(texture.image_data.data() + row * row_bytes, pixels.get() + source_row * row_bytes,
                row_bytes);
  }
  LogInfo("  Loaded {} ({}x{} {}bpp)", file_name, width, height, texture.bpp);
  return true;
}
