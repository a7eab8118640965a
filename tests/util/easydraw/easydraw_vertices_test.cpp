// Vertex generation of the box and the icosphere, and the vertex layouts worked out from
// attribute slots; none of this needs a GL context.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <glm/glm.hpp>

#include "support/messagebox_recorder.h"
#include "util/easydraw/easydraw.h"
#include "util/easydraw/easydrawcustom.h"

namespace {

glm::vec3 Vec3At(const std::vector<float>& array, size_t vertex) {
  return {array[vertex * 3], array[vertex * 3 + 1], array[vertex * 3 + 2]};
}

TEST(BoxVertices, SixFacesOfFourVerticesWithEveryAttribute) {
  EasyDrawShapeVertices box;
  EasyDraw::BuildBox(box, 2, 4, 6);
  EXPECT_EQ(box.VertexCount(), 24u);
  EXPECT_EQ(box.normals.size(), 72u);
  EXPECT_EQ(box.tangents.size(), 72u);
  EXPECT_EQ(box.texcoords.size(), 48u);
}

TEST(BoxVertices, FacesLieOnTheHalfExtentsAlongTheirNormals) {
  EasyDrawShapeVertices box;
  EasyDraw::BuildBox(box, 2, 4, 6);
  const glm::vec3 half(1, 2, 3);
  for (size_t v = 0; v < 24; ++v) {
    const glm::vec3 normal = Vec3At(box.normals, v);
    const glm::vec3 position = Vec3At(box.positions, v);
    EXPECT_FLOAT_EQ(glm::length(normal), 1.0f);
    // Along its normal every corner sits at the half extent of that axis.
    EXPECT_FLOAT_EQ(glm::dot(position, normal), glm::dot(half, glm::abs(normal))) << v;
    EXPECT_FLOAT_EQ(glm::dot(Vec3At(box.tangents, v), normal), 0.0f) << v;
  }
  // Face 6 is the top at y = 2, face 2 the front at z = 3.
  EXPECT_EQ(Vec3At(box.normals, 20), glm::vec3(0, 1, 0));
  EXPECT_FLOAT_EQ(Vec3At(box.positions, 20).y, 2.0f);
  EXPECT_EQ(Vec3At(box.normals, 4), glm::vec3(0, 0, 1));
  EXPECT_FLOAT_EQ(Vec3At(box.positions, 4).z, 3.0f);
}

TEST(IcosphereVertices, ThreeSubdivisionsGive1280Triangles) {
  EasyDrawShapeVertices sphere;
  EasyDraw::BuildIcosphere(sphere, 2.5f, 3);
  EXPECT_EQ(sphere.VertexCount(), 3840u);
  EXPECT_EQ(sphere.normals.size(), sphere.positions.size());
  EXPECT_EQ(sphere.tangents.size(), sphere.positions.size());
  EXPECT_EQ(sphere.texcoords.size(), 3840u * 2);
}

TEST(IcosphereVertices, UnitNormalsAndPositionsOnTheRadius) {
  EasyDrawShapeVertices sphere;
  EasyDraw::BuildIcosphere(sphere, 2.5f, 3);
  for (size_t v = 0; v < sphere.VertexCount(); ++v) {
    const glm::vec3 normal = Vec3At(sphere.normals, v);
    ASSERT_NEAR(glm::length(normal), 1.0f, 1e-5f) << v;
    ASSERT_NEAR(glm::length(Vec3At(sphere.positions, v)), 2.5f, 1e-5f) << v;
    // The normal points straight out through the vertex.
    ASSERT_NEAR(glm::length(Vec3At(sphere.positions, v) / 2.5f - normal), 0.0f, 1e-5f) << v;
  }
}

TEST(IcosphereVertices, FirstVertexIsTheThirdCornerOfTheFirstLeaf) {
  // Face (0, 4, 1) subdivides first into (t1, m12, m31) three times over, so the first leaf's
  // third corner is the repeated midpoint of vertex 0 towards vertex 1.
  const glm::vec3 v0(-0.525731f, 0, 0.850651f);
  const glm::vec3 v1(0.525731f, 0, 0.850651f);
  glm::vec3 corner = v1;
  for (int i = 0; i < 3; ++i) corner = glm::normalize((corner + v0) * 0.5f);
  EasyDrawShapeVertices sphere;
  EasyDraw::BuildIcosphere(sphere, 1.0f, 3);
  const glm::vec3 first = Vec3At(sphere.positions, 0);
  EXPECT_NEAR(first.x, corner.x, 1e-6f);
  EXPECT_NEAR(first.y, corner.y, 1e-6f);
  EXPECT_NEAR(first.z, corner.z, 1e-6f);
}

TEST(IcosphereVertices, NoTriangleAwayFromThePolesWrapsAroundTheTexture) {
  // u runs 5 repeats around the equator, so a neighbourly triangle spans well under one unit;
  // the seam and the quarter-turn meridian must not make one spread over the whole texture.
  EasyDrawShapeVertices sphere;
  EasyDraw::BuildIcosphere(sphere, 1.0f, 3);
  int seam_triangles = 0;
  for (size_t t = 0; t < sphere.VertexCount() / 3; ++t) {
    float low = 1e9f, high = -1e9f, max_abs_y = 0.0f;
    for (size_t v = t * 3; v < t * 3 + 3; ++v) {
      low = std::min(low, sphere.texcoords[v * 2]);
      high = std::max(high, sphere.texcoords[v * 2]);
      max_abs_y = std::max(max_abs_y, std::abs(sphere.normals[v * 3 + 1]));
    }
    if (max_abs_y > 0.9f) continue;  // longitude is unstable next to the poles
    EXPECT_LT(high - low, 1.0f) << "triangle " << t;
    if (high > 5.0f || low < 0.0f) ++seam_triangles;
  }
  EXPECT_GT(seam_triangles, 0);  // the seam triangles were moved a turn, not left wrapping
}

TEST(IcosphereVertices, EveryFaceIsWoundOutwards) {
  EasyDrawShapeVertices sphere;
  EasyDraw::BuildIcosphere(sphere, 1.0f, 1);
  for (size_t t = 0; t < sphere.VertexCount() / 3; ++t) {
    const glm::vec3 a = Vec3At(sphere.positions, t * 3);
    const glm::vec3 b = Vec3At(sphere.positions, t * 3 + 1);
    const glm::vec3 c = Vec3At(sphere.positions, t * 3 + 2);
    EXPECT_GT(glm::dot(glm::cross(b - a, c - a), a + b + c), 0.0f) << t;
  }
}

// Slots as SetAttribute leaves them, with a stand-in buffer name.
EasyDrawAttribute Slot(uint32_t components, uint32_t count, uint32_t divisor = 0,
                       uint32_t locations = 1) {
  EasyDrawAttribute slot;
  slot.components = components;
  slot.count = count;
  slot.divisor = divisor;
  slot.locations = locations;
  slot.buffer = 1;
  return slot;
}

TEST(VertexLayoutPlan, VertexCountComesFromThePerVertexSlots) {
  EasyDrawSlots slots{};
  slots[0] = Slot(3, 12);
  slots[2] = Slot(2, 8);
  const VertexLayoutPlan plan = PlanVertexLayout(slots);
  EXPECT_EQ(plan.vertex_count, 4u);
  EXPECT_FALSE(plan.instanced);
  ASSERT_EQ(plan.pointers.size(), 2u);
  EXPECT_EQ(plan.pointers[1].location, 2u);
  EXPECT_EQ(plan.pointers[1].components, 2u);
  EXPECT_EQ(plan.pointers[1].stride_bytes, 0u);
}

TEST(VertexLayoutPlan, InstanceMatricesSpanFourLocationsOfVec4Columns) {
  EasyDrawSlots slots{};
  slots[0] = Slot(3, 12);
  slots[8] = Slot(4, 32, 1, 4);
  const VertexLayoutPlan plan = PlanVertexLayout(slots);
  EXPECT_EQ(plan.vertex_count, 4u);
  EXPECT_TRUE(plan.instanced);
  EXPECT_EQ(plan.instance_count, 2u);
  ASSERT_EQ(plan.pointers.size(), 5u);
  for (uint32_t column = 0; column < 4; ++column) {
    const VertexPointerPlan& pointer = plan.pointers[1 + column];
    EXPECT_EQ(pointer.location, 8 + column);
    EXPECT_EQ(pointer.components, 4u);
    EXPECT_EQ(pointer.stride_bytes, 64u);
    EXPECT_EQ(pointer.offset_bytes, 16 * column);
    EXPECT_EQ(pointer.divisor, 1u);
  }
}

TEST(VertexLayoutPlan, EmptyInstanceDataGivesZeroInstances) {
  EasyDrawSlots slots{};
  slots[0] = Slot(3, 12);
  slots[8] = Slot(4, 0, 1, 4);
  const VertexLayoutPlan plan = PlanVertexLayout(slots);
  EXPECT_TRUE(plan.instanced);
  EXPECT_EQ(plan.instance_count, 0u);
}

TEST(VertexLayoutPlanDeathTest, MismatchedVertexCountNamesTheCounts) {
  EasyDrawSlots slots{};
  slots[0] = Slot(3, 12);
  slots[2] = Slot(2, 6);
  EXPECT_EXIT(
      {
        EchoMessageBoxesToStderr();
        PlanVertexLayout(slots);
      },
      testing::ExitedWithCode(1), "Count 4 does not match att.count 6 / att.stride 2");
}

TEST(VertexLayoutPlanDeathTest, DisagreeingInstanceCountsAreFatal) {
  EasyDrawSlots slots{};
  slots[0] = Slot(3, 12);
  slots[5] = Slot(4, 12, 1);
  slots[8] = Slot(4, 32, 1, 4);
  EXPECT_EXIT(
      {
        EchoMessageBoxesToStderr();
        PlanVertexLayout(slots);
      },
      testing::ExitedWithCode(1), "Assert failed");
}

TEST(EasyDrawCustomDeathTest, BadArgumentsFailBeforeTouchingGL) {
  // No GL context here: every one of these must stop at its check.
  auto expect_assert = [](auto&& call) {
    EXPECT_EXIT(
        {
          EchoMessageBoxesToStderr();
          EasyDrawCustom object;
          call(object);
        },
        testing::ExitedWithCode(1), "Assert failed");
  };
  const float data[16] = {};
  expect_assert([&](EasyDrawCustom& o) { o.SetAttribute(28, 3, 12, data, 0); });
  expect_assert([&](EasyDrawCustom& o) { o.SetAttribute(0, 3, 10, data, 0); });
  expect_assert([&](EasyDrawCustom& o) { o.SetAttribute(0, 0, 12, data, 0); });
  expect_assert([&](EasyDrawCustom& o) { o.SetAttribute(0, 5, 10, data, 0); });
  expect_assert([&](EasyDrawCustom& o) { o.SetInstanceMatrices(12, data); });
}

}  // namespace
