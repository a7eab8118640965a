// The area of each shadow face the lighting pass can read: boxes seen by the camera, cut to its
// frustum and to each face's directions, projected into the faces of a light at the origin.

#include <functional>

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include "objects3d/shadow_read_area.h"
#include "util/light/light.h"

namespace {

constexpr float kMargin = 0.01f;
constexpr uint32_t kPlusX = 0, kMinusX = 1, kPlusZ = 4, kMinusZ = 5;

struct Case {
  const char* name;
  glm::vec3 min, max;
  glm::vec3 eye, target;
  std::function<void(const ShadowReadArea&)> check;
};

ShadowReadArea Areas(const Case& c) {
  const glm::mat4 camera = glm::perspective(glm::radians(60.0f), 1.0f, 0.1f, 40.0f) *
                           glm::lookAt(c.eye, c.target, glm::vec3(0, 1, 0));
  std::array<glm::mat4, 6> faces;
  for (uint32_t f = 0; f < 6; ++f) faces[f] = CubeFaceProjection(0.05f, 100.0f) * CubeFaceView(f);
  ShadowReadArea area;
  area.Reset(kMargin);
  area.AddBox(c.min, c.max, camera, faces);
  return area;
}

glm::vec2 Size(const FaceSpan& span) { return span.max - span.min; }

void OnlyFaceRead(const ShadowReadArea& area, uint32_t face) {
  for (uint32_t f = 0; f < 6; ++f) EXPECT_EQ(area.span(f).Empty(), f != face) << f;
}

const Case kCases[] = {
    // Its corners lie 4 to 5 units along +X and half a unit off the axis: 0.125 at the nearest.
    {"a small box in view, ahead of +X", {4, -0.5f, -0.5f}, {5, 0.5f, 0.5f}, {0, 0, 8}, {4.5f, 0, 0},
     [](const ShadowReadArea& a) {
       OnlyFaceRead(a, kPlusX);
       EXPECT_NEAR(a.span(kPlusX).min.x, -0.125f - kMargin, 1e-4f);
       EXPECT_NEAR(a.span(kPlusX).max.y, 0.125f + kMargin, 1e-4f);
     }},
    {"a box behind the camera", {4, -0.5f, -0.5f}, {5, 0.5f, 0.5f}, {0, 0, 8}, {0, 0, 16},
     [](const ShadowReadArea& a) {
       for (uint32_t f = 0; f < 6; ++f) EXPECT_TRUE(a.span(f).Empty()) << f;
     }},
    // The floor reaches under the light and far past the camera's far plane; the camera sees a
    // stretch of it ahead along +Z, which lies in the +Z face only, a band below its middle.
    {"a floor seen in part", {-100, -1, -100}, {100, -1, 100}, {0, 0, 3}, {0, -1, 10},
     [](const ShadowReadArea& a) {
       EXPECT_TRUE(a.span(kMinusZ).Empty());
       EXPECT_TRUE(a.span(kMinusX).Empty());
       const glm::vec2 size = Size(a.span(kPlusZ));
       EXPECT_LT(size.y, 0.5f);
       EXPECT_GT(size.y, 0.05f);
       EXPECT_LT(size.x, 1.5f);
     }},
    // Every direction from the light meets the box, and it is in view.
    {"a box around the light", {-1, -1, -1}, {1, 1, 1}, {0, 0, 8}, {0, 0, 0},
     [](const ShadowReadArea& a) {
       for (uint32_t f = 0; f < 6; ++f) EXPECT_EQ(Size(a.span(f)), glm::vec2(2.0f)) << f;
     }},
    // A wall across +X and +Z, seen whole: it lies in both faces and reaches their shared edge.
    {"a wall across two faces", {2, -0.5f, 2}, {6, 0.5f, 2.01f}, {4, 0, 12}, {4, 0, 2},
     [](const ShadowReadArea& a) {
       EXPECT_FALSE(a.span(kPlusX).Empty());
       EXPECT_FALSE(a.span(kPlusZ).Empty());
       EXPECT_EQ(std::max(std::fabs(a.span(kPlusX).min.x), std::fabs(a.span(kPlusX).max.x)), 1.0f);
       EXPECT_EQ(std::max(std::fabs(a.span(kPlusZ).min.x), std::fabs(a.span(kPlusZ).max.x)), 1.0f);
     }},
};

TEST(ShadowReadAreaTest, FacesAreReadWhereSeenBoxesLie) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    c.check(Areas(c));
  }
}

TEST(ShadowReadAreaTest, TexelsCoverTheSpanWithATexelToSpare) {
  ShadowReadArea area;
  area.Reset(0.0f);
  EXPECT_EQ(area.Texels(kPlusX, 64), (ShadowFaceTexels{0, 0, 0, 0}));
  area.AddEverything();
  EXPECT_EQ(area.Texels(kPlusX, 64), (ShadowFaceTexels{0, 0, 64, 64}));
  const Case small = kCases[0];
  // -0.135 to 0.135 of a 64-texel face: texels 27.68 to 36.32, one more on each side.
  EXPECT_EQ(Areas(small).Texels(kPlusX, 64), (ShadowFaceTexels{26, 26, 38, 38}));
}

}  // namespace
