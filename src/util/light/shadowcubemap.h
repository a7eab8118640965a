#pragma once
// The depth cube map every light renders its shadow into, with the depth-only framebuffer its
// faces are drawn through. All lights share one map, so they cast their shadows one after
// another. The map lives as long as a light holds it; AcquireShadowCubeMap hands out the
// current one and makes it when there is none. A new size asked for is given to that one map
// in place, so every light holding it sees the new size and no old map stays alive beside it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include <GL/glew.h>

class FBO;

class ShadowCubeMap {
 public:
  // The largest side: six faces of 4-byte depth values at 2048 are 96 MiB. The map is sized
  // to the render width, so a full-HD frame, the size the shows are made at, still gets a
  // shadow texel per pixel; 4096 would hold 384 MiB of depth for one light, four times the
  // memory for detail the shadows' filtered comparison smooths away.
  static constexpr int32_t kMaxSide = 2048;
  static constexpr size_t kBytesPerTexel = 4;  // 24-bit depth is stored in 32 bits

  // Six square depth faces of side `size` (at most kMaxSide), compared (less or equal) when
  // sampled.
  explicit ShadowCubeMap(int32_t size);
  ~ShadowCubeMap();
  ShadowCubeMap(const ShadowCubeMap&) = delete;
  ShadowCubeMap& operator=(const ShadowCubeMap&) = delete;

  // New storage of side `size` (at most kMaxSide) for the same texture; the faces' contents
  // are lost.
  void Resize(int32_t size);

  int32_t size() const { return size_; }

  // What a face holds, as a signature its drawer chose; 0 is unknown. Lights set a face unknown
  // whenever they begin drawing it and new storage makes every face unknown, so a face keeps a
  // signature only until anything else is drawn into it.
  uint64_t FaceContents(uint32_t face) const { return face_contents_[face % 6]; }
  void SetFaceContents(uint32_t face, uint64_t signature) { face_contents_[face % 6] = signature; }
  GLuint texture() const { return texture_; }
  FBO& framebuffer() const { return *fbo_; }

 private:
  int32_t size_;
  std::array<uint64_t, 6> face_contents_{};
  GLuint texture_ = 0;
  std::unique_ptr<FBO> fbo_;
};

// The shared map; made at `size` when none exists, resized when another size has been
// requested.
std::shared_ptr<ShadowCubeMap> AcquireShadowCubeMap(int32_t size);
// Asks for the shared map at a new side: the next acquisition makes it when the current one
// differs. 0 goes back to the size of the first light that asks.
void RequestShadowCubeMapSize(int32_t size);
// The map as it is now; null when no light holds one.
std::shared_ptr<ShadowCubeMap> CurrentShadowCubeMap();
