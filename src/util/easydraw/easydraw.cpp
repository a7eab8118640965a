#include "util/easydraw/easydraw.h"

#include <cmath>
#include <memory>
#include <glm/glm.hpp>

#include "system/log.h"
#include "util/easydraw/easydrawcustom.h"
#include "util/gpuresources/gpuresources.h"
#include "util/shaderprogram/vertexattrib.h"

namespace {

constexpr uint32_t kPositionSlot = VertexAttribPosition;
constexpr uint32_t kNormalSlot = VertexAttribNormal;
constexpr uint32_t kTexCoordSlot = VertexAttribTexCoord1;
constexpr uint32_t kTangentSlot = VertexAttribTangent;
constexpr float kPi = 3.14159265358979323846f;

EasyDrawShapeVertices shape_vertices;
uint32_t icosphere_builds = 0;

constexpr GpuResourceKey kQuad{"easydraw quad"};
constexpr GpuResourceKey kBox{"easydraw box"};
constexpr GpuResourceKey kIcosphere{"easydraw icosphere"};

// The sphere's mesh with the radius it was built for; it is rebuilt only for another radius.
struct Icosphere {
  EasyDrawCustom mesh;
  float radius = -1.0f;
};

std::unique_ptr<EasyDrawCustom> MakeShape() { return std::make_unique<EasyDrawCustom>(); }

void Push(std::vector<float>& array, const glm::vec3& value) {
  array.insert(array.end(), {value.x, value.y, value.z});
}

void Push(std::vector<float>& array, const glm::vec2& value) {
  array.insert(array.end(), {value.x, value.y});
}

// Two-dimensional corners at location 0 and texture coordinates 0..1 across them at 2.
void UploadQuad(EasyDrawCustom& object, const float (&positions)[8]) {
  static const float kTexCoords[8] = {0, 0, 1, 0, 1, 1, 0, 1};
  object.SetAttribute(kPositionSlot, 2, 8, positions, 0);
  object.SetAttribute(kTexCoordSlot, 2, 8, kTexCoords, 0);
}

void UploadShape(EasyDrawCustom& object, const EasyDrawShapeVertices& v) {
  auto count = [](const std::vector<float>& array) {
    return static_cast<uint32_t>(array.size());
  };
  object.SetAttribute(kPositionSlot, 3, count(v.positions), v.positions.data(), 0);
  object.SetAttribute(kTexCoordSlot, 2, count(v.texcoords), v.texcoords.data(), 0);
  object.SetAttribute(kNormalSlot, 3, count(v.normals), v.normals.data(), 0);
  object.SetAttribute(kTangentSlot, 3, count(v.tangents), v.tangents.data(), 0);
}

// One box face: its normal and tangent, then four corners as (u, v) and a position in units
// of the half extents.
struct BoxFace {
  glm::vec3 normal;
  glm::vec3 tangent;
  glm::vec2 uv[4];
  glm::vec3 corner[4];
};

constexpr BoxFace kBoxFaces[6] = {
    {{0, -1, 0}, {-1, 0, 0}, {{1, 1}, {0, 1}, {0, 0}, {1, 0}},
     {{-1, -1, -1}, {1, -1, -1}, {1, -1, 1}, {-1, -1, 1}}},
    {{0, 0, 1}, {1, 0, 0}, {{0, 0}, {1, 0}, {1, 1}, {0, 1}},
     {{-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1}}},
    {{0, 0, -1}, {-1, 0, 0}, {{1, 0}, {1, 1}, {0, 1}, {0, 0}},
     {{-1, -1, -1}, {-1, 1, -1}, {1, 1, -1}, {1, -1, -1}}},
    {{1, 0, 0}, {0, 0, -1}, {{1, 0}, {1, 1}, {0, 1}, {0, 0}},
     {{1, -1, -1}, {1, 1, -1}, {1, 1, 1}, {1, -1, 1}}},
    {{-1, 0, 0}, {0, 0, 1}, {{0, 0}, {1, 0}, {1, 1}, {0, 1}},
     {{-1, -1, -1}, {-1, -1, 1}, {-1, 1, 1}, {-1, 1, -1}}},
    {{0, 1, 0}, {1, 0, 0}, {{0, 1}, {0, 0}, {1, 0}, {1, 1}},
     {{-1, 1, -1}, {-1, 1, 1}, {1, 1, 1}, {1, 1, -1}}},
};

// The twelve unit vertices of the icosahedron and its twenty faces.
constexpr float kIcoX = 0.525731f;
constexpr float kIcoZ = 0.850651f;
constexpr glm::vec3 kIcoVertices[12] = {
    {-kIcoX, 0, kIcoZ}, {kIcoX, 0, kIcoZ},  {-kIcoX, 0, -kIcoZ}, {kIcoX, 0, -kIcoZ},
    {0, kIcoZ, kIcoX},  {0, kIcoZ, -kIcoX}, {0, -kIcoZ, kIcoX},  {0, -kIcoZ, -kIcoX},
    {kIcoZ, kIcoX, 0},  {-kIcoZ, kIcoX, 0}, {kIcoZ, -kIcoX, 0},  {-kIcoZ, -kIcoX, 0}};
constexpr int kIcoFaces[20][3] = {
    {0, 4, 1},  {0, 9, 4},  {9, 5, 4},  {4, 5, 8},  {4, 8, 1},  {8, 10, 1}, {8, 3, 10},
    {5, 3, 8},  {5, 2, 3},  {2, 7, 3},  {7, 10, 3}, {7, 6, 10}, {7, 11, 6}, {11, 0, 6},
    {0, 1, 6},  {6, 1, 10}, {9, 0, 11}, {9, 11, 2}, {9, 2, 5},  {7, 2, 11}};

// Longitude of a unit vector as a fraction of a turn.
float TurnFraction(const glm::vec3& p) { return std::atan2(p.x, p.z) / (2.0f * kPi); }

// Texture u of p, moved a turn across the seam (longitude +-0.5) when t1 lies on the other
// side of it, so a triangle there does not wrap back through the whole texture. Only corners on
// opposite far sides (beyond -0.25 and 0.25) count as across the seam; a triangle merely
// straddling a quarter turn keeps its plain u.
float SeamU(float r_p, float r_t1) {
  if (r_p < -0.25f && r_t1 > 0.25f) return 5.0f * (r_p + 1.5f);
  if (r_p > 0.25f && r_t1 < -0.25f) return 5.0f * (r_p - 0.5f);
  return 5.0f * (r_p + 0.5f);
}

void PushSphereVertex(EasyDrawShapeVertices& out, const glm::vec3& p, float u, float radius) {
  Push(out.normals, p);
  Push(out.positions, p * radius);
  Push(out.texcoords, glm::vec2(u, 5.0f * (std::asin(p.y) / kPi + 0.5f)));
}

void WriteLeafTriangle(EasyDrawShapeVertices& out, const glm::vec3& t1, const glm::vec3& t2,
                       const glm::vec3& t3, float radius) {
  const glm::vec3 tangent(-t1.y, t1.x, 0.0f);
  for (int i = 0; i < 3; ++i) Push(out.tangents, tangent);
  const float r1 = TurnFraction(t1);
  PushSphereVertex(out, t3, SeamU(TurnFraction(t3), r1), radius);
  PushSphereVertex(out, t2, SeamU(TurnFraction(t2), r1), radius);
  PushSphereVertex(out, t1, 5.0f * (r1 + 0.5f), radius);
}

void Subdivide(EasyDrawShapeVertices& out, const glm::vec3& t1, const glm::vec3& t2,
               const glm::vec3& t3, float radius, int depth) {
  if (depth <= 0) {
    WriteLeafTriangle(out, t1, t2, t3, radius);
    return;
  }
  const glm::vec3 m12 = glm::normalize((t1 + t2) * 0.5f);
  const glm::vec3 m23 = glm::normalize((t2 + t3) * 0.5f);
  const glm::vec3 m31 = glm::normalize((t3 + t1) * 0.5f);
  Subdivide(out, t1, m12, m31, radius, depth - 1);
  Subdivide(out, t2, m23, m12, radius, depth - 1);
  Subdivide(out, t3, m31, m23, radius, depth - 1);
  Subdivide(out, m12, m23, m31, radius, depth - 1);
}

}  // namespace

