#include "util/texture/texturecube.h"

#include <cmath>
#include <stdexcept>

#include <glm/glm.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include "system/log.h"
#include "util/data/data.h"
#include "util/easydraw/easydrawcustom.h"
#include "util/gpuresources/gpuresources.h"
#include "util/shaderprogram/shaderprogram.h"

namespace {

// Face names per scheme, in face order -X, +X, -Y, +Y, -Z, +Z.
const std::array<std::array<const char*, 6>, 4> kFaceSchemes = {{
    {"negx", "posx", "negy", "posy", "negz", "posz"},
    {"left", "right", "down", "up", "back", "front"},
    {"left", "right", "bottom", "top", "back", "front"},
    {"left_0", "right_0", "bottom_0", "top_0", "back_0", "front_0"},
}};

// GL's cube targets for faces 0 to 5.
constexpr std::array<GLenum, 6> kFaceTargets = {
    GL_TEXTURE_CUBE_MAP_NEGATIVE_X, GL_TEXTURE_CUBE_MAP_POSITIVE_X,
    GL_TEXTURE_CUBE_MAP_NEGATIVE_Y, GL_TEXTURE_CUBE_MAP_POSITIVE_Y,
    GL_TEXTURE_CUBE_MAP_NEGATIVE_Z, GL_TEXTURE_CUBE_MAP_POSITIVE_Z};

// Faces decoded from Radiance files hold three floats a pixel; every other face one byte a
// channel.
constexpr uint32_t kFloatRGBBytes = 3 * sizeof(float);

GLenum FacePixelType(uint32_t bpp) { return bpp / 8 == kFloatRGBBytes ? GL_FLOAT : GL_UNSIGNED_BYTE; }

constexpr GpuResourceKey kPrefilterProgram{"cube-map prefilter program"};
constexpr GpuResourceKey kCubeMesh{"unit cube mesh"};

ShaderProgram& PrefilterProgram() {
  return GpuResources::Current().Get<ShaderProgram>(kPrefilterProgram, [] {
    return std::make_unique<ShaderProgram>("data/util/texture/texture_cube_mip_maps.vert",
                                           "data/util/texture/texture_cube_mip_maps.frag");
  });
}

void SetUniformIfPresent(ShaderProgram& program, const char* name, float value) {
  const GLint location = program.GetUniformLocation(name);
  if (location >= 0) glUniform1f(location, value);
}

void SetUniformIfPresent(ShaderProgram& program, const char* name, const glm::mat4& value) {
  const GLint location = program.GetUniformLocation(name);
  if (location >= 0) glUniformMatrix4fv(location, 1, GL_FALSE, glm::value_ptr(value));
}

// Rendering state the prefilter changes, put back when it is done.
class PrefilterStateGuard {
 public:
  PrefilterStateGuard() {
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &draw_framebuffer_);
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &read_framebuffer_);
    glGetIntegerv(GL_VIEWPORT, viewport_.data());
    // The cube is seen from inside and its faces all lie at the same depth per pixel; every
    // texel of every level must be written as the shader computes it, whatever scissor box or
    // blending the caller left on.
    for (size_t i = 0; i < kDisabled.size(); ++i) {
      was_enabled_[i] = glIsEnabled(kDisabled[i]);
      glDisable(kDisabled[i]);
    }
  }
  ~PrefilterStateGuard() {
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(draw_framebuffer_));
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(read_framebuffer_));
    glViewport(viewport_[0], viewport_[1], viewport_[2], viewport_[3]);
    for (size_t i = 0; i < kDisabled.size(); ++i) {
      if (was_enabled_[i]) glEnable(kDisabled[i]);
    }
  }
  PrefilterStateGuard(const PrefilterStateGuard&) = delete;
  PrefilterStateGuard& operator=(const PrefilterStateGuard&) = delete;

 private:
  static constexpr std::array<GLenum, 4> kDisabled = {GL_CULL_FACE, GL_DEPTH_TEST,
                                                      GL_SCISSOR_TEST, GL_BLEND};
  GLint draw_framebuffer_ = 0;
  GLint read_framebuffer_ = 0;
  std::array<GLint, 4> viewport_{};
  std::array<GLboolean, 4> was_enabled_{};
};

