#include "util/light/shadowcubemap.h"

#include <algorithm>
#include <vector>

#include "system/log.h"
#include "util/fbo/fbo.h"

namespace {

// Not an owner: the lights holding a map own it, so it goes with the last of them.
struct SharedShadowMapState {
  // The map of each place in a draw; place 0 is the shared map.
  std::vector<std::weak_ptr<ShadowCubeMap>> places;
  int32_t requested_size = 0;
};

SharedShadowMapState& State() {
  static SharedShadowMapState state;
  return state;
}

}  // namespace

ShadowCubeMap::ShadowCubeMap(int32_t size) {
  GLint previous = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_CUBE_MAP, &previous);
  glGenTextures(1, &texture_);
  glBindTexture(GL_TEXTURE_CUBE_MAP, texture_);
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_COMPARE_MODE, GL_COMPARE_REF_TO_TEXTURE);
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_COMPARE_FUNC, GL_LEQUAL);
  glBindTexture(GL_TEXTURE_CUBE_MAP, static_cast<GLuint>(previous));
  Resize(size);
}

void ShadowCubeMap::Resize(int32_t size) {
  if (size < 1) ExitMsgFmt(__FILE__, __LINE__, "Bad shadow map size {}", size);
  size = std::min(size, kMaxSide);
  LogInfo("Creating shadow textures of size {}", size);
  size_ = size;
  face_contents_.fill(0);
  GLint previous = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_CUBE_MAP, &previous);
  glBindTexture(GL_TEXTURE_CUBE_MAP, texture_);
  for (GLenum face = 0; face < 6; ++face) {
    glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, 0, GL_DEPTH_COMPONENT24, size, size, 0,
                 GL_DEPTH_COMPONENT, GL_FLOAT, nullptr);
  }
  glBindTexture(GL_TEXTURE_CUBE_MAP, static_cast<GLuint>(previous));
  fbo_ = std::make_unique<FBO>(size, size);
}

ShadowCubeMap::~ShadowCubeMap() {
  fbo_.reset();
  if (texture_ != 0) glDeleteTextures(1, &texture_);
}

std::shared_ptr<ShadowCubeMap> AcquireShadowCubeMap(int32_t size, uint32_t place) {
  SharedShadowMapState& state = State();
  if (state.places.size() <= place) state.places.resize(place + 1);
  std::shared_ptr<ShadowCubeMap> map = state.places[place].lock();
  int32_t side = map ? map->size() : size;
  if (place > 0) {
    if (const std::shared_ptr<ShadowCubeMap> shared = state.places[0].lock()) side = shared->size();
  }
  if (state.requested_size > 0) side = state.requested_size;
  if (!map) {
    map = std::make_shared<ShadowCubeMap>(side);
    state.places[place] = map;
  } else if (map->size() != std::min(side, ShadowCubeMap::kMaxSide)) {
    map->Resize(side);
  }
  return map;
}

void RequestShadowCubeMapSize(int32_t size) { State().requested_size = size > 0 ? size : 0; }

std::shared_ptr<ShadowCubeMap> CurrentShadowCubeMap() {
  const SharedShadowMapState& state = State();
  return state.places.empty() ? nullptr : state.places[0].lock();
}
