#include "support/test_images.h"

#include <cmath>
#include <fstream>
#include <stdexcept>

#include <stb_image_write.h>
#include <zlib.h>

namespace {

void Check(int written, const std::string& path) {
  if (written == 0) throw std::runtime_error("could not write test image " + path);
}

void AppendU32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

void AppendChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
  AppendU32(out, static_cast<uint32_t>(data.size()));
  std::vector<uint8_t> typed(type, type + 4);
  typed.insert(typed.end(), data.begin(), data.end());
  out.insert(out.end(), typed.begin(), typed.end());
  AppendU32(out, static_cast<uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))));
}

}  // namespace

void WritePng(const std::string& path, int width, int height, int channels, const Pixels& pixels) {
  Check(stbi_write_png(path.c_str(), width, height, channels, pixels.data(), width * channels),
        path);
}

void WriteJpg(const std::string& path, int width, int height, int channels, const Pixels& pixels) {
  Check(stbi_write_jpg(path.c_str(), width, height, channels, pixels.data(), 100), path);
}

void WriteBmp(const std::string& path, int width, int height, int channels, const Pixels& pixels) {
  Check(stbi_write_bmp(path.c_str(), width, height, channels, pixels.data()), path);
}

void WriteHdr(const std::string& path, int width, int height, const std::vector<float>& rgb) {
  Check(stbi_write_hdr(path.c_str(), width, height, 3, rgb.data()), path);
}

void WritePng16(const std::string& path, int width, int height) {
  std::vector<uint8_t> raw;
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);  // filter: none
    for (int i = 0; i < width * 3; ++i) {
      raw.push_back(0x80);
      raw.push_back(0x00);
    }
  }
  uLongf packed_size = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> packed(packed_size);
  compress(packed.data(), &packed_size, raw.data(), static_cast<uLong>(raw.size()));
  packed.resize(packed_size);

  std::vector<uint8_t> header;
  AppendU32(header, static_cast<uint32_t>(width));
  AppendU32(header, static_cast<uint32_t>(height));
  header.insert(header.end(), {16, 2, 0, 0, 0});  // 16 bits, RGB, deflate, no filter, no interlace
  std::vector<uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  AppendChunk(file, "IHDR", header);
  AppendChunk(file, "IDAT", packed);
  AppendChunk(file, "IEND", {});
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
}

Pixels Solid(int width, int height, std::vector<uint8_t> colour) {
  Pixels pixels;
  for (int i = 0; i < width * height; ++i) pixels.insert(pixels.end(), colour.begin(), colour.end());
  return pixels;
}

double Psnr(const Pixels& a, const Pixels& b) {
  double squares = 0.0;
  size_t count = 0;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
    if (i % 4 == 3) continue;
    const double d = static_cast<double>(a[i]) - static_cast<double>(b[i]);
    squares += d * d;
    ++count;
  }
  if (squares == 0.0) return 1000.0;
  return 10.0 * std::log10(255.0 * 255.0 / (squares / static_cast<double>(count)));
}

glm::vec3 CubeFaceDirection(int face, float s, float t) {
  const float sc = 2.0f * s - 1.0f;
  const float tc = 2.0f * t - 1.0f;
  switch (face) {
    case 0: return {-1.0f, -tc, sc};
    case 1: return {1.0f, -tc, -sc};
    case 2: return {sc, -1.0f, -tc};
    case 3: return {sc, 1.0f, tc};
    case 4: return {-sc, -tc, -1.0f};
    default: return {sc, -tc, 1.0f};
  }
}
