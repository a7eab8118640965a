// The rings of glowing frames: vertex and colour arrays for given track values (turns, ring
// heights, gradient, protrusion) and the picture: additive gradient colour where a frame
// projects, the hole in its middle.

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>

#include <glm/gtc/matrix_transform.hpp>

#include "scene_tracks.h"
#include "scenes/scene_twglowshapes/twglowshapes.h"
#include "support/gl_fixture.h"
#include "util/helpers.h"

namespace {

constexpr float kPi = 3.14159265f;
constexpr size_t kFrameVertices = TwGlowShapes::kSegmentVertices + TwGlowShapes::kProtrusionVertices;
constexpr size_t kRingVertices = kFrameVertices * TwGlowShapes::kFramesPerRing;

std::map<std::string, float> Defaults() {
  std::map<std::string, float> values;
  for (const SceneTrack& track : TwGlowShapes::Tracks()) values[track.name] = track.default_value;
  return values;
}

VertexColourMesh BuildWith(const std::map<std::string, float>& values) {
  VertexColourMesh mesh;
  TwGlowShapes::BuildShapes(
      TwGlowShapes::ShapesFrom([&](const std::string& name) { return values.at(name); }), mesh);
  return mesh;
}

TEST(TwGlowShapesTest, FourRingsOfEightFramesWithTheirProtrusions) {
  const VertexColourMesh mesh = BuildWith(Defaults());
  EXPECT_EQ(mesh.VertexCount(), 4 * kRingVertices);
  EXPECT_EQ(mesh.colours.size(), mesh.VertexCount() * 4);
  // Default heights and radii: rings 1 and 4 at 0 (radius 4 and 2), ring 2 at 3, ring 3 at -3.
  struct Ring {
    float height, radius;
  };
  const Ring rings[] = {{0, 4}, {3, 2}, {-3, 2}, {0, 2}};
  for (size_t ring = 0; ring < 4; ++ring) {
    for (size_t frame = 0; frame < 8; ++frame) {
      glm::vec3 low(INFINITY), high(-INFINITY);
      const size_t first = ring * kRingVertices + frame * kFrameVertices;
      for (size_t v = first; v < first + TwGlowShapes::kSegmentVertices; ++v) {
        low = glm::min(low, mesh.Position(v));
        high = glm::max(high, mesh.Position(v));
      }
      const glm::vec3 centre = (low + high) * 0.5f;
      EXPECT_NEAR(centre.y, rings[ring].height, 1e-4f) << ring << "/" << frame;
      EXPECT_NEAR(glm::length(glm::vec2(centre.x, centre.z)), rings[ring].radius, 1e-4f);
      const float angle = std::atan2(-centre.z, centre.x);  // eighths of a turn, counter-clockwise
      EXPECT_NEAR(std::remainder(angle - frame * kPi / 4.0f, 2.0f * kPi), 0.0f, 1e-4f);
    }
  }
}

TEST(TwGlowShapesTest, RingsTurnTheirFramesAtTheirOwnRates) {
  // The first vertex of a frame's segment is its local (-s, -s) corner: turned within the
  // frame's plane by fraction x pi about the frame's centre.
  struct Case {
    float rot;
    size_t ring;
    float radius;
    float height;
    float fraction;
  };
  const Case cases[] = {
      {0.0f, 0, 4.0f, 0.0f, 0.0f},
      {0.0f, 3, 2.0f, 0.0f, 0.0f},
      {4.0f, 0, 4.0f, 0.0f, 1.0f},  // ring 1 turns pi/4 per unit: half a turn at 4
      {4.0f, 3, 2.0f, 0.0f, (1.0f - std::cos(4.0f * kPi / 15.0f)) / 2.0f},
      {2.0f, 0, 4.0f, 0.0f, 0.5f},
      {3.0f, 1, 2.0f, 3.0f, 0.5f},  // ring 2: pi/6 per unit
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "rot " << c.rot << " ring " << c.ring);
    auto values = Defaults();
    values["twgsRot"] = c.rot;
    const VertexColourMesh mesh = BuildWith(values);
    const glm::vec3 corner = mesh.Position(c.ring * kRingVertices);  // the ring's frame at angle 0
    const float turn = c.fraction * kPi;
    const glm::vec2 expected =
        glm::vec2(c.radius, 0.0f) +
        glm::vec2(-2.0f * std::cos(turn) + 2.0f * std::sin(turn),
                  -2.0f * std::sin(turn) - 2.0f * std::cos(turn));
    EXPECT_NEAR(corner.x, expected.x, 1e-4f);
    EXPECT_NEAR(corner.y, c.height + expected.y, 1e-4f);
    EXPECT_NEAR(corner.z, 0.0f, 1e-5f);
  }
}

