#include "gltf_builder.h"

#include <cstring>

std::string Base64(const std::vector<uint8_t>& bytes) {
  static const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    uint32_t n = bytes[i] << 16;
    if (i + 1 < bytes.size()) n |= bytes[i + 1] << 8;
    if (i + 2 < bytes.size()) n |= bytes[i + 2];
    out += digits[(n >> 18) & 63];
    out += digits[(n >> 12) & 63];
    out += i + 1 < bytes.size() ? digits[(n >> 6) & 63] : '=';
    out += i + 2 < bytes.size() ? digits[n & 63] : '=';
  }
  return out;
}

GltfBuilder::GltfBuilder() {
  doc = {{"asset", {{"version", "2.0"}}},
         {"scenes", {{{"nodes", nlohmann::json::array()}}}},
         {"nodes", nlohmann::json::array()},
         {"meshes", nlohmann::json::array()},
         {"accessors", nlohmann::json::array()},
         {"bufferViews", nlohmann::json::array()}};
}

int GltfBuilder::AddView(const std::vector<uint8_t>& bytes, int byte_stride) {
  while (buffer.size() % 4 != 0) buffer.push_back(0);
  nlohmann::json view = {{"buffer", 0}, {"byteOffset", buffer.size()},
                         {"byteLength", bytes.size()}};
  if (byte_stride != 0) view["byteStride"] = byte_stride;
  buffer.insert(buffer.end(), bytes.begin(), bytes.end());
  doc["bufferViews"].push_back(view);
  return static_cast<int>(doc["bufferViews"].size()) - 1;
}

int GltfBuilder::AddAccessor(int view, int component_type, size_t count, const std::string& type,
                             size_t byte_offset, bool normalized) {
  nlohmann::json accessor = {{"bufferView", view}, {"componentType", component_type},
                             {"count", count}, {"type", type}};
  if (byte_offset != 0) accessor["byteOffset"] = byte_offset;
  if (normalized) accessor["normalized"] = true;
  doc["accessors"].push_back(accessor);
  return static_cast<int>(doc["accessors"].size()) - 1;
}

namespace {
size_t ComponentsOf(const std::string& type) {
  if (type == "SCALAR") return 1;
  if (type == "VEC2") return 2;
  if (type == "VEC3") return 3;
  return 4;
}
}  // namespace

int GltfBuilder::AddFloats(const std::vector<float>& values, const std::string& type) {
  std::vector<uint8_t> bytes(values.size() * 4);
  std::memcpy(bytes.data(), values.data(), bytes.size());
  const int view = AddView(bytes);
  const size_t count = values.size() / ComponentsOf(type);
  const int accessor = AddAccessor(view, 5126, count, type);
  if (type == "VEC3" && count > 0) {
    // POSITION accessors need bounds in valid files; harmless on the others.
    std::vector<float> lo(values.begin(), values.begin() + 3), hi = lo;
    for (size_t i = 0; i < values.size(); ++i) {
      lo[i % 3] = std::min(lo[i % 3], values[i]);
      hi[i % 3] = std::max(hi[i % 3], values[i]);
    }
    doc["accessors"][accessor]["min"] = lo;
    doc["accessors"][accessor]["max"] = hi;
  }
  return accessor;
}

int GltfBuilder::AddIndices(const std::vector<uint16_t>& values) {
  std::vector<uint8_t> bytes(values.size() * 2);
  std::memcpy(bytes.data(), values.data(), bytes.size());
  return AddAccessor(AddView(bytes), 5123, values.size(), "SCALAR");
}

int GltfBuilder::AddTriangleMesh(int material) {
  const int positions = AddFloats({0, 0, 0, 1, 0, 0, 0, 1, 0}, "VEC3");
  const int indices = AddIndices({0, 1, 2});
  nlohmann::json primitive = {{"attributes", {{"POSITION", positions}}}, {"indices", indices}};
  if (material >= 0) primitive["material"] = material;
  doc["meshes"].push_back({{"primitives", {primitive}}});
  return static_cast<int>(doc["meshes"].size()) - 1;
}

int GltfBuilder::AddNode(nlohmann::json node) {
  doc["nodes"].push_back(std::move(node));
  const int index = static_cast<int>(doc["nodes"].size()) - 1;
  return index;
}

std::string GltfBuilder::Gltf() const {
  nlohmann::json out = doc;
  if (buffer.empty()) return out.dump();
  out["buffers"] = {{{"byteLength", buffer.size()},
                     {"uri", "data:application/octet-stream;base64," + Base64(buffer)}}};
  return out.dump();
}

std::vector<uint8_t> GltfBuilder::GltfBytes() const {
  const std::string text = Gltf();
  return std::vector<uint8_t>(text.begin(), text.end());
}

std::vector<uint8_t> GltfBuilder::Glb() const {
  nlohmann::json out = doc;
  std::vector<uint8_t> bin = buffer;
  while (bin.size() % 4 != 0) bin.push_back(0);
  if (!buffer.empty()) out["buffers"] = {{{"byteLength", buffer.size()}}};
  std::string json = out.dump();
  while (json.size() % 4 != 0) json += ' ';
  std::vector<uint8_t> glb;
  const auto put = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) glb.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  glb.insert(glb.end(), {'g', 'l', 'T', 'F'});
  put(2);
  const size_t bin_chunk = bin.empty() ? 0 : 8 + bin.size();
  put(static_cast<uint32_t>(12 + 8 + json.size() + bin_chunk));
  put(static_cast<uint32_t>(json.size()));
  put(0x4E4F534A);
  glb.insert(glb.end(), json.begin(), json.end());
  if (bin.empty()) return glb;
  put(static_cast<uint32_t>(bin.size()));
  put(0x004E4942);
  glb.insert(glb.end(), bin.begin(), bin.end());
  return glb;
}