// A floating-point cube map whose level 0 face i (in face order) holds the RGB floats
// face_light(i) gives (none for nullptr), with its whole mip chain averaged from level 0.
template <typename FaceLight>
GLuint CreateFloatCube(uint32_t size, FaceLight face_light) {
  GLuint cube = 0;
  glGenTextures(1, &cube);
  glBindTexture(GL_TEXTURE_CUBE_MAP, cube);
  for (size_t face = 0; face < 6; ++face) {
    glTexImage2D(kFaceTargets[face], 0, GL_RGB16F, static_cast<GLsizei>(size),
                 static_cast<GLsizei>(size), 0, GL_RGB, GL_FLOAT, face_light(face));
  }
  SetSamplerState(GL_TEXTURE_CUBE_MAP, false, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR,
                  GL_CLAMP_TO_EDGE);
  glGenerateMipmap(GL_TEXTURE_CUBE_MAP);
  return cube;
}

// Byte faces hold display-encoded colour: the light to the power 1 / 2.2, as the renderer
// encodes its output. A floating-point cube map of their light (alpha dropped), decoded one
// face at a time, with a mip chain averaged in linear light.
GLuint CreateLinearCube(const std::array<std::vector<uint8_t>, 6>& bytes, uint32_t size,
                        uint32_t bytes_per_pixel) {
  std::array<float, 256> light{};
  for (size_t level = 0; level < light.size(); ++level) {
    light[level] = std::pow(static_cast<float>(level) / 255.0f, 2.2f);
  }
  std::vector<float> face_light(static_cast<size_t>(size) * size * 3);
  return CreateFloatCube(size, [&](size_t face) {
    for (size_t value = 0; value < face_light.size(); ++value) {
      face_light[value] = light[bytes[face][value / 3 * bytes_per_pixel + value % 3]];
    }
    return face_light.data();
  });
}

// Directions the prefilter averages for each texel of a level this wide. Each reads the source
// at the level whose texels match its share of the lobe: the fewer the directions, the coarser
// the reads and the wider the lobe comes out. On the rough levels, whose lobes reach far, 64
// directions let light in from well beyond the lobe (a sharp horizon a quarter too bright at
// roughness 1/2); those levels are small, so more directions cost little.
GLuint SamplesPerTexel(uint32_t side) { return side <= 32 ? 256 : 64; }

// Views from the origin onto faces +X, -X, +Y, -Y, +Z, -Z, with GL's up vectors for each face.
std::array<glm::mat4, 6> CaptureViews() {
  const glm::vec3 o(0.0f);
  return {glm::lookAt(o, {1, 0, 0}, {0, -1, 0}), glm::lookAt(o, {-1, 0, 0}, {0, -1, 0}),
          glm::lookAt(o, {0, 1, 0}, {0, 0, 1}),  glm::lookAt(o, {0, -1, 0}, {0, 0, -1}),
          glm::lookAt(o, {0, 0, 1}, {0, -1, 0}), glm::lookAt(o, {0, 0, -1}, {0, -1, 0})};
}

// Capture view i renders GL face target i in this order.
constexpr std::array<GLenum, 6> kCaptureTargets = {
    GL_TEXTURE_CUBE_MAP_POSITIVE_X, GL_TEXTURE_CUBE_MAP_NEGATIVE_X,
    GL_TEXTURE_CUBE_MAP_POSITIVE_Y, GL_TEXTURE_CUBE_MAP_NEGATIVE_Y,
    GL_TEXTURE_CUBE_MAP_POSITIVE_Z, GL_TEXTURE_CUBE_MAP_NEGATIVE_Z};

std::vector<float> CubeVertices() {
  struct Face {
    glm::vec3 normal, u, v;  // u x v = normal, so corners run counter-clockwise from outside
  };
  const Face faces[] = {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}},  {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
                        {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}},  {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}},
                        {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},  {{0, 0, -1}, {0, 1, 0}, {1, 0, 0}}};
  const float corners[6][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 0}, {1, 1}, {0, 1}};
  std::vector<float> vertices;
  for (const Face& face : faces) {
    for (const auto& corner : corners) {
      const glm::vec3 p = 0.5f * face.normal + (corner[0] - 0.5f) * face.u +
                          (corner[1] - 0.5f) * face.v;
      vertices.insert(vertices.end(), {p.x, p.y, p.z, face.normal.x, face.normal.y,
                                       face.normal.z, corner[0], corner[1]});
    }
  }
  return vertices;
}

