#pragma once
// The depth cube map every light renders its shadow into, with the depth-only framebuffer its
// faces are drawn through. All lights share one map, so they cast their shadows one after
// another. The map lives as long as a light holds it; AcquireShadowCubeMap hands out the
// current one and makes it when there is none (or when a new size was asked for).

#include <cstdint>
#include <memory>

#include <GL/glew.h>

class FBO;

class ShadowCubeMap {
 public:
  // Six square depth faces of side `size`, compared (less or equal) when sampled.
  explicit ShadowCubeMap(int32_t size);
  ~ShadowCubeMap();
  ShadowCubeMap(const ShadowCubeMap&) = delete;
  ShadowCubeMap& operator=(const ShadowCubeMap&) = delete;

  int32_t size() const { return size_; }
  GLuint texture() const { return texture_; }
  FBO& framebuffer() const { return *fbo_; }

 private:
  int32_t size_;
  GLuint texture_ = 0;
  std::unique_ptr<FBO> fbo_;
};

// The shared map; made at `size` when none exists or a different size has been requested.
std::shared_ptr<ShadowCubeMap> AcquireShadowCubeMap(int32_t size);
// Asks for the shared map at a new side: the next acquisition makes it when the current one
// differs. 0 goes back to the size of the first light that asks.
void RequestShadowCubeMapSize(int32_t size);
// The map as it is now; null when no light holds one.
std::shared_ptr<ShadowCubeMap> CurrentShadowCubeMap();
