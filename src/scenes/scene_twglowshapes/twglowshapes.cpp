#include "scenes/scene_twglowshapes/twglowshapes.h"

#include <algorithm>
#include <array>
#include <cmath>

#include <glm/gtc/matrix_transform.hpp>

#include "util/helpers.h"
#include "util/music/music.h"

namespace {

constexpr float kPi = 3.14159265f;
constexpr float kFlatHeight = 1e-5f;

// The corners of a frame: outer square O0-O3 and inner square I0-I3, counter-clockwise from the
// bottom left.
struct FrameCorners {
  std::array<glm::vec2, 4> outer;
  std::array<glm::vec2, 4> inner;
};

FrameCorners CornersOf(float s, float b) {
  const float i = s - b;
  return {{glm::vec2(-s, -s), glm::vec2(s, -s), glm::vec2(s, s), glm::vec2(-s, s)},
          {glm::vec2(-i, -i), glm::vec2(i, -i), glm::vec2(i, i), glm::vec2(-i, i)}};
}

// A side of the frame: its two triangles and its outer and inner edges (corner indices).
struct FrameSide {
  int triangles[2][3][2];  // per corner: 0 outer / 1 inner, corner index
  int outer_edge[2];
  int inner_edge[2];
};

// Left, bottom, right, top: each side's trapezoid as two triangles.
constexpr FrameSide kSides[4] = {
    {{{{0, 0}, {1, 3}, {0, 3}}, {{0, 0}, {1, 0}, {1, 3}}}, {0, 3}, {0, 3}},
    {{{{0, 0}, {0, 1}, {1, 1}}, {{0, 0}, {1, 1}, {1, 0}}}, {0, 1}, {0, 1}},
    {{{{0, 1}, {0, 2}, {1, 2}}, {{0, 1}, {1, 2}, {1, 1}}}, {1, 2}, {1, 2}},
    {{{{0, 3}, {1, 2}, {0, 2}}, {{0, 3}, {1, 3}, {1, 2}}}, {3, 2}, {3, 2}},
};

glm::vec2 Corner(const FrameCorners& corners, const int which[2]) {
  return which[0] == 0 ? corners.outer[which[1]] : corners.inner[which[1]];
}

void AddSideTriangles(const FrameCorners& corners, const FrameSide& side, VertexColourMesh& mesh) {
  for (const auto& triangle : side.triangles) {
    for (const auto& corner : triangle) mesh.AddVertex(glm::vec3(Corner(corners, corner), 0.0f));
  }
}

// Two triangles joining the edge a-b at z = 0 to the same edge at z = -length.
void AddWall(const glm::vec2& a, const glm::vec2& b, float length, VertexColourMesh& mesh) {
  const glm::vec3 a0(a, 0.0f), b0(b, 0.0f), a1(a, -length), b1(b, -length);
  for (const glm::vec3& v : {a0, b0, b1, a0, b1, a1}) mesh.AddVertex(v);
}

glm::vec4 WithAlpha(const glm::vec3& rgb, float alpha) { return {rgb.r, rgb.g, rgb.b, alpha}; }

}  // namespace

const std::vector<SceneTrack>& TwGlowShapes::Tracks() {
  static const std::vector<SceneTrack> tracks = {
      {"twgsCol1H", 0.2f},      {"twgsCol1S", 0.2f},    {"twgsCol1L", 0.5f},
      {"twgsCol1A", 0.5f},      {"twgsCol2H", 0.8f},    {"twgsCol2S", 0.5f},
      {"twgsCol2L", 0.5f},      {"twgsCol2A", 0.5f},    {"twgsRot", 0.0f},
      {"twgsRotMod1", 0.0f},    {"twgsRotMod2", 0.0f},  {"twgsRotMod3", 0.0f},
      {"twgsProtLength", 0.0f}, {"twgsRadius1", 4.0f},  {"twgsRadius2", 2.0f},
      {"twgsOffset1", 0.0f},    {"twgsOffset2", 3.0f},  {"twgsOffset3", -3.0f},
      {"twgsSize", 2.0f},       {"twgsBorder", 0.2f},
  };
  return tracks;
}

GlowShapes TwGlowShapes::ShapesFrom(const TrackLookup& track) {
  GlowShapes shapes;
  shapes.gradient.top = WithAlpha(
      HSLToRGB({track("twgsCol1H"), track("twgsCol1S"), track("twgsCol1L")}), track("twgsCol1A"));
  shapes.gradient.bottom = WithAlpha(
      HSLToRGB({track("twgsCol2H"), track("twgsCol2S"), track("twgsCol2L")}), track("twgsCol2A"));
  shapes.rotation = track("twgsRot");
  shapes.rotation_mod[0] = track("twgsRotMod1");
  shapes.rotation_mod[1] = track("twgsRotMod2");
  shapes.rotation_mod[2] = track("twgsRotMod3");
  shapes.protrusion_length = track("twgsProtLength");
  shapes.radius1 = track("twgsRadius1");
  shapes.radius2 = track("twgsRadius2");
  shapes.offset1 = track("twgsOffset1");
  shapes.offset2 = track("twgsOffset2");
  shapes.offset3 = track("twgsOffset3");
  shapes.size = track("twgsSize");
  shapes.border = track("twgsBorder");
  return shapes;
}

