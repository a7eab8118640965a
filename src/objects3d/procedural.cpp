#include "objects3d/procedural.h"

#include <cmath>

#include <glm/gtc/constants.hpp>

#include "objects3d/primitive.h"

namespace {

void Append(std::vector<float>& stream, const glm::vec3& v) {
  stream.insert(stream.end(), {v.x, v.y, v.z});
}

void Append(std::vector<float>& stream, const glm::vec2& v) {
  stream.insert(stream.end(), {v.x, v.y});
}

std::shared_ptr<Primitive> NewPrimitive(const char* name, bool tangents) {
  auto primitive = std::make_shared<Primitive>();
  primitive->name = name;
  primitive->position_components = 3;
  primitive->normal_components = 3;
  primitive->tangent_components = tangents ? 3 : 0;
  primitive->texcoord_components = 2;
  primitive->dirty = 1;
  return primitive;
}

struct Corner {
  glm::vec3 position;
  glm::vec2 texcoord;
};

}  // namespace

std::shared_ptr<Primitive> MakePlane(float width, float depth, float uv_repeat) {
  auto plane = NewPrimitive("Plane", true);
  const float hw = width / 2, hd = depth / 2, r = uv_repeat;
  const Corner corners[] = {
      {{-hw, 0, -hd}, {0, 0}}, {{-hw, 0, hd}, {0, r}}, {{hw, 0, -hd}, {r, 0}},
      {{-hw, 0, hd}, {0, r}},  {{hw, 0, hd}, {r, r}},  {{hw, 0, -hd}, {r, 0}},
  };
  for (const Corner& corner : corners) {
    Append(plane->positions, corner.position);
    Append(plane->normals, glm::vec3(0, 1, 0));
    Append(plane->tangents, glm::vec3(1, 0, 0));
    Append(plane->texcoords, corner.texcoord);
  }
  return plane;
}

std::shared_ptr<Primitive> MakeCube(const glm::vec3& size, const glm::vec3& uv_repeat) {
  auto cube = NewPrimitive("Cube", false);
  const float x = size.x / 2, y = size.y / 2, z = size.z / 2;
  const float U = uv_repeat.x, V = uv_repeat.y, W = uv_repeat.z;
  struct Face {
    glm::vec3 normal;
    Corner corners[6];
  };
  // Each face's two triangles, counter-clockwise seen from outside the cube.
  const Face faces[] = {
      {{0, 0, 1},
       {{{-x, -y, z}, {0, 0}}, {{x, -y, z}, {U, 0}}, {{-x, y, z}, {0, V}},
        {{-x, y, z}, {0, V}}, {{x, -y, z}, {U, 0}}, {{x, y, z}, {U, V}}}},
      {{0, 0, -1},
       {{{-x, -y, -z}, {U, 0}}, {{-x, y, -z}, {U, V}}, {{x, -y, -z}, {0, 0}},
        {{x, -y, -z}, {0, 0}}, {{-x, y, -z}, {U, V}}, {{x, y, -z}, {0, V}}}},
      {{0, 1, 0},
       {{{-x, y, -z}, {0, W}}, {{-x, y, z}, {0, 0}}, {{x, y, -z}, {U, W}},
        {{x, y, -z}, {U, W}}, {{-x, y, z}, {0, 0}}, {{x, y, z}, {U, 0}}}},
      {{0, -1, 0},
       {{{-x, -y, -z}, {U, W}}, {{x, -y, -z}, {0, W}}, {{-x, -y, z}, {U, 0}},
        {{-x, -y, z}, {U, 0}}, {{x, -y, -z}, {0, W}}, {{x, -y, z}, {0, 0}}}},
      {{1, 0, 0},
       {{{x, -y, -z}, {W, 0}}, {{x, y, -z}, {W, V}}, {{x, -y, z}, {0, 0}},
        {{x, -y, z}, {0, 0}}, {{x, y, -z}, {W, V}}, {{x, y, z}, {0, V}}}},
      {{-1, 0, 0},
       {{{-x, -y, -z}, {0, 0}}, {{-x, -y, z}, {W, 0}}, {{-x, y, -z}, {0, V}},
        {{-x, y, -z}, {0, V}}, {{-x, -y, z}, {W, 0}}, {{-x, y, z}, {W, V}}}},
  };
  for (const Face& face : faces) {
    for (const Corner& corner : face.corners) {
      Append(cube->positions, corner.position);
      Append(cube->normals, face.normal);
      Append(cube->texcoords, corner.texcoord);
    }
  }
  return cube;
}

