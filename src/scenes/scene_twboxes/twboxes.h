#pragma once
// A wall of translucent boxes in rows and columns whose sizes and colours ramp from the first
// corner to the far one, drawn additively. Rebuilt from the twbx* tracks every frame.

#include <cstdint>
#include <vector>

#include <glm/glm.hpp>

#include "scenes/scene_twboxes/vertexcolourscene.h"
#include "scenes/scenetrack.h"

// One frame's wall, read from the tracks.
struct BoxWall {
  glm::vec4 colour1{0.0f};  // red, green, blue, alpha at the first corner
  glm::vec4 colour2{0.0f};  // at the far corner
  glm::vec3 size1{0.0f};    // width, height, depth at the first corner
  glm::vec3 size2{0.0f};
  float width_space = 0.0f;   // gap added to the box width between columns
  float height_space = 0.0f;  // gap added to the box height between rows
  int32_t columns = 0;
  int32_t rows = 0;
};

class TwBoxes : public VertexColourScene {
 public:
  // Column and row counts are held to this: a wild key must not build millions of boxes.
  static constexpr int32_t kMaxBoxesPerSide = 100;
  static constexpr uint32_t kVerticesPerBox = 24;

  static const std::vector<SceneTrack>& Tracks();
  // Counts are the ceilings of their tracks, clamped to 0..kMaxBoxesPerSide.
  static BoxWall WallFrom(const TrackLookup& track);
  // Appends every box of the wall, row by row.
  static void BuildWall(const BoxWall& wall, VertexColourMesh& mesh);
  // Appends one box: six faces as quads of four corners at plus and minus half the size,
  // transformed by M, all of one colour.
  static void AddBox(const glm::vec3& size, const glm::vec4& colour, const glm::mat4& M,
                     VertexColourMesh& mesh);
  // Where box (row, column) lies on the ramp from the first corner (0) to the far one (1); a
  // wall of one box is all first corner.
  static float RampAt(int32_t row, int32_t column, const BoxWall& wall);

  void Init() override;
  void Render() override;
  void Noop() override {}
};
