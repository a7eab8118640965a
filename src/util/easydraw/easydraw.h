#pragma once
// Free drawing functions for the shapes drawn all the time: a full-screen quad, a 2D quad, a
// box and an icosphere. Their GL objects are kept by the shared GPU resources (made on first
// use) and they draw with whatever program and textures the caller has bound. Attributes sit at the
// VertexAttrib locations: position 0, normal 1, texture coordinate 2, tangent 3. Quads are
// GL_QUADS, so a compatibility-profile context is required.

#include <cstdint>
#include <vector>

// The vertices a shape is built into before upload, one float array per attribute.
struct EasyDrawShapeVertices {
  std::vector<float> positions;  // 3 per vertex
  std::vector<float> normals;    // 3 per vertex
  std::vector<float> texcoords;  // 2 per vertex
  std::vector<float> tangents;   // 3 per vertex

  void Clear();
  uint32_t VertexCount() const { return static_cast<uint32_t>(positions.size() / 3); }
};

namespace EasyDraw {

constexpr int kIcosphereDepth = 3;

void DrawFullscreenQuad();
// The rectangle from (x, y) to (x + width, y + height), texture coordinates 0..1 across it.
void DrawQuad(float x, float y, float width, float height);
// A box centred on the origin, drawn as 24 vertices of GL_QUADS; the flag is not used.
void DrawBox(float width, float height, float depth, bool flag = false);
// A sphere: the icosahedron subdivided three times, rebuilt only when the radius changes.
void DrawIcosphere(float radius);

// Vertex generation, kept apart from the GL side so it can be checked on its own.
void BuildBox(EasyDrawShapeVertices& out, float width, float height, float depth);
void BuildIcosphere(EasyDrawShapeVertices& out, float radius, int depth);

// The shared arrays the last box or icosphere was built into.
const EasyDrawShapeVertices& LastShapeVertices();
// How many times DrawIcosphere has built its mesh.
uint32_t IcosphereBuildCount();

}  // namespace EasyDraw