float TwGlowShapes::TurnFraction(float x) { return (std::sin(x - kPi / 2.0f) + 1.0f) / 2.0f; }

void TwGlowShapes::BuildShapes(const GlowShapes& shapes, VertexColourMesh& mesh) {
  const float rot = shapes.rotation;
  // Each ring turns at its own rate: pi/4, pi/6, pi/7 and pi/15 per unit of the phase.
  BuildShape(shapes, {0.0f, shapes.offset1, 0.0f}, shapes.radius1,
             TurnFraction(rot * 0.7853982f), mesh);
  BuildShape(shapes, {0.0f, shapes.offset2, 0.0f}, shapes.radius2,
             TurnFraction((rot + shapes.rotation_mod[0]) * 0.5235988f), mesh);
  BuildShape(shapes, {0.0f, shapes.offset3, 0.0f}, shapes.radius2,
             TurnFraction((rot + shapes.rotation_mod[1]) * 0.44879898f), mesh);
  BuildShape(shapes, {0.0f, shapes.offset1, 0.0f}, shapes.radius2,
             TurnFraction((rot + shapes.rotation_mod[2]) * 0.20943953f), mesh);
}

void TwGlowShapes::BuildShape(const GlowShapes& shapes, const glm::vec3& centre, float radius,
                              float fraction, VertexColourMesh& mesh) {
  for (int frame = 0; frame < kFramesPerRing; ++frame) {
    const float angle = glm::radians(45.0f * static_cast<float>(frame));
    glm::mat4 M = glm::translate(glm::mat4(1.0f), centre);
    M = glm::rotate(M, angle, glm::vec3(0.0f, 1.0f, 0.0f));
    M = glm::translate(M, glm::vec3(radius, 0.0f, 0.0f));
    M = glm::rotate(M, fraction * kPi, glm::vec3(0.0f, 0.0f, 1.0f));
    AddSegment(shapes.size, shapes.border, M, shapes.gradient, mesh);
    AddProtrusion(shapes.size, shapes.border, M, shapes.protrusion_length, shapes.gradient, mesh);
  }
}

void TwGlowShapes::AddSegment(float size, float border, const glm::mat4& M,
                              const HeightGradient& gradient, VertexColourMesh& mesh) {
  const size_t first = mesh.VertexCount();
  const FrameCorners corners = CornersOf(size, border);
  for (const FrameSide& side : kSides) AddSideTriangles(corners, side, mesh);
  mesh.TransformFrom(first, M);
  ColourByHeight(first, gradient, mesh);
}

void TwGlowShapes::AddProtrusion(float size, float border, const glm::mat4& M, float length,
                                 const HeightGradient& gradient, VertexColourMesh& mesh) {
  const size_t first = mesh.VertexCount();
  const FrameCorners corners = CornersOf(size, border);
  for (const FrameSide& side : kSides) {
    AddSideTriangles(corners, side, mesh);
    AddWall(corners.outer[side.outer_edge[0]], corners.outer[side.outer_edge[1]], length, mesh);
    AddWall(corners.inner[side.inner_edge[0]], corners.inner[side.inner_edge[1]], length, mesh);
  }
  mesh.TransformFrom(first, glm::translate(M, glm::vec3(0.0f, 0.0f, length)));
  ColourByHeight(first, gradient, mesh);
}

void TwGlowShapes::ColourByHeight(size_t first, const HeightGradient& gradient,
                                  VertexColourMesh& mesh) {
  float low = INFINITY;
  float high = -INFINITY;
  for (size_t v = first; v < mesh.VertexCount(); ++v) {
    low = std::min(low, mesh.Position(v).y);
    high = std::max(high, mesh.Position(v).y);
  }
  const float span = high - low;
  // A shape lying flat has no height to spread the ramp over: bottom colour throughout. The
  // heights of a flat shape differ by rounding noise, hence the tolerance.
  const bool flat = !(span > kFlatHeight) || !std::isfinite(span);
  mesh.colours.resize(first * 4);
  for (size_t v = first; v < mesh.VertexCount(); ++v) {
    const float t = flat ? 0.0f : (mesh.Position(v).y - low) / span;
    const glm::vec4 colour = gradient.bottom * (1.0f - t) + gradient.top * t;
    mesh.colours.insert(mesh.colours.end(), {colour.r, colour.g, colour.b, colour.a});
  }
}

void TwGlowShapes::Init() {
  InitView("GlowShapesColor3d");
  OpenSceneTracks(*music, Tracks());
}

void TwGlowShapes::Render() {
  BeginFrame();
  BuildShapes(ShapesFrom(MusicTracks(*music)), mesh_);
  DrawMesh(GL_TRIANGLES);
}
