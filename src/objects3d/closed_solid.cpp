#include "objects3d/closed_solid.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <unordered_map>
#include <vector>

#include <glm/glm.hpp>

#include "objects3d/primitive.h"

namespace {

glm::vec3 PositionAt(const Primitive& p, uint32_t vertex) {
  const size_t at = static_cast<size_t>(vertex) * p.position_components;
  return {p.positions[at], p.positions[at + 1], p.positions[at + 2]};
}

using Cell = std::array<int64_t, 3>;

// The side of the welding cells, which is also the distance within which positions count as one
// corner: a millionth of the primitive's size, yet at least 2^-40 of its farthest coordinate
// (far below a float's step there) and above zero, so that every cell index stays within 2^40
// of zero, even for a primitive without size. In double: the size of a primitive spanning the
// float range overflows a float.
double WeldTolerance(const PositionBox& box) {
  const glm::dvec3 low(box.min), high(box.max);
  const glm::dvec3 farthest = glm::max(glm::abs(low), glm::abs(high));
  return std::max({1e-6 * glm::length(high - low),
                   0x1p-40 * std::max({farthest.x, farthest.y, farthest.z}),
                   std::numeric_limits<double>::min()});
}

Cell CellOf(const glm::dvec3& at, double cell_side) {
  const glm::dvec3 scaled = glm::floor(at / cell_side);
  return {static_cast<int64_t>(scaled.x), static_cast<int64_t>(scaled.y),
          static_cast<int64_t>(scaled.z)};
}

// One id per corner of the solid: a flat-shaded solid repeats each corner once per face, and
// the two sides of a seam may carry the same corner rounded differently (or as -0 and 0), so
// positions within a millionth of the primitive's size of each other count as one. The
// positions are finite.
std::vector<uint32_t> WeldedIds(const Primitive& p) {
  const double tolerance = WeldTolerance(BoxOfPositions(p));
  std::map<Cell, std::vector<uint32_t>> cells;  // the first vertex of each corner, by cell
  std::vector<uint32_t> welded(p.VertexCount());
  for (uint32_t v = 0; v < welded.size(); ++v) {
    const glm::dvec3 at(PositionAt(p, v));
    const Cell cell = CellOf(at, tolerance);
    welded[v] = v;
    for (int32_t n = 0; n < 27 && welded[v] == v; ++n) {
      const auto found =
          cells.find({cell[0] + n % 3 - 1, cell[1] + n / 3 % 3 - 1, cell[2] + n / 9 - 1});
      if (found == cells.end()) continue;
      for (const uint32_t other : found->second) {
        const glm::dvec3 apart = glm::abs(glm::dvec3(PositionAt(p, other)) - at);
        if (glm::all(glm::lessThanEqual(apart, glm::dvec3(tolerance)))) {
          welded[v] = welded[other];
          break;
        }
      }
    }
    if (welded[v] == v) cells[cell].push_back(v);
  }
  return welded;
}

// Whether each directed edge of the triangles appears once and its reverse once.
bool EdgesPairUp(const std::vector<uint32_t>& corners) {
  std::unordered_map<uint64_t, int32_t> edges;
  const auto key = [](uint32_t a, uint32_t b) { return uint64_t{a} << 32 | b; };
  for (size_t t = 0; t + 2 < corners.size(); t += 3) {
    for (size_t i = 0; i < 3; ++i) {
      const uint32_t a = corners[t + i];
      const uint32_t b = corners[t + (i + 1) % 3];
      if (a == b || ++edges[key(a, b)] > 1) return false;
    }
  }
  return std::all_of(edges.begin(), edges.end(), [&](const auto& edge) {
    const auto reverse = edges.find(key(static_cast<uint32_t>(edge.first),
                                        static_cast<uint32_t>(edge.first >> 32)));
    return reverse != edges.end();
  });
}

// Six times the volume the triangles enclose; positive when they are wound outwards.
double SignedVolume(const Primitive& p, const std::vector<uint32_t>& vertices) {
  double volume = 0.0;
  for (size_t t = 0; t + 2 < vertices.size(); t += 3) {
    const glm::dvec3 a(PositionAt(p, vertices[t]));
    const glm::dvec3 b(PositionAt(p, vertices[t + 1]));
    const glm::dvec3 c(PositionAt(p, vertices[t + 2]));
    volume += glm::dot(a, glm::cross(b, c));
  }
  return volume;
}

// The vertices of the triangles in draw order; empty when an index reaches past the vertices.
std::vector<uint32_t> TriangleVertices(const Primitive& p) {
  const uint32_t count = p.VertexCount();
  std::vector<uint32_t> vertices = p.indices;
  if (vertices.empty()) {
    vertices.resize(count);
    for (uint32_t v = 0; v < count; ++v) vertices[v] = v;
  }
  for (const uint32_t v : vertices) {
    if (v >= count) return {};
  }
  return vertices;
}

}  // namespace

bool IsClosedSolid(const Primitive& p) {
  if (p.draw_mode != PrimitiveMode::Triangles || p.position_components < 3) return false;
  if (!p.morph_targets.empty()) return false;  // morphing moves the corners apart
  // A position that is not a finite number gives no corner to weld nor volume to measure.
  const auto finite = [](float f) { return std::isfinite(f); };
  if (!std::all_of(p.positions.begin(), p.positions.end(), finite)) return false;
  const std::vector<uint32_t> vertices = TriangleVertices(p);
  if (vertices.empty() || vertices.size() % 3 != 0) return false;
  const std::vector<uint32_t> welded = WeldedIds(p);
  std::vector<uint32_t> corners(vertices.size());
  for (size_t i = 0; i < vertices.size(); ++i) corners[i] = welded[vertices[i]];
  return EdgesPairUp(corners) && SignedVolume(p, vertices) > 0.0;
}