TEST(TwGlowShapesTest, UprightFramesRunFromTheBottomColourToTheTopColour) {
  auto values = Defaults();
  values["twgsCol1H"] = 0.0f;  // top: red
  values["twgsCol1S"] = 1.0f;
  values["twgsCol1L"] = 0.5f;
  values["twgsCol1A"] = 0.9f;
  values["twgsCol2H"] = 2.0f / 3.0f;  // bottom: blue
  values["twgsCol2S"] = 1.0f;
  values["twgsCol2L"] = 0.5f;
  values["twgsCol2A"] = 0.1f;
  const VertexColourMesh mesh = BuildWith(values);
  for (size_t v = 0; v < kFrameVertices; ++v) {
    const float t = (mesh.Position(v).y + 2.0f) / 4.0f;  // the frame spans heights -2 to 2
    const glm::vec4 colour = mesh.Colour(v);
    EXPECT_NEAR(colour.r, t, 1e-5f) << v;
    EXPECT_NEAR(colour.g, 0.0f, 1e-5f) << v;
    EXPECT_NEAR(colour.b, 1.0f - t, 1e-5f) << v;
    EXPECT_NEAR(colour.a, 0.1f + 0.8f * t, 1e-5f) << v;
  }
}

TEST(TwGlowShapesTest, AFrameLyingFlatTakesTheBottomColour) {
  const HeightGradient gradient{{1, 0, 0, 1}, {0, 0, 1, 0.5f}};
  VertexColourMesh mesh;
  const glm::mat4 flat = glm::rotate(glm::mat4(1.0f), kPi / 2.0f, glm::vec3(1, 0, 0));
  TwGlowShapes::AddSegment(2.0f, 0.2f, flat, gradient, mesh);
  ASSERT_EQ(mesh.VertexCount(), TwGlowShapes::kSegmentVertices);
  for (size_t v = 0; v < mesh.VertexCount(); ++v) {
    EXPECT_NEAR(mesh.Position(v).y, 0.0f, 1e-5f);
    EXPECT_EQ(mesh.Colour(v), gradient.bottom) << v;
  }
}

TEST(TwGlowShapesTest, SegmentIsASquareFrameOfTheBorderWidth) {
  VertexColourMesh mesh;
  TwGlowShapes::AddSegment(2.0f, 0.5f, glm::mat4(1.0f), {}, mesh);
  // Eight triangles of positive area cover the frame between the squares of half-size 2 and
  // 1.5: area 16 - 9.
  float area = 0.0f;
  for (size_t v = 0; v < mesh.VertexCount(); v += 3) {
    const glm::vec3 a = mesh.Position(v), b = mesh.Position(v + 1), c = mesh.Position(v + 2);
    const float triangle = 0.5f * glm::length(glm::cross(b - a, c - a));
    EXPECT_GT(triangle, 0.0f) << v;
    area += triangle;
    for (const glm::vec3& p : {a, b, c}) {
      const float edge = std::max(std::abs(p.x), std::abs(p.y));
      EXPECT_TRUE(std::abs(edge - 2.0f) < 1e-6f || std::abs(edge - 1.5f) < 1e-6f) << v;
    }
  }
  EXPECT_NEAR(area, 7.0f, 1e-4f);
}

