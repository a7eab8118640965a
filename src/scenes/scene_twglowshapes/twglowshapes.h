#pragma once
// Four rings of eight square frames, each frame with a protrusion standing out along its
// normal, the frames turning within their planes like paddle-wheel blades, drawn additively in
// a vertical two-colour gradient. Rebuilt from the twgs* tracks every frame.

#include <vector>

#include <glm/glm.hpp>

#include "scenes/scene_twboxes/vertexcolourscene.h"
#include "scenes/scenetrack.h"

// The vertical colour ramp of one frame or protrusion: bottom colour at its lowest vertex, top
// colour at its highest.
struct HeightGradient {
  glm::vec4 top{0.0f};
  glm::vec4 bottom{0.0f};
};

// One frame's shapes, read from the tracks.
struct GlowShapes {
  HeightGradient gradient;
  float rotation = 0.0f;
  float rotation_mod[3] = {0.0f, 0.0f, 0.0f};
  float protrusion_length = 0.0f;
  float radius1 = 0.0f;
  float radius2 = 0.0f;
  float offset1 = 0.0f;
  float offset2 = 0.0f;
  float offset3 = 0.0f;
  float size = 0.0f;    // half-size of each square frame
  float border = 0.0f;  // frame border width
};

class TwGlowShapes : public VertexColourScene {
 public:
  static constexpr int kFramesPerRing = 8;
  static constexpr int kRings = 4;
  static constexpr size_t kSegmentVertices = 24;
  static constexpr size_t kProtrusionVertices = 72;

  static const std::vector<SceneTrack>& Tracks();
  // The colours are hue, saturation, lightness tracks turned into RGB.
  static GlowShapes ShapesFrom(const TrackLookup& track);
  // (1 - cos x) / 2: 0 at x = 0, 1 at x = pi.
  static float TurnFraction(float x);
  // The four rings.
  static void BuildShapes(const GlowShapes& shapes, VertexColourMesh& mesh);
  // One ring of eight frames around the vertical axis through centre, each turned within its
  // plane by fraction x half a turn.
  static void BuildShape(const GlowShapes& shapes, const glm::vec3& centre, float radius,
                         float fraction, VertexColourMesh& mesh);
  // A square frame in the local plane z = 0: four mitred trapezoids of two triangles each.
  static void AddSegment(float size, float border, const glm::mat4& M,
                         const HeightGradient& gradient, VertexColourMesh& mesh);
  // The frame repeated at `length` along its normal, with outer and inner walls reaching back
  // to the frame's own plane.
  static void AddProtrusion(float size, float border, const glm::mat4& M, float length,
                            const HeightGradient& gradient, VertexColourMesh& mesh);
  // Colours the vertices from `first` on by their height between the lowest and highest of
  // them; vertices all at one height take the bottom colour.
  static void ColourByHeight(size_t first, const HeightGradient& gradient,
                             VertexColourMesh& mesh);

  void Init() override;
  void Render() override;
  void Noop() override {}
};
