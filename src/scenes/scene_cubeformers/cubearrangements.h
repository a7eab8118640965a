#pragma once
// The two fixed arrangements of CubeFormers as plain arithmetic: the 8 x 8 x 8 block that
// splits into octants and explodes (512 cubes) and the twisted ribbon about the z axis (4096
// cubes). Each writes one instance matrix and one emission grey per cube.

#include <cstdint>
#include <vector>

#include <glm/glm.hpp>

struct CubeInstances {
  std::vector<glm::mat4> matrices;
  std::vector<glm::vec3> emissions;  // greys (v, v, v), one per matrix

  // Makes both lists `count` long; new matrices are the identity, new emissions black.
  void Resize(size_t count);
};

constexpr uint32_t kBlockSide = 8;
constexpr uint32_t kBlockCubes = kBlockSide * kBlockSide * kBlockSide;
constexpr uint32_t kRibbonCubes = 4096;

struct BlockTracks {
  float dist = 2.0f;                 // cube pitch
  glm::vec3 gap{0.0f};               // xDist, yDist, zDist: octant gaps
  float explode_casing = 0.0f;       // K: explosion distance (the track times 10)
  float explode_main = 0.0f;         // E10: explosion amount and turn (the track times 10)
  float glow = 0.0f;                 // glowCubes
};

struct RibbonTracks {
  float radius = 5.2f;
  float angle = 27.1f;               // degrees about z per cube
  float z_step = 0.0f;               // zDist
  float rot_offset = 0.0f;           // tens of degrees
  float rot_mult = 1.0f;
};

// glm::rotate about the axis, or m unchanged when the axis has no direction (glm would
// normalise a zero vector into NaN).
glm::mat4 RotateAbout(const glm::mat4& m, float radians, const glm::vec3& axis);

// v / |v|, or the zero vector for a zero v: a cube at an explosion centre does not move.
glm::vec3 DirectionOrZero(const glm::vec3& v);

// Arrangement 0. note1 is the second note value; cubes flash where (3 trunc(beat) + i) is a
// multiple of 15. `cubes` must hold kBlockCubes entries.
void LayOutBlock(const BlockTracks& tracks, float note1, double beat, CubeInstances& cubes);

// Arrangement 1. note0 widens the ribbon and shakes its cubes; note1 is the flash grey.
// `cubes` must hold kRibbonCubes entries.
void LayOutRibbon(const RibbonTracks& tracks, float note0, float note1, double beat,
                  CubeInstances& cubes);
