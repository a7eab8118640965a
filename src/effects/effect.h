#pragma once
// A drawable effect (the sky box, the radial blur): one operation that draws into whatever
// framebuffer is bound. Owners may hold effects through this base, so it has a virtual
// destructor.

namespace Effects {

class Effect {
 public:
  virtual ~Effect() = default;
  // Draws the effect; time is a beat time or 0.0 and may be ignored.
  virtual void render(double time) = 0;
};

}  // namespace Effects
