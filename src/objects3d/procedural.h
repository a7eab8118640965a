#pragma once
// Procedural primitives: unindexed triangle lists, counter-clockwise seen from outside, ready
// for Objects3D::AddPrimitive (which indexes them 0 .. N-1).

#include <cstdint>
#include <memory>

#include <glm/glm.hpp>

class Primitive;

// A quad in the plane y = 0 facing +y, w x d, texture repeated uv_repeat times.
std::shared_ptr<Primitive> MakePlane(float width, float depth, float uv_repeat);
// A box of the given size centred on the origin; uv_repeat is the repeat along x, y and z.
std::shared_ptr<Primitive> MakeCube(const glm::vec3& size, const glm::vec3& uv_repeat);
// The unit sphere as an icosahedron subdivided twice (320 triangles).
std::shared_ptr<Primitive> MakeIcosahedron();
// Appends the triangle (t1, t2, t3 on the unit sphere), split `depth` times, scaled by radius
// and moved to centre; normals point inward when `inward` is set.
void SubdivideTriangle(Primitive& primitive, glm::vec3 t1, glm::vec3 t2, glm::vec3 t3,
                       int32_t depth, float radius, const glm::vec3& centre, bool inward);
