#include "scenes/scene_twballs/twballsgrid.h"

#include <algorithm>
#include <cmath>

#include <glm/gtc/matrix_transform.hpp>

#include "util/helpers.h"

namespace {

// powf(n, exponent) x factor + origin. Column 0 with a negative exponent would be infinitely
// far away; it stays at the origin instead.
float AxisPosition(uint32_t n, float factor, float exponent, float origin) {
  const float power = std::pow(static_cast<float>(n), exponent);
  return (std::isfinite(power) ? power * factor : 0.0f) + origin;
}

float AxisScale(uint32_t n, float step, float base) { return static_cast<float>(n) * step + base; }

}  // namespace

uint32_t BallsAlongAxis(float count) {
  if (!(count > 0.0f)) return 0;
  return static_cast<uint32_t>(std::min(std::ceil(count), static_cast<float>(kMaxBallsPerAxis)));
}

void BuildTwBallsGrid(const TwBallsTracks& tr, TwBallsGrid& grid) {
  grid.matrices.clear();
  grid.colors.clear();
  const uint32_t nx = BallsAlongAxis(tr.num_x);
  const uint32_t ny = BallsAlongAxis(tr.num_y);
  const uint32_t nz = BallsAlongAxis(tr.num_z);
  const float size_step = (tr.size_mul - 1.0f) * 0.01f;
  const glm::vec3 twist = glm::vec3(tr.rot_x, tr.rot_y, tr.rot_z) * 0.1f;
  const glm::vec3 rgb1 = HSLToRGB({tr.col1_h, tr.col1_s, tr.col1_l});
  const glm::vec3 rgb2 = HSLToRGB({tr.col2_h, tr.col2_s, tr.col2_l});
  const float total = tr.num_x + tr.num_y + tr.num_z;
  grid.matrices.reserve(size_t{nx} * ny * nz);
  grid.colors.reserve(size_t{nx} * ny * nz);

  glm::mat4 running(1.0f);
  for (uint32_t x = 0; x < nx; ++x) {
    running = glm::rotate(running, twist.x, glm::vec3(1, 0, 0));
    const float px = AxisPosition(x, tr.dist_x, tr.dist_x_mul, tr.pos_x);
    const float sx = AxisScale(x, size_step, tr.size_x);
    for (uint32_t y = 0; y < ny; ++y) {
      running = glm::rotate(running, twist.y, glm::vec3(0, 1, 0));
      const float py = AxisPosition(y, tr.dist_y, tr.dist_y_mul, tr.pos_y);
      const float sy = AxisScale(y, size_step, tr.size_y);
      for (uint32_t z = 0; z < nz; ++z) {
        running = glm::rotate(running, twist.z, glm::vec3(0, 0, 1));
        const float pz = AxisPosition(z, tr.dist_z, tr.dist_z_mul, tr.pos_z);
        const float sz = AxisScale(z, size_step, tr.size_z);
        grid.matrices.push_back(
            glm::scale(glm::translate(running, glm::vec3(px, py, pz)), glm::vec3(sx, sy, sz)));
        // total > 0 here: every count is positive when a ball exists.
        const float t = static_cast<float>(x + y + z) / total;
        grid.colors.emplace_back(rgb1 * (1.0f - t) + rgb2 * t,
                                 tr.col1_a * (1.0f - t) + tr.col2_a * t);
      }
    }
  }
}
