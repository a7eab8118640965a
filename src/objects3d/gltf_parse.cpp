#include "objects3d/gltf_parse.h"

#include <stb_image.h>

#include <cstring>
#include <exception>
#include <filesystem>
#include <fmt/format.h>
#include <limits>

#include "objects3d/gltf_loader.h"
#include "system/log.h"
#include "util/data/data.h"

namespace {

bool GltfFileExists(const std::string& path, void*) { return FileExists(path); }

std::string GltfExpandFilePath(const std::string& path, void*) { return path; }

bool GltfReadWholeFile(std::vector<unsigned char>* out, std::string* error,
                       const std::string& path, void*) {
  LogInfo("TinyGLTF: Read whole file to buffer: {}", path);
  try {
    *out = GetFileBytes(path, "rb", false);
    return true;
  } catch (const std::exception& exception) {
    *error = exception.what();
    return false;
  }
}

// Loading never writes; tinygltf is handed a callback that refuses.
bool GltfRefuseWrite(std::string* error, const std::string& path,
                     const std::vector<unsigned char>&, void*) {
  *error = "Writing " + path + " is not supported";
  return false;
}

// True when the picture's buffer view lies inside its buffer. tinygltf hands a picture stored in
// a buffer view to the decoder without this check, so the decoder would read past the buffer.
bool ImageViewInsideBuffer(const tinygltf::Model& model, const tinygltf::Image& image) {
  if (image.bufferView < 0) return true;  // from a URI: the bytes are the whole file
  if (static_cast<size_t>(image.bufferView) >= model.bufferViews.size()) return false;
  const tinygltf::BufferView& view = model.bufferViews[image.bufferView];
  if (view.buffer < 0 || static_cast<size_t>(view.buffer) >= model.buffers.size()) return false;
  const size_t size = model.buffers[view.buffer].data.size();
  return view.byteLength <= size && view.byteOffset <= size - view.byteLength &&
         view.byteLength <= static_cast<size_t>(std::numeric_limits<int>::max());
}

// Decodes with tinygltf's own decoder after checking where the bytes lie and the picture's size
// from its header, so a small file that claims a huge picture is refused instead of exhausting
// memory. `model` is the model being parsed (its buffers are read before its pictures).
bool GltfLoadImage(tinygltf::Image* image, const int image_index, std::string* error,
                   std::string* warning, int wanted_width, int wanted_height,
                   const unsigned char* bytes, int size, void* model) {
  if (!ImageViewInsideBuffer(*static_cast<const tinygltf::Model*>(model), *image)) {
    *error += fmt::format("Image {}: buffer view {} lies outside its buffer\n", image_index,
                          image->bufferView);
    return false;
  }
  int width = 0, height = 0, channels = 0;
  if (!stbi_info_from_memory(bytes, size, &width, &height, &channels)) {
    *error += fmt::format("Image {} could not be decoded ({})\n", image_index,
                          stbi_failure_reason() ? stbi_failure_reason() : "unknown format");
    return false;
  }
  if (width <= 0 || height <= 0 || width > kMaxGltfImageSide || height > kMaxGltfImageSide ||
      int64_t{width} * height > kMaxGltfImagePixels) {
    *error += fmt::format("Image {} of {} x {} pixels is larger than the loader takes\n",
                          image_index, width, height);
    return false;
  }
  return tinygltf::LoadImageData(image, image_index, error, warning, wanted_width, wanted_height,
                                 bytes, size, nullptr);
}

uint32_t ReadU32(const std::vector<uint8_t>& bytes, size_t offset) {
  uint32_t value;
  std::memcpy(&value, bytes.data() + offset, 4);
  return value;
}

}  // namespace

void CheckGlbContainer(const std::string& path, const std::vector<uint8_t>& bytes) {
  const auto fail = [&](const std::string& what) {
    throw GltfError(fmt::format("Failed to load GLB: {}\n{}", path, what));
  };
  if (bytes.size() < 20) fail("the file is shorter than a GLB header and one chunk");
  if (std::memcmp(bytes.data(), "glTF", 4) != 0) fail("the file does not start with \"glTF\"");
  if (ReadU32(bytes, 4) != 2) fail(fmt::format("GLB version {} (2 expected)", ReadU32(bytes, 4)));
  const uint32_t length = ReadU32(bytes, 8);
  if (length > bytes.size() || length < 20) {
    fail(fmt::format("the header gives {} bytes, the file has {}", length, bytes.size()));
  }
  // Every chunk must lie inside the length the header gives.
  size_t offset = 12;
  for (int chunk = 0; offset < length; ++chunk) {
    if (length - offset < 8) fail(fmt::format("chunk {} header is cut off", chunk));
    const uint32_t chunk_length = ReadU32(bytes, offset);
    const uint32_t chunk_type = ReadU32(bytes, offset + 4);
    if (chunk == 0 && chunk_type != 0x4E4F534A) fail("the first chunk is not JSON");
    if (chunk_length > length - offset - 8) {
      fail(fmt::format("chunk {} of {} bytes runs past the end of the file", chunk, chunk_length));
    }
    offset += 8 + size_t{chunk_length};
  }
}

bool ParseGltfModel(const std::string& path, const std::vector<uint8_t>& bytes,
                    tinygltf::Model& model, std::string& error, std::string& warning) {
  const std::string extension = std::filesystem::path(path).extension().string();
  const bool binary = extension == ".glb";
  if (!binary && extension != ".gltf") {
    throw GltfError("Unexpected GLTF file extension " + extension);
  }
  if (bytes.size() > std::numeric_limits<uint32_t>::max()) {
    throw GltfError(fmt::format("{}: a file of {} bytes is too large", path, bytes.size()));
  }
  if (binary) CheckGlbContainer(path, bytes);

  tinygltf::TinyGLTF gltf;
  gltf.SetFsCallbacks(tinygltf::FsCallbacks{&GltfFileExists, &GltfExpandFilePath,
                                            &GltfReadWholeFile, &GltfRefuseWrite, nullptr});
  gltf.SetImageLoader(&GltfLoadImage, &model);
  const std::string base_dir = std::filesystem::path(path).parent_path().string();
  const auto length = static_cast<unsigned int>(bytes.size());
  if (binary) {
    return gltf.LoadBinaryFromMemory(&model, &error, &warning, bytes.data(), length, base_dir);
  }
  return gltf.LoadASCIIFromString(&model, &error, &warning,
                                  reinterpret_cast<const char*>(bytes.data()), length, base_dir);
}
