#include "scenes/scene_vwmtrain/streakreach.h"

#include <algorithm>
#include <cmath>

#include <glm/glm.hpp>

PixelRect StreakReach(const PixelRect& lit, float step, int32_t width, int32_t height) {
  if (lit.Empty()) return lit;
  // Below this the far copy lies twenty frames away: no bound worth the arithmetic.
  if (!(step > 0.05f)) return {0, 0, width, height};
  const glm::vec2 centre(0.5f * static_cast<float>(width), 0.5f * static_cast<float>(height));
  const glm::vec2 near0(static_cast<float>(lit.x0), static_cast<float>(lit.y0));
  const glm::vec2 near1(static_cast<float>(lit.x1), static_cast<float>(lit.y1));
  const glm::vec2 far0 = centre + (near0 - centre) / step;
  const glm::vec2 far1 = centre + (near1 - centre) / step;
  const glm::vec2 lo = glm::floor(glm::min(near0, glm::min(far0, far1)));
  const glm::vec2 hi = glm::ceil(glm::max(near1, glm::max(far0, far1)));
  // Held to the frame before the conversion: a far copy may lie far outside it.
  const auto clamp_x = [&](float x) { return static_cast<int32_t>(std::clamp(x, 0.0f, float(width))); };
  const auto clamp_y = [&](float y) { return static_cast<int32_t>(std::clamp(y, 0.0f, float(height))); };
  return GrowWithin({clamp_x(lo.x), clamp_y(lo.y), clamp_x(hi.x), clamp_y(hi.y)}, 2, 2, width,
                    height);
}
