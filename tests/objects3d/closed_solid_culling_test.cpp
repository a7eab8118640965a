// Which primitives may go without back faces, without a GL context: only closed solids wound
// outwards, only opaque ones, and only while the eye keeps clear of every copy by the reach of
// the near plane.
#include "objects3d/closed_solid_culling.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <utility>

#include <glm/gtc/matrix_transform.hpp>

#include "objects3d/closed_solid.h"
#include "objects3d/material.h"
#include "objects3d/primitive.h"
#include "objects3d/procedural.h"

namespace {

glm::mat4 At(const glm::vec3& where) { return glm::translate(glm::mat4(1.0f), where); }

// The cube with its vertices listed by index, so that cases can drop, turn or repeat triangles.
std::shared_ptr<Primitive> IndexedCube() {
  auto p = MakeCube(glm::vec3(1.0f), glm::vec3(1.0f));
  if (p->indices.empty()) {
    for (uint32_t v = 0; v < p->VertexCount(); ++v) p->indices.push_back(v);
  }
  return p;
}

// The flat-shaded cube with the six vertices of its first face pushed outwards by `amount` of
// their distance from the centre.
std::shared_ptr<Primitive> CubeWithFirstFaceMoved(float amount) {
  auto p = MakeCube(glm::vec3(1.0f), glm::vec3(1.0f));
  const size_t components = p->position_components;
  for (size_t v = 0; v < 6; ++v) {
    for (size_t c = 0; c < 3; ++c) p->positions[v * components + c] *= 1.0f + amount;
  }
  return p;
}

// The flat-shaded cube of the given size about `centre`, with `change` applied to each position.
std::shared_ptr<Primitive> CubeOf(const glm::vec3& size, const glm::vec3& centre,
                                  glm::vec3 (*change)(const glm::vec3&) = nullptr) {
  auto p = MakeCube(size, glm::vec3(1.0f));
  for (size_t at = 0; at + 2 < p->positions.size(); at += p->position_components) {
    glm::vec3 v = centre + glm::vec3(p->positions[at], p->positions[at + 1], p->positions[at + 2]);
    if (change) v = change(v);
    for (int c = 0; c < 3; ++c) p->positions[at + c] = v[c];
  }
  return p;
}

std::shared_ptr<Primitive> Opaque(std::shared_ptr<Primitive> p) {
  p->material = MakeMaterial();
  return p;
}

TEST(ClosedSolidCulling, OnlyClosedSolidsWoundOutwardsQualify) {
  struct Case {
    const char* name;
    std::function<std::shared_ptr<Primitive>()> make;
    bool closed;
  };
  const Case cases[] = {
      {"flat-shaded cube (corners repeated per face)",
       [] { return MakeCube(glm::vec3(1.0f), glm::vec3(1.0f)); }, true},
      {"the same cube listed by index", [] { return IndexedCube(); }, true},
      {"icosahedron", [] { return MakeIcosahedron(); }, true},
      {"plane", [] { return MakePlane(2, 2, 1); }, false},
      {"cube with a seam: one face's corners a rounding step off the others'",
       [] { return CubeWithFirstFaceMoved(2e-7f); }, true},
      {"cube with a gap: one face a hundredth off the others'",
       [] { return CubeWithFirstFaceMoved(1e-2f); }, false},
      {"cube with a triangle missing",
       [] {
         auto p = IndexedCube();
         p->indices.resize(p->indices.size() - 3);
         return p;
       },
       false},
      {"cube wound inwards",
       [] {
         auto p = IndexedCube();
         for (size_t t = 0; t + 2 < p->indices.size(); t += 3) std::swap(p->indices[t], p->indices[t + 1]);
         return p;
       },
       false},
      {"cube with a face twice",
       [] {
         auto p = IndexedCube();
         for (int i = 0; i < 6; ++i) p->indices.push_back(p->indices[static_cast<size_t>(i)]);
         return p;
       },
       false},
      {"cube drawn as lines",
       [] {
         auto p = MakeCube(glm::vec3(1.0f), glm::vec3(1.0f));
         p->draw_mode = PrimitiveMode::Lines;
         return p;
       },
       false},
      // Sizes at the ends of the float range weld without overflowing a cell index.
      {"every corner at one point away from the origin",
       [] { return CubeOf(glm::vec3(0.0f), glm::vec3(5.0f)); }, false},
      {"a flat sliver 1e-25 wide far from the origin",
       [] { return CubeOf({1e-25f, 1e-25f, 0.0f}, {0, 0, 5}); }, false},
      {"a cube 1e-20 wide", [] { return CubeOf(glm::vec3(1e-20f), {2e-20f, 1e-20f, 0}); }, true},
      {"a cube 1e30 wide", [] { return CubeOf(glm::vec3(1e30f), glm::vec3(0.0f)); }, true},
      {"a cube with a corner not a number",
       [] {
         return CubeOf(glm::vec3(1.0f), glm::vec3(0.0f), [](const glm::vec3& v) {
           return v.x > 0 && v.y > 0 && v.z > 0 ? glm::vec3(NAN) : v;
         });
       },
       false},
      {"cube with a morph target",
       [] {
         auto p = MakeCube(glm::vec3(1.0f), glm::vec3(1.0f));
         p->morph_targets.resize(1);
         return p;
       },
       false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsClosedSolid(*c.make()), c.closed) << c.name;
}

TEST(ClosedSolidCulling, NearPlaneReachIsItsFarthestCorner) {
  // A square 90-degree frustum with its near plane at 1: corners at (+-1, +-1, -1).
  EXPECT_NEAR(NearPlaneReach(glm::perspective(glm::radians(90.0f), 1.0f, 1.0f, 100.0f)),
              std::sqrt(3.0f), 1e-4f);
  EXPECT_LT(NearPlaneReach(glm::ortho(-1.0f, 1.0f, -1.0f, 1.0f, 0.1f, 10.0f)), 0.0f);
}

TEST(ClosedSolidCulling, BackFacesGoOnlyWhileTheEyeKeepsClearOfEveryCopy) {
  // The eye sits at the origin of the pass's space; a unit cube's sphere has radius sqrt(3)/2.
  const float reach = 0.2f;
  struct Case {
    const char* name;
    std::vector<glm::mat4> copies;
    std::function<void(Primitive&)> change;
    bool culled;
  };
  const auto none = [](Primitive&) {};
  const Case cases[] = {
      {"every copy far off", {At({0, 0, -5}), At({3, 0, -5})}, none, true},
      {"the eye inside a copy", {At({0, 0, -5}), At({0.2f, 0, 0.3f})}, none, false},
      {"a copy just outside its sphere but within the near plane's reach",
       {At({0, 0, -(0.87f + 0.1f)})}, none, false},
      {"a copy scaled up around the eye", {glm::scale(At({0, 0, -3}), glm::vec3(8.0f))}, none,
       false},
      {"a mirrored copy", {glm::scale(At({0, 0, -5}), {-1, 1, 1})}, none, false},
      {"a seen-through material", {At({0, 0, -5})},
       [](Primitive& p) { p.material->base_color.a = 0.5f; }, false},
      {"a masked material", {At({0, 0, -5})}, [](Primitive& p) { p.material->alpha_mask = 1; },
       false},
      {"a seen-through copy colour", {At({0, 0, -5}), At({3, 0, -5})},
       [](Primitive& p) { p.material->instance_base_colors = {{1, 1, 1, 1}, {1, 1, 1, 0.3f}}; },
       false},
      {"no material", {At({0, 0, -5})}, [](Primitive& p) { p.material.reset(); }, false},
  };
  for (const Case& c : cases) {
    auto cube = Opaque(MakeCube(glm::vec3(1.0f), glm::vec3(1.0f)));
    c.change(*cube);
    ClosedSolidCulling culling;
    EXPECT_EQ(culling.MayCullBackFaces(*cube, c.copies, glm::mat4(1.0f), reach), c.culled)
        << c.name;
  }
  // Under a mirrored root, a copy mirrored the same way keeps the winding the pass expects.
  const glm::mat4 mirror = glm::scale(glm::mat4(1.0f), {-1, 1, 1});
  ClosedSolidCulling culling;
  const auto cube = Opaque(MakeCube(glm::vec3(1.0f), glm::vec3(1.0f)));
  EXPECT_TRUE(culling.MayCullBackFaces(*cube, {mirror * At({0, 0, -5})}, mirror, reach));
  EXPECT_FALSE(culling.MayCullBackFaces(*cube, {At({0, 0, -5})}, mirror, reach));
  // A pass without a perspective eye culls nothing.
  EXPECT_FALSE(culling.MayCullBackFaces(*cube, {At({0, 0, -5})}, glm::mat4(1.0f), -1.0f));
}

// A primitive uploaded again keeps its shape while its positions and indices stay: only a change
// of either works it out again (and sees the solid opened).
TEST(ClosedSolidCulling, ShapeIsWorkedOutAgainOnlyForNewPositionsOrIndices) {
  struct Case {
    const char* name;
    std::function<void(Primitive&)> change;
    int32_t worked_out;
    bool culled;
  };
  const Case cases[] = {
      {"nothing changed", [](Primitive&) {}, 1, true},
      {"colours uploaded again",
       [](Primitive& p) {
         p.color_components = 4;
         p.colors.assign(static_cast<size_t>(p.VertexCount()) * 4, 0.5f);
         p.dirty = 1;
       },
       1, true},
      {"a corner moved out",
       [](Primitive& p) {
         p.positions[0] += 0.25f;
         p.dirty = 1;
       },
       2, false},
      {"a triangle dropped",
       [](Primitive& p) {
         p.indices.resize(p.indices.size() - 3);
         p.indices_dirty = 1;
       },
       2, false},
  };
  const std::vector<glm::mat4> copies = {At({0, 0, -5})};
  for (const Case& c : cases) {
    auto cube = Opaque(IndexedCube());
    ClosedSolidCulling culling;
    EXPECT_TRUE(culling.MayCullBackFaces(*cube, copies, glm::mat4(1.0f), 0.2f)) << c.name;
    c.change(*cube);
    EXPECT_EQ(culling.MayCullBackFaces(*cube, copies, glm::mat4(1.0f), 0.2f), c.culled) << c.name;
    EXPECT_EQ(culling.shapes_worked_out(), static_cast<uint64_t>(c.worked_out)) << c.name;
  }
}

}  // namespace