// The interleaved cube split into one array per attribute.
std::unique_ptr<EasyDrawCustom> MakeCubeMesh() {
  const std::vector<float> vertices = CubeVertices();
  std::vector<float> positions, normals, texcoords;
  for (size_t i = 0; i + 8 <= vertices.size(); i += 8) {
    positions.insert(positions.end(), &vertices[i], &vertices[i + 3]);
    normals.insert(normals.end(), &vertices[i + 3], &vertices[i + 6]);
    texcoords.insert(texcoords.end(), &vertices[i + 6], &vertices[i + 8]);
  }
  auto mesh = std::make_unique<EasyDrawCustom>();
  const auto count = [](const std::vector<float>& array) {
    return static_cast<uint32_t>(array.size());
  };
  mesh->SetAttribute(VertexAttribPosition, 3, count(positions), positions.data(), 0);
  mesh->SetAttribute(VertexAttribNormal, 3, count(normals), normals.data(), 0);
  mesh->SetAttribute(VertexAttribTexCoord1, 2, count(texcoords), texcoords.data(), 0);
  return mesh;
}

}  // namespace

bool AllFilesExist(const std::vector<std::string>& files) {
  for (const std::string& file : files) {
    if (!FileExists(file)) return false;
  }
  return true;
}

std::optional<CubeFaceFiles> FindCubeFaceFiles(const std::string& base_path,
                                               const std::string& extension) {
  for (const auto& scheme : kFaceSchemes) {
    CubeFaceFiles files;
    for (size_t face = 0; face < 6; ++face) {
      files[face] = base_path + scheme[face] + "." + extension;
    }
    if (AllFilesExist({files.begin(), files.end()})) return files;
  }
  return std::nullopt;
}

TextureCube::TextureCube(const std::string& new_base_path, const std::string& new_extension,
                         bool new_flip)
    : base_path(new_base_path), extension(new_extension), flip(new_flip) {
  const std::optional<CubeFaceFiles> files = FindCubeFaceFiles(base_path, extension);
  if (!files) {
    throw std::runtime_error("Could not find cubemap files with path " + base_path +
                             "[negx|left]." + extension);
  }
  if (!Load(*files, flip)) {
    throw std::runtime_error("Failed to load cubemap with base " + base_path + " and extension " +
                             extension + "!");
  }
}

TextureCube::~TextureCube() {
  if (id != 0) glDeleteTextures(1, &id);
}

bool TextureCube::Load(const CubeFaceFiles& files, bool flip_faces) {
  wrap = GL_CLAMP_TO_EDGE;
  mipmaps = true;
  min_filter = GL_LINEAR_MIPMAP_LINEAR;
  mag_filter = GL_LINEAR;
  for (size_t face = 0; face < 6; ++face) {
    faces[face] = std::make_unique<Texture>();
    if (!faces[face]->Load(files[face], true, true, GL_LINEAR, GL_LINEAR)) return false;
  }
  // GL cube faces are square; all six share one size and pixel format.
  for (const auto& face : faces) {
    const bool like_first = face->width == faces[0]->width && face->height == faces[0]->height &&
                            face->bpp == faces[0]->bpp;
    if (face->width != face->height || !like_first) ExitMsg(__FILE__, __LINE__, "Assert failed");
  }
  width = faces[0]->width;
  height = faces[0]->height;
  bpp = faces[0]->bpp;
  format = faces[0]->format;
  internal_format = faces[0]->internal_format;
  // The loader stores faces bottom row first; cube faces want the top row first.
  for (size_t face = 0; face < 6; ++face) {
    face_data[face] =
        flip_faces ? faces[face]->get_image_data_flipped_vertically() : faces[face]->image_data;
  }
  return Create();
}

bool TextureCube::Create() {
  if (id != 0) ExitMsg(__FILE__, __LINE__, "Attempt to create an already initialized texture!");
  // The fields are public: face bytes short of the size would be read past their end.
  const size_t face_bytes = static_cast<size_t>(width) * height * (bpp / 8);
  for (const std::vector<uint8_t>& data : face_data) {
    if (data.size() < face_bytes) ExitMsg(__FILE__, __LINE__, "Assert failed");
  }
  glGenTextures(1, &id);
  glBindTexture(GL_TEXTURE_CUBE_MAP, id);
  SetSamplerState(GL_TEXTURE_CUBE_MAP, mipmaps, min_filter, mag_filter, wrap);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  for (size_t face = 0; face < 6; ++face) {
    glTexImage2D(kFaceTargets[face], 0, internal_format, static_cast<GLsizei>(width),
                 static_cast<GLsizei>(height), 0, format, FacePixelType(bpp),
                 face_data[face].data());
  }
  if (mipmaps) glGenerateMipmap(GL_TEXTURE_CUBE_MAP);
  return true;
}

