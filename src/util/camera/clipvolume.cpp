#include "util/camera/clipvolume.h"

std::array<glm::vec4, 6> ClipVolumePlanes(const glm::mat4& clip, float grow) {
  // Row r of the matrix (glm stores columns) gives the clip coordinate r of a point.
  const auto row = [&clip](int r) {
    return glm::vec4(clip[0][r], clip[1][r], clip[2][r], clip[3][r]);
  };
  const glm::vec4 w = row(3) * (1.0f + grow);
  return {w - row(0), w + row(0), w - row(1), w + row(1), w - row(2), w + row(2)};
}
