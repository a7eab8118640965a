#pragma once
// The ball grid of TwBalls as plain arithmetic over the twbl* track values: one instance
// matrix and one base colour per ball. Kept apart from the scene so it runs without GL.

#include <cstdint>
#include <vector>

#include <glm/glm.hpp>

// One frame's twbl* values, with the tracks' defaults.
struct TwBallsTracks {
  float pos_x = 0.0f, pos_y = 0.0f, pos_z = 0.0f;
  float num_x = 5.0f, num_y = 5.0f, num_z = 5.0f;
  float dist_x = 2.0f, dist_x_mul = 1.0f;
  float dist_y = 2.0f, dist_y_mul = 1.0f;
  float dist_z = 2.0f, dist_z_mul = 1.0f;
  float size_x = 1.0f, size_y = 1.0f, size_z = 1.0f;
  float size_mul = 1.0f;
  float col1_h = 0.2f, col1_s = 1.0f, col1_l = 0.5f, col1_a = 0.5f;
  float col2_h = 0.7f, col2_s = 1.0f, col2_l = 0.5f, col2_a = 0.5f;
  float rot_x = 0.0f, rot_y = 0.0f, rot_z = 0.0f;
};

struct TwBallsGrid {
  std::vector<glm::mat4> matrices;  // one per ball
  std::vector<glm::vec4> colors;    // the ball's base colour, same order
};

// Balls along one axis are capped so that a wild key cannot stall a frame or exhaust memory.
constexpr uint32_t kMaxBallsPerAxis = 32;

// Balls along an axis for a twblNum* value: the whole numbers n >= 0 with n below the value
// (2.5 gives 3), none for 0, a negative value or NaN, at most kMaxBallsPerAxis.
uint32_t BallsAlongAxis(float count);

// Rebuilds the grid from nothing. One running matrix collects every twist in loop order (x
// outermost), so each ball is turned by all the twists before it. The colour runs from colour 1
// at the first ball towards colour 2 by (x + y + z) / (sum of the three counts as given).
void BuildTwBallsGrid(const TwBallsTracks& tracks, TwBallsGrid& grid);
