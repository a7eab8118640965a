// The wall of boxes: its vertex and colour arrays for given track values, the clamped counts,
// and the picture: additive colour where the boxes project.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <string>

#include <glm/gtc/matrix_transform.hpp>

#include "scene_tracks.h"
#include "scenes/scene_twboxes/twboxes.h"
#include "support/gl_fixture.h"

namespace {

std::map<std::string, float> Defaults() {
  std::map<std::string, float> values;
  for (const SceneTrack& track : TwBoxes::Tracks()) values[track.name] = track.default_value;
  return values;
}

BoxWall WallOf(const std::map<std::string, float>& values) {
  return TwBoxes::WallFrom([&](const std::string& name) { return values.at(name); });
}

struct BoxExtent {
  glm::vec3 centre;
  glm::vec3 size;
  glm::vec4 colour;
};

BoxExtent ExtentOfBox(const VertexColourMesh& mesh, size_t box) {
  glm::vec3 low(INFINITY), high(-INFINITY);
  for (size_t v = box * 24; v < box * 24 + 24; ++v) {
    low = glm::min(low, mesh.Position(v));
    high = glm::max(high, mesh.Position(v));
    EXPECT_EQ(mesh.Colour(v), mesh.Colour(box * 24)) << "one colour per box";
  }
  return {(low + high) * 0.5f, high - low, mesh.Colour(box * 24)};
}

TEST(TwBoxesWallTest, DefaultsMakeATwoByTwoRampFromCornerToCorner) {
  VertexColourMesh mesh;
  TwBoxes::BuildWall(WallOf(Defaults()), mesh);
  ASSERT_EQ(mesh.VertexCount(), 4u * 24u);
  ASSERT_EQ(mesh.colours.size(), mesh.VertexCount() * 4);
  struct Expected {
    glm::vec3 centre, size;
    float t;
  };
  // Boxes row by row; each box is spaced by its own interpolated size.
  const Expected expected[] = {
      {{0, 0, 0}, {1, 1, 10}, 0.0f},
      {{8, 0, 0}, {3, 3, 30}, 0.5f},
      {{0, 8, 0}, {3, 3, 30}, 0.5f},
      {{10, 10, 0}, {5, 5, 50}, 1.0f},
  };
  const glm::vec4 first(0.2f, 0.2f, 0.5f, 0.5f), far(0.8f, 0.5f, 0.5f, 0.5f);
  for (size_t box = 0; box < 4; ++box) {
    SCOPED_TRACE(box);
    const BoxExtent extent = ExtentOfBox(mesh, box);
    for (int axis = 0; axis < 3; ++axis) {
      EXPECT_NEAR(extent.centre[axis], expected[box].centre[axis], 1e-5f);
      EXPECT_NEAR(extent.size[axis], expected[box].size[axis], 1e-5f);
    }
    const glm::vec4 colour = first * (1.0f - expected[box].t) + far * expected[box].t;
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(extent.colour[c], colour[c], 1e-6f);
  }
}

TEST(TwBoxesWallTest, CountsAreCeilingsHeldToSaneBounds) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  struct Case {
    float count_track;
    int32_t count;
  };
  const Case cases[] = {{2.1f, 3}, {1.0f, 1}, {0.0f, 0}, {-4.0f, 0}, {0.01f, 1}, {nan, 0},
                        {1e9f, TwBoxes::kMaxBoxesPerSide}, {inf, TwBoxes::kMaxBoxesPerSide},
                        {-inf, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.count_track);
    auto values = Defaults();
    values["twbxWidthCount"] = c.count_track;
    values["twbxHeightCount"] = 2.0f;
    const BoxWall wall = WallOf(values);
    EXPECT_EQ(wall.columns, c.count);
    VertexColourMesh mesh;
    TwBoxes::BuildWall(wall, mesh);
    EXPECT_EQ(mesh.VertexCount(), static_cast<size_t>(c.count) * 2 * 24);
  }
}

