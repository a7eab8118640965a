#include "scenes/scene_twboxes/twboxes.h"

#include <cmath>

#include <glm/gtc/matrix_transform.hpp>

#include "util/helpers.h"
#include "util/music/music.h"

namespace {

// The corners of the unit box's six faces, four per face.
constexpr float kBoxCorners[24][3] = {
    {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},   {-1, 1, 1},    // front
    {-1, -1, -1}, {-1, 1, -1}, {1, 1, -1},  {1, -1, -1},   // back
    {-1, -1, -1}, {-1, -1, 1}, {-1, 1, 1},  {-1, 1, -1},   // left
    {1, -1, -1},  {1, 1, -1},  {1, 1, 1},   {1, -1, 1},    // right
    {-1, 1, -1},  {-1, 1, 1},  {1, 1, 1},   {1, 1, -1},    // top
    {-1, -1, -1}, {1, -1, -1}, {1, -1, 1},  {-1, -1, 1},   // bottom
};

int32_t CountFrom(float track_value) {
  return ClampedInt(std::ceil(track_value), 0, TwBoxes::kMaxBoxesPerSide);
}

}  // namespace

const std::vector<SceneTrack>& TwBoxes::Tracks() {
  static const std::vector<SceneTrack> tracks = {
      {"twbxCol1H", 0.2f},     {"twbxCol1S", 0.2f},       {"twbxCol1L", 0.5f},
      {"twbxCol1A", 0.5f},     {"twbxCol2H", 0.8f},       {"twbxCol2S", 0.5f},
      {"twbxCol2L", 0.5f},     {"twbxCol2A", 0.5f},       {"twbxWidth1", 1.0f},
      {"twbxHeight1", 1.0f},   {"twbxDepth1", 10.0f},     {"twbxWidth2", 5.0f},
      {"twbxHeight2", 5.0f},   {"twbxDepth2", 50.0f},     {"twbxWidthSpace", 5.0f},
      {"twbxHeightSpace", 5.0f}, {"twbxWidthCount", 2.0f}, {"twbxHeightCount", 2.0f},
  };
  return tracks;
}

BoxWall TwBoxes::WallFrom(const TrackLookup& track) {
  BoxWall wall;
  // The tracks named H, S and L feed red, green and blue directly.
  wall.colour1 = {track("twbxCol1H"), track("twbxCol1S"), track("twbxCol1L"), track("twbxCol1A")};
  wall.colour2 = {track("twbxCol2H"), track("twbxCol2S"), track("twbxCol2L"), track("twbxCol2A")};
  wall.size1 = {track("twbxWidth1"), track("twbxHeight1"), track("twbxDepth1")};
  wall.size2 = {track("twbxWidth2"), track("twbxHeight2"), track("twbxDepth2")};
  wall.width_space = track("twbxWidthSpace");
  wall.height_space = track("twbxHeightSpace");
  wall.columns = CountFrom(track("twbxWidthCount"));
  wall.rows = CountFrom(track("twbxHeightCount"));
  return wall;
}

float TwBoxes::RampAt(int32_t row, int32_t column, const BoxWall& wall) {
  const int32_t steps = wall.columns + wall.rows - 2;
  if (steps <= 0) return 0.0f;
  return static_cast<float>(column + row) / static_cast<float>(steps);
}

void TwBoxes::BuildWall(const BoxWall& wall, VertexColourMesh& mesh) {
  for (int32_t r = 0; r < wall.rows; ++r) {
    for (int32_t k = 0; k < wall.columns; ++k) {
      const float t = RampAt(r, k, wall);
      const glm::vec3 size = wall.size1 * (1.0f - t) + wall.size2 * t;
      const glm::vec4 colour = wall.colour1 * (1.0f - t) + wall.colour2 * t;
      const glm::vec3 offset((size.x + wall.width_space) * static_cast<float>(k),
                             (size.y + wall.height_space) * static_cast<float>(r), 0.0f);
      AddBox(size, colour, glm::translate(glm::mat4(1.0f), offset), mesh);
    }
  }
}

void TwBoxes::AddBox(const glm::vec3& size, const glm::vec4& colour, const glm::mat4& M,
                     VertexColourMesh& mesh) {
  const size_t first = mesh.VertexCount();
  const glm::vec3 half = size * 0.5f;
  for (const auto& corner : kBoxCorners) {
    mesh.AddVertex(glm::vec3(corner[0], corner[1], corner[2]) * half);
  }
  mesh.TransformFrom(first, M);
  mesh.ColourFrom(first, colour);
}

void TwBoxes::Init() {
  InitView("TwBoxesColor3d");
  OpenSceneTracks(*music, Tracks());
}

void TwBoxes::Render() {
  BeginFrame();
  BuildWall(WallFrom(MusicTracks(*music)), mesh_);
  DrawMesh(GL_QUADS);
}