void EasyDrawShapeVertices::Clear() {
  positions.clear();
  normals.clear();
  texcoords.clear();
  tangents.clear();
}

namespace EasyDraw {

void BuildBox(EasyDrawShapeVertices& out, float width, float height, float depth) {
  out.Clear();
  const glm::vec3 half(width / 2.0f, height / 2.0f, depth / 2.0f);
  for (const BoxFace& face : kBoxFaces) {
    for (int i = 0; i < 4; ++i) {
      Push(out.normals, face.normal);
      Push(out.tangents, face.tangent);
    }
    for (int i = 0; i < 4; ++i) {
      Push(out.texcoords, face.uv[i]);
      Push(out.positions, face.corner[i] * half);
    }
  }
}

void BuildIcosphere(EasyDrawShapeVertices& out, float radius, int depth) {
  out.Clear();
  for (const auto& face : kIcoFaces) {
    Subdivide(out, kIcoVertices[face[0]], kIcoVertices[face[1]], kIcoVertices[face[2]], radius,
              depth);
  }
}

const EasyDrawShapeVertices& LastShapeVertices() { return shape_vertices; }

uint32_t IcosphereBuildCount() { return icosphere_builds; }

void DrawFullscreenQuad() { GpuResources::Current().DrawFullscreenQuad(); }

void DrawQuad(float x, float y, float width, float height) {
  GpuResources& resources = GpuResources::Current();
  if (x == 0.0f && y == 0.0f && width == 1.0f && height == 1.0f) return resources.DrawUnitQuad();
  EasyDrawCustom& quad = resources.Get<EasyDrawCustom>(kQuad, MakeShape);
  const float positions[8] = {x, y, x + width, y, x + width, y + height, x, y + height};
  UploadQuad(quad, positions);
  quad.Draw(GL_QUADS);
}

void DrawBox(float width, float height, float depth, bool /*flag*/) {
  EasyDrawCustom& box = GpuResources::Current().Get<EasyDrawCustom>(kBox, MakeShape);
  BuildBox(shape_vertices, width, height, depth);
  UploadShape(box, shape_vertices);
  box.Draw(GL_QUADS);
}

void DrawIcosphere(float radius) {
  Icosphere& sphere = GpuResources::Current().Get<Icosphere>(kIcosphere, [] {
    return std::make_unique<Icosphere>();
  });
  if (radius != sphere.radius) {
    BuildIcosphere(shape_vertices, radius, kIcosphereDepth);
    UploadShape(sphere.mesh, shape_vertices);
    sphere.radius = radius;
    ++icosphere_builds;
    LogInfo("      Generated Icosahedron subdivided {} times with {} verts", kIcosphereDepth,
            shape_vertices.VertexCount());
  }
  sphere.mesh.Draw(GL_TRIANGLES);
}

}  // namespace EasyDraw