TEST(TwBoxesWallTest, ASingleBoxTakesTheFirstCorner) {
  auto values = Defaults();
  values["twbxWidthCount"] = 1.0f;
  values["twbxHeightCount"] = 1.0f;
  values["twbxCol1H"] = 1.0f;  // H, S and L are red, green and blue
  values["twbxCol1S"] = 0.0f;
  values["twbxCol1L"] = 0.0f;
  values["twbxCol1A"] = 1.0f;
  VertexColourMesh mesh;
  TwBoxes::BuildWall(WallOf(values), mesh);
  ASSERT_EQ(mesh.VertexCount(), 24u);
  const BoxExtent extent = ExtentOfBox(mesh, 0);
  EXPECT_EQ(extent.colour, glm::vec4(1, 0, 0, 1));
  EXPECT_EQ(extent.size, glm::vec3(1, 1, 10));
}

TEST(TwBoxesWallTest, AddBoxMovesTheCornersByTheMatrix) {
  VertexColourMesh mesh;
  const glm::mat4 M = glm::translate(glm::mat4(1.0f), glm::vec3(1, 2, 3));
  TwBoxes::AddBox({2, 4, 6}, {0.1f, 0.2f, 0.3f, 0.4f}, M, mesh);
  ASSERT_EQ(mesh.VertexCount(), 24u);
  for (size_t v = 0; v < 24; ++v) {
    const glm::vec3 p = mesh.Position(v) - glm::vec3(1, 2, 3);
    EXPECT_EQ(glm::abs(p), glm::vec3(1, 2, 3)) << v;  // every vertex is a corner
  }
  // Each face is a quad of four corners sharing one coordinate on its axis.
  for (size_t face = 0; face < 6; ++face) {
    int shared_axes = 0;
    for (int axis = 0; axis < 3; ++axis) {
      bool shared = true;
      for (size_t v = face * 4; v < face * 4 + 4; ++v) {
        shared &= mesh.Position(v)[axis] == mesh.Position(face * 4)[axis];
      }
      shared_axes += shared;
    }
    EXPECT_EQ(shared_axes, 1) << face;
  }
}

class TwBoxesGLTest : public SceneTracksTest {};

TEST_F(TwBoxesGLTest, AdditiveColourLandsAtTheProjectedBoxCentres) {
  auto values = Defaults();
  values["twbxWidthCount"] = 2.0f;
  values["twbxHeightCount"] = 1.0f;
  values["twbxWidth1"] = values["twbxHeight1"] = values["twbxDepth1"] = 2.0f;
  values["twbxWidth2"] = values["twbxHeight2"] = values["twbxDepth2"] = 2.0f;
  values["twbxWidthSpace"] = 4.0f;  // centres at x 0 and 6
  values["twbxCol1H"] = 0.4f;
  values["twbxCol1S"] = 0.2f;
  values["twbxCol1L"] = 0.0f;
  values["twbxCol1A"] = 0.5f;
  values["twbxCol2H"] = 0.0f;
  values["twbxCol2S"] = 0.2f;
  values["twbxCol2L"] = 0.4f;
  values["twbxCol2A"] = 0.5f;
  WriteTracks(values);
  const glm::vec3 eye(3, 0, 20), dst(3, 0, 0);
  TwBoxes boxes;
  boxes.music = &MusicAt(eye, dst, 40.0f);
  KeyState keys;
  MouseState mouse;
  boxes.keys = &keys;
  boxes.mouse = &mouse;
  boxes.Init();
  RenderTarget target(160, 90);
  target.Bind();
  glClearColor(0.2f, 0.2f, 0.2f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  boxes.Resize(160, 90);
  boxes.Render();
  // Seen head-on, each box shows its front and back face: two layers of colour x alpha over
  // the grey.
  struct Spot {
    glm::vec3 point;
    std::array<uint8_t, 4> colour;
  };
  const Spot spots[] = {
      {{0, 0, 0}, {153, 102, 51, 255}},
      {{6, 0, 0}, {51, 102, 153, 255}},
      {{3, 0, 0}, {51, 51, 51, 255}},  // between the boxes
  };
  for (const Spot& spot : spots) {
    const glm::vec2 pixel = ProjectToPixel(spot.point, eye, dst, 40.0f, 160, 90, 16.0f / 9.0f);
    const auto read = target.PixelAt(static_cast<int>(pixel.x), static_cast<int>(pixel.y));
    EXPECT_TRUE(PixelNear(read, spot.colour, 3)) << spot.point.x << ": " << PixelText(read);
  }
  EXPECT_TRUE(NoGLError());
  glClearColor(0, 0, 0, 0);
}

}  // namespace