TEST(TwGlowShapesTest, ProtrusionStandsOutAlongTheNormalWithWallsBackToTheFrame) {
  VertexColourMesh mesh;
  const glm::mat4 M = glm::translate(glm::mat4(1.0f), glm::vec3(1, 2, 3));
  TwGlowShapes::AddProtrusion(2.0f, 0.5f, M, 1.5f, {}, mesh);
  ASSERT_EQ(mesh.VertexCount(), TwGlowShapes::kProtrusionVertices);
  // Per side: two frame triangles at the tip, then outer and inner walls reaching back.
  for (size_t side = 0; side < 4; ++side) {
    for (size_t v = side * 18; v < side * 18 + 6; ++v) {
      EXPECT_NEAR(mesh.Position(v).z, 3.0f + 1.5f, 1e-5f) << v;
    }
    float lowest = INFINITY;
    for (size_t v = side * 18 + 6; v < side * 18 + 18; ++v) {
      lowest = std::min(lowest, mesh.Position(v).z);
      EXPECT_GE(mesh.Position(v).z, 3.0f - 1e-5f);
    }
    EXPECT_NEAR(lowest, 3.0f, 1e-5f) << side;
  }
}

class TwGlowShapesGLTest : public SceneTracksTest {
 protected:
  // One frame of ring 1 (the one at angle 0, face-on to the camera on the z axis) stands clear
  // of every other frame in the picture.
  void RenderOneClearFrame(float border) {
    auto values = Defaults();
    values["twgsCol1H"] = 0.0f;  // top red
    values["twgsCol1S"] = 1.0f;
    values["twgsCol1L"] = 0.5f;
    values["twgsCol1A"] = 0.5f;
    values["twgsCol2H"] = 2.0f / 3.0f;  // bottom blue
    values["twgsCol2S"] = 1.0f;
    values["twgsCol2L"] = 0.5f;
    values["twgsCol2A"] = 0.5f;
    values["twgsSize"] = 1.0f;
    values["twgsBorder"] = border;
    values["twgsRadius1"] = 6.0f;
    values["twgsRadius2"] = 100.0f;  // the other rings far out of the way
    values["twgsOffset2"] = 100.0f;
    values["twgsOffset3"] = -100.0f;
    WriteTracks(values);
    shapes_.music = &MusicAt(kEye, kDst, kFov);
    shapes_.keys = &keys_;
    shapes_.mouse = &mouse_;
    shapes_.Init();
    target_ = std::make_unique<RenderTarget>(320, 180);
    target_->Bind();
    glClear(GL_COLOR_BUFFER_BIT);
    shapes_.Resize(320, 180);
    shapes_.Render();
  }

  std::array<uint8_t, 4> PixelOf(const glm::vec3& point) const {
    const glm::vec2 pixel = ProjectToPixel(point, kEye, kDst, kFov, 320, 180, 16.0f / 9.0f);
    return target_->PixelAt(static_cast<int>(pixel.x), static_cast<int>(pixel.y));
  }

  static constexpr glm::vec3 kEye{0.0f, 0.0f, 40.0f};
  static constexpr glm::vec3 kDst{0.0f, 0.0f, 0.0f};
  static constexpr float kFov = 40.0f;
  TwGlowShapes shapes_;
  KeyState keys_;
  MouseState mouse_;
  std::unique_ptr<RenderTarget> target_;
};

TEST_F(TwGlowShapesGLTest, GradientColourAddsUpWhereTheFrameProjects) {
  RenderOneClearFrame(1.0f);  // a border as wide as the half-size closes the frame
  // Three quarters up the frame: 0.75 red and 0.25 blue at alpha 0.5, twice (the frame and its
  // protrusion of length 0 lie on each other); the pixel centre sits within a pixel of it.
  const auto lit = PixelOf({6.5f, 0.5f, 0.0f});
  EXPECT_TRUE(PixelNear(lit, {191, 0, 64, 128}, 12)) << PixelText(lit);
  const auto empty = PixelOf({-6.5f, 3.0f, 0.0f});
  EXPECT_TRUE(PixelNear(empty, {0, 0, 0, 0}, 0)) << PixelText(empty);
  EXPECT_TRUE(NoGLError());
}

TEST_F(TwGlowShapesGLTest, AThinBorderLeavesTheMiddleOpen) {
  RenderOneClearFrame(0.2f);
  const auto middle = PixelOf({6.0f, 0.0f, 0.0f});
  EXPECT_TRUE(PixelNear(middle, {0, 0, 0, 0}, 0)) << PixelText(middle);
  const auto border = PixelOf({6.0f, 0.9f, 0.0f});  // top border: nearly all red
  EXPECT_GT(border[0], 200) << PixelText(border);
  EXPECT_LT(border[2], 30) << PixelText(border);
}

}  // namespace