std::shared_ptr<Primitive> MakeIcosahedron() {
  auto sphere = NewPrimitive("Icosahedron", false);
  const float X = 0.525731087f, Z = 0.850650787f;
  const glm::vec3 v[12] = {{-X, 0, Z}, {X, 0, Z},  {-X, 0, -Z}, {X, 0, -Z},
                           {0, Z, X},  {0, Z, -X}, {0, -Z, X},  {0, -Z, -X},
                           {Z, X, 0},  {-Z, X, 0}, {Z, -X, 0},  {-Z, -X, 0}};
  const int faces[20][3] = {{0, 4, 1},  {0, 9, 4},  {9, 5, 4},  {4, 5, 8},  {4, 8, 1},
                            {8, 10, 1}, {8, 3, 10}, {5, 3, 8},  {5, 2, 3},  {2, 7, 3},
                            {7, 10, 3}, {7, 6, 10}, {7, 11, 6}, {11, 0, 6}, {0, 1, 6},
                            {6, 1, 10}, {9, 0, 11}, {9, 11, 2}, {9, 2, 5},  {7, 2, 11}};
  for (const auto& f : faces) {
    SubdivideTriangle(*sphere, v[f[0]], v[f[1]], v[f[2]], 2, 1.0f, glm::vec3(0.0f), false);
  }
  return sphere;
}

namespace {

// Longitude as a fraction of a turn, shifted to 0..1.
float Turn(const glm::vec3& p) { return std::atan2(p.x, p.z) / (2 * glm::pi<float>()) + 0.5f; }

void AppendSphereVertex(Primitive& primitive, const glm::vec3& p, float turn, float radius,
                        const glm::vec3& centre, bool inward) {
  Append(primitive.normals, inward ? -p : p);
  Append(primitive.positions, radius * p + centre);
  Append(primitive.texcoords,
         glm::vec2(5 * turn, 5 * (std::asin(p.y) / glm::pi<float>() + 0.5f)));
}

}  // namespace

void SubdivideTriangle(Primitive& primitive, glm::vec3 t1, glm::vec3 t2, glm::vec3 t3,
                       int32_t depth, float radius, const glm::vec3& centre, bool inward) {
  if (depth > 0) {
    const glm::vec3 m12 = glm::normalize(t1 + t2);
    const glm::vec3 m13 = glm::normalize(t1 + t3);
    const glm::vec3 m23 = glm::normalize(t2 + t3);
    SubdivideTriangle(primitive, t1, m12, m13, depth - 1, radius, centre, inward);
    SubdivideTriangle(primitive, t2, m23, m12, depth - 1, radius, centre, inward);
    SubdivideTriangle(primitive, t3, m13, m23, depth - 1, radius, centre, inward);
    SubdivideTriangle(primitive, m12, m23, m13, depth - 1, radius, centre, inward);
    return;
  }
  // A corner across the u seam from t1 moves by one whole repeat so the triangle does not
  // stretch over the whole texture.
  const float q1 = Turn(t1);
  const auto seam = [q1](const glm::vec3& p) {
    const float q = Turn(p);
    if (q < 0.75f && q1 > 0.75f) return q + 1.0f;
    if (q > 0.75f && q1 < 0.75f) return q - 1.0f;
    return q;
  };
  AppendSphereVertex(primitive, t3, seam(t3), radius, centre, inward);
  AppendSphereVertex(primitive, t2, seam(t2), radius, centre, inward);
  AppendSphereVertex(primitive, t1, q1, radius, centre, inward);
}
