#pragma once
// Small 3D scenes for the render tests: an Objects3D with one camera drawn into a square
// RenderTarget, plus helpers to build primitives and read pixels back.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <glm/glm.hpp>

#include "objects3d/material.h"
#include "objects3d/objects3d.h"
#include "objects3d/primitive.h"
#include "support/gl_fixture.h"

class Light;

constexpr int kSide = 64;

// A scene viewed by a camera at `eye` looking at the origin, sized kSide x kSide.
std::unique_ptr<Objects3D> MakeScene(const glm::vec3& eye);
// A scene to keep while a test's scenes come and go: the resources all scenes share (the
// environment's prefiltered maps among them) live while one scene does, and are made again
// for every scene otherwise.
std::unique_ptr<Objects3D> HoldSharedResources();
// Draws the scene into a fresh kSide x kSide target cleared to `clear`; returns the pixels.
std::vector<uint8_t> Render(Objects3D& scene, const glm::vec4& clear = glm::vec4(0.0f),
                            int side = kSide);
// Draws the scene over a blue-grey background into a side x side target with the given sample
// count (with `blend`, blending as scenes do: source alpha over the rest), then calls `after`
// with the target still bound, resolved to one sample a pixel.
std::vector<uint8_t> RenderSampled(Objects3D& scene, int samples, bool blend = false,
                                   int side = kSide, const std::function<void()>& after = {});
// How the target takes the scene's draws: not blended, laid over by source alpha, or added by
// source alpha.
enum class Blending { kNone, kOver, kAdd };
// As RenderSampled, blending as given.
std::vector<uint8_t> RenderBlended(Objects3D& scene, int samples, Blending blending,
                                   int side = kSide, const std::function<void()>& after = {});
// Draws a square of `colour` over the whole bound target at depth `depth` (window space, 0 near
// to 1 far) through the fixed pipeline, with the depth test and blending as they are.
void DrawFlatSquare(float depth, const glm::vec4& colour);
// The largest difference of any channel of any pixel (255 for pictures of different sizes).
int LargestDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);
std::array<uint8_t, 4> Pixel(const std::vector<uint8_t>& pixels, int x, int y);
// Mean of one channel (0-2) or brightness (3: the mean of r, g, b) over a square of pixels.
float MeanOver(const std::vector<uint8_t>& pixels, int x0, int y0, int size, int channel);
// Largest minus smallest brightness over a square.
int ContrastOver(const std::vector<uint8_t>& pixels, int x0, int y0, int size);

std::shared_ptr<Material> UnlitMaterial(const glm::vec4& color);
std::shared_ptr<Material> LitMaterial(const glm::vec4& color, float roughness, float metallic);
// A square in the z = 0 plane facing +z, from -half to half, with normals and texcoords.
std::shared_ptr<Primitive> MakeSquare(float half);
// A grid of size x size quads over -half..half in z = 0 whose vertex colours alternate
// black and white: a picture with detail for blur checks.
std::shared_ptr<Primitive> MakeChecker(float half, int size);
Light& AddPointLight(Objects3D& scene, const glm::vec3& position, float intensity);
bool WritePng(const std::string& path, const std::vector<uint8_t>& pixels, int width, int height);