void TextureCube::CreatePrefilteredMipmaps() {
  ShaderProgram& program = PrefilterProgram();
  const uint32_t bytes_per_pixel = bpp / 8;
  // A zero size would pass the evenness test and leave no mip chain to count.
  if (width != height || width == 0 || width % 2 != 0 ||
      (bytes_per_pixel != 3 && bytes_per_pixel != 4 && bytes_per_pixel != kFloatRGBBytes)) {
    ExitMsg(__FILE__, __LINE__, "Assert failed");
  }
  PrefilterStateGuard restore_state;
  GLuint framebuffer = 0;
  GLuint depth = 0;
  glGenFramebuffers(1, &framebuffer);
  glGenRenderbuffers(1, &depth);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glBindRenderbuffer(GL_RENDERBUFFER, depth);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, static_cast<GLsizei>(width),
                        static_cast<GLsizei>(height));
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);

  // The filter averages light: it reads the faces in linear light, from a mip chain averaged in
  // linear light. Averaging the encoded values instead darkens every mix of bright and dark
  // (a sun in a dark sky loses most of its light to a rough surface). Radiance faces are linear
  // already, mip chain and all; byte faces are decoded into a cube of their own, and the byte
  // cube goes at once, so that no more than two cubes are held at a time.
  GLuint source = id;
  if (bytes_per_pixel != kFloatRGBBytes) {
    source = CreateLinearCube(face_data, width, bytes_per_pixel);
    glDeleteTextures(1, &id);
    id = 0;
  }
  const GLuint prefiltered =
      CreateFloatCube(width, [](size_t) { return static_cast<const float*>(nullptr); });
  const glm::mat4 projection = glm::perspective(glm::radians(90.0f), 1.0f, 0.1f, 10.0f);
  const std::array<glm::mat4, 6> views = CaptureViews();
  program.Use();
  const GLint environment = program.GetUniformLocation("environmentMap");
  if (environment >= 0) glUniform1i(environment, 0);
  SetUniformIfPresent(program, "projection", projection);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_CUBE_MAP, source);
  // Some drivers (llvmpipe) filter anisotropically even at an explicit level of detail, which
  // smears neighbouring texels into the prefiltered result; the source is read trilinearly.
  glTexParameterf(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAX_ANISOTROPY_EXT, 1.0f);
  glDrawBuffer(GL_COLOR_ATTACHMENT0);

  const uint32_t levels =
      mipmaps ? static_cast<uint32_t>(std::floor(std::log2(std::max(width, height)))) + 1 : 1;
  uint32_t w = width;
  uint32_t h = height;
  for (uint32_t mip = 0;; ++mip) {
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, static_cast<GLsizei>(w),
                          static_cast<GLsizei>(h));
    glViewport(0, 0, static_cast<GLsizei>(w), static_cast<GLsizei>(h));
    // The lookup reads roughness r at level r (levels - 1): the last level is roughness 1.
    SetUniformIfPresent(program, "roughness",
                        levels > 1 ? static_cast<float>(mip) / static_cast<float>(levels - 1)
                                   : 0.0f);
    const GLint samples = program.GetUniformLocation("sampleCount");
    if (samples >= 0) glUniform1ui(samples, SamplesPerTexel(w));
    for (size_t face = 0; face < 6; ++face) {
      SetUniformIfPresent(program, "view", views[face]);
      glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, kCaptureTargets[face],
                             prefiltered, static_cast<GLint>(mip));
      glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
      RenderCube();
    }
    if (w < 2) break;
    w /= 2;
    h /= 2;
  }

  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
  glDeleteRenderbuffers(1, &depth);
  glDeleteFramebuffers(1, &framebuffer);
  glDeleteTextures(1, &source);
  id = prefiltered;
}

void RenderCube() {
  EasyDrawCustom& cube = GpuResources::Current().Get<EasyDrawCustom>(kCubeMesh, MakeCubeMesh);
  cube.Draw(GL_TRIANGLES);
}
