#pragma once
// Levels of detail for the ribbon's cubes. A software rasteriser shades each triangle in blocks
// of 4 x 4 pixels, so a cube a few tens of pixels high costs about as much per visible triangle
// as per pixel: the 444-triangle bevelled cube seen small pays for rounding that covers a pixel
// or two. Each frame every cube is given the coarsest shape its size on screen allows: the full
// bevel, the bevel in two steps per edge, or one chamfer per edge whose face normals interpolate
// into the rounding. Each level is an instanced node of one model, so every pass (depth, main,
// shadow faces, glow) draws each cube once.

#include <array>
#include <cstdint>

#include <glm/glm.hpp>

#include "scenes/scene_cubeformers/cubearrangements.h"

class Objects3D;

// Level 0 is the full bevel; each later level is coarser.
constexpr uint32_t kCubeDetailLevels = 3;

// The heights on screen, in pixels, of a cube's bounding sphere below which it drops to level 1
// and to level 2. The sphere is sqrt(3) times the edge and the bevel a tenth of the edge, so the
// bevel's radius is under 4.7 pixels at level 1 and under 1.4 at level 2. Measured on the show's
// ribbon at 1280 x 720 against every cube fully bevelled, the worst frame keeps 43 dB, set by
// the first threshold (96 keeps 41.5, 128 goes under 40); the second matters less (32 with 128
// goes under 40 on the far views, 16 gains nothing).
using CubeDetailThresholds = std::array<float, kCubeDetailLevels - 1>;
constexpr CubeDetailThresholds kCubeDetailPixels = {80.0f, 24.0f};

// What the split needs of the view: the camera's view matrix and the pixels that one unit of
// length covers at a view depth of one (the projection's y scale times half the frame height).
struct ScreenScale {
  glm::mat4 view{1.0f};
  float pixels_at_unit_depth = 0.0f;
};

// The projection's y scale (1 / tan(yfov / 2)) times half the height, for `ScreenScale`.
float PixelsAtUnitDepth(const glm::mat4& projection, uint32_t height);

// Height on screen, in pixels, of a sphere of `radius` about `centre` (world space); a sphere
// that reaches the camera's plane is taken as unbounded.
float ProjectedPixels(const ScreenScale& screen, const glm::vec3& centre, float radius);

// Sorts the instances of `all` (order kept in each) into `levels`: the first level whose
// threshold the instance's bounding sphere (`radius` about its origin scaled by its longest
// axis) is not shorter than on screen, or the last level.
void SplitByScreenSize(const ScreenScale& screen, float radius,
                       const CubeDetailThresholds& thresholds, const CubeInstances& all,
                       std::array<CubeInstances, kCubeDetailLevels>& levels);

// A level of one cube would lose that cube's emission (a per-instance list needs two), so a
// lone cube moves up to the next finer level; a lone cube left at the finest level takes a cube
// of a coarser level up with it. Finer is always the truer picture.
void KeepLevelsInstanced(std::array<CubeInstances, kCubeDetailLevels>& levels);

// Adds to `model` a child of its master node drawing the one primitive of `shape` (a model read
// as records only) with a copy of `model`'s material. Returns the new node's index.
uint32_t AddCubeShapeNode(Objects3D& model, Objects3D& shape);
