#pragma once
// The depth cube maps lights render their shadows into, with the depth-only framebuffer their
// faces are drawn through. Lights share one map, so they cast their shadows one after
// another. A draw that reads several lights' shadows at once reads each from the map of its
// place in the draw: the shared map for the first, and for each further place a map of that
// place, which every light drawn there shares. So the maps alive are as many as the most lights
// a draw reads together, however many lights and scenes there are. A map lives as long as a
// light holds it; AcquireShadowCubeMap hands out the current one and makes it when there is
// none. A new size asked for is given to the maps in place, so every light holding one sees the
// new size and no old map stays alive beside it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include <GL/glew.h>

class FBO;

// A rectangle of a face's texels: x0 and y0 on it, x1 and y1 just past it.
struct ShadowFaceTexels {
  int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool Empty() const { return x1 <= x0 || y1 <= y0; }
  bool Contains(const ShadowFaceTexels& o) const {
    return o.Empty() || (x0 <= o.x0 && y0 <= o.y0 && o.x1 <= x1 && o.y1 <= y1);
  }
  bool operator==(const ShadowFaceTexels&) const = default;
};

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
  // A face drawn only within a rectangle holds what its signature says only there.
  uint64_t FaceContents(uint32_t face) const { return face_contents_[face % 6]; }
  const ShadowFaceTexels& FaceContentsTexels(uint32_t face) const { return face_texels_[face % 6]; }
  void SetFaceContents(uint32_t face, uint64_t signature) {
    SetFaceContents(face, signature, {0, 0, size_, size_});
  }
  void SetFaceContents(uint32_t face, uint64_t signature, const ShadowFaceTexels& texels) {
    face_contents_[face % 6] = signature;
    face_texels_[face % 6] = texels;
  }
  GLuint texture() const { return texture_; }
  FBO& framebuffer() const { return *fbo_; }

 private:
  int32_t size_;
  std::array<uint64_t, 6> face_contents_{};
  std::array<ShadowFaceTexels, 6> face_texels_{};
  GLuint texture_ = 0;
  std::unique_ptr<FBO> fbo_;
};

// The map of `place` in a draw (0, the shared map, also for a light drawn alone); made when
// none exists, resized when another size has been requested. The shared map is made at `size`;
// a later place's map follows the shared map's side (`size` when there is no shared map).
std::shared_ptr<ShadowCubeMap> AcquireShadowCubeMap(int32_t size, uint32_t place = 0);
// Asks for the maps at a new side: the next acquisition of each resizes it. 0 goes back to the
// size of the first light that asks.
void RequestShadowCubeMapSize(int32_t size);
// The shared map as it is now; null when no light holds one.
std::shared_ptr<ShadowCubeMap> CurrentShadowCubeMap();
