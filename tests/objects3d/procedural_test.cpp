#include "objects3d/procedural.h"

#include <gtest/gtest.h>

#include <cmath>

#include <glm/gtc/constants.hpp>

#include "objects3d/primitive.h"

namespace {

glm::vec3 Vertex(const std::vector<float>& stream, size_t i) {
  return {stream[i * 3], stream[i * 3 + 1], stream[i * 3 + 2]};
}

// Every triangle turns counter-clockwise seen from the side its normals point to.
void ExpectCounterClockwise(const Primitive& primitive) {
  for (size_t t = 0; t < primitive.VertexCount() / 3; ++t) {
    const glm::vec3 a = Vertex(primitive.positions, 3 * t), b = Vertex(primitive.positions, 3 * t + 1),
                    c = Vertex(primitive.positions, 3 * t + 2);
    const glm::vec3 facing = glm::cross(b - a, c - a);
    EXPECT_GT(glm::dot(facing, Vertex(primitive.normals, 3 * t)), 0.0f)
        << primitive.name << " triangle " << t;
  }
}

TEST(Procedural, CountsNamesAndStreams) {
  const struct {
    std::shared_ptr<Primitive> primitive;
    const char* name;
    uint32_t tangents;
    uint32_t vertices;
  } cases[] = {{MakePlane(2, 4, 3), "Plane", 3, 6},
               {MakeCube({2, 2, 2}, {1, 1, 1}), "Cube", 0, 36},
               {MakeIcosahedron(), "Icosahedron", 0, 960}};
  for (const auto& c : cases) {
    const Primitive& p = *c.primitive;
    EXPECT_EQ(p.name, c.name);
    EXPECT_EQ(p.VertexCount(), c.vertices) << c.name;
    EXPECT_EQ(p.normals.size(), c.vertices * 3u) << c.name;
    EXPECT_EQ(p.texcoords.size(), c.vertices * 2u) << c.name;
    EXPECT_EQ(p.tangent_components, c.tangents) << c.name;
    EXPECT_EQ(p.tangents.size(), c.vertices * c.tangents) << c.name;
    EXPECT_TRUE(p.indices.empty());
    EXPECT_EQ(p.draw_mode, 4u);
    ExpectCounterClockwise(p);
  }
}

TEST(Procedural, PlaneSpansItsSizeAndRepeat) {
  const auto plane = MakePlane(2, 4, 3);
  float max_x = 0, max_z = 0, max_uv = 0;
  for (size_t i = 0; i < 6; ++i) {
    max_x = std::max(max_x, std::abs(plane->positions[i * 3]));
    max_z = std::max(max_z, std::abs(plane->positions[i * 3 + 2]));
    max_uv = std::max({max_uv, plane->texcoords[i * 2], plane->texcoords[i * 2 + 1]});
  }
  EXPECT_EQ(max_x, 1);
  EXPECT_EQ(max_z, 2);
  EXPECT_EQ(max_uv, 3);
}

TEST(Procedural, CubeTopFaceCornerTexcoord) {
  const auto cube = MakeCube({2, 2, 2}, {1, 1, 1});
  // Face 3 (top) starts at vertex 12 with corner (-1, 1, -1) at texcoord (0, 1).
  EXPECT_EQ(Vertex(cube->positions, 12), glm::vec3(-1, 1, -1));
  EXPECT_EQ(cube->texcoords[24], 0);
  EXPECT_EQ(cube->texcoords[25], 1);
  for (float v : cube->positions) EXPECT_EQ(std::abs(v), 1);
}

TEST(Procedural, IcosahedronNormalsAreUnitPositions) {
  const auto sphere = MakeIcosahedron();
  for (size_t i = 0; i < sphere->VertexCount(); ++i) {
    EXPECT_NEAR(glm::length(Vertex(sphere->normals, i)), 1.0f, 1e-5);
    EXPECT_EQ(Vertex(sphere->normals, i), Vertex(sphere->positions, i));
  }
}

// u of a unit-sphere point before the seam rule: five repeats over one turn of longitude.
float PlainU(const glm::vec3& p) {
  return 5 * (std::atan2(p.x, p.z) / (2 * glm::pi<float>()) + 0.5f);
}

TEST(Procedural, CornersAcrossTheSeamFromTheFirstMoveByOneRepeat) {
  // The seam lies at three quarters of a turn (+x); `west` is just short of it, `east` past it.
  const glm::vec3 west = glm::normalize(glm::vec3(1, 0, 0.1f));
  const glm::vec3 east = glm::normalize(glm::vec3(1, 0, -0.1f));
  const glm::vec3 far_west = glm::normalize(glm::vec3(1, 0.2f, 0.3f));
  const glm::vec3 far_east = glm::normalize(glm::vec3(1, -0.2f, -0.3f));
  const struct {
    const char* name;
    glm::vec3 t1, t2, t3;
    float shift2, shift3;  // repeats added to t2's and t3's u
  } cases[] = {
      {"t1 past the seam, t2 and t3 short of it", east, west, far_west, 5, 5},
      {"t1 short of the seam, t2 and t3 past it", west, east, far_east, -5, -5},
      {"only t3 across", west, far_west, east, 0, -5},
      {"all on one side", west, far_west, glm::normalize(glm::vec3(1, 0.3f, 0.2f)), 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Primitive primitive;
    SubdivideTriangle(primitive, c.t1, c.t2, c.t3, 0, 1, glm::vec3(0), false);
    ASSERT_EQ(primitive.texcoords.size(), 6u);  // emitted t3, t2, t1
    EXPECT_NEAR(primitive.texcoords[0], PlainU(c.t3) + c.shift3, 1e-4);
    EXPECT_NEAR(primitive.texcoords[2], PlainU(c.t2) + c.shift2, 1e-4);
    EXPECT_NEAR(primitive.texcoords[4], PlainU(c.t1), 1e-4);
  }
}

}  // namespace
