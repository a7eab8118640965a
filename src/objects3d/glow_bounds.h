#pragma once
// Where the glow picture can be lit: the screen rectangle of everything that emits light, as
// the glow pass walks the scene. The glow composite blurs only that rectangle, grown by the
// blur's reach; outside it every tap reads black and adds nothing.

#include <cstdint>
#include <optional>

#include <glm/glm.hpp>

class Camera;
class Objects3D;

struct PixelRect {
  int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // x1 and y1 lie just past the rectangle
  bool Empty() const { return x1 <= x0 || y1 <= y0; }
};

struct ViewportRect {
  int32_t x, y, width, height;
};

// The pixels of `viewport` that the emitters of the scene cover, seen through the camera; empty
// when nothing emits. Light markers drawn into the glow count as the glow pass draws them, at
// every light. nullopt when they cannot be bounded (an emitter reaching behind the camera, a
// morphing one): take the whole target.
std::optional<PixelRect> EmitterScreenBounds(Objects3D& scene, const Camera& camera,
                                             const ViewportRect& viewport);

// The rectangle grown by `margin` pixels on every side and held to the target.
PixelRect GrowWithin(const PixelRect& r, int32_t margin_x, int32_t margin_y, int32_t width,
                     int32_t height);
