#pragma once
// TwBalls: a three-dimensional grid of translucent balls drawn additively. Every ball is one
// instance of a single icosahedron in the scene's own Objects3D; size, spacing, colour ramp and
// twist follow the twbl* tracks and the grid is rebuilt from them every frame.

#include <memory>

#include "objects3d/objects3d.h"
#include "scenes/scene.h"
#include "scenes/scene_twballs/twballsgrid.h"
#include "scenes/trackset.h"

class Camera;
struct Material;
class Primitive;
struct Node;

class TwBalls : public Scene {
 public:
  TwBalls();
  ~TwBalls() override;
  void Init() override;
  void Render() override;
  void Noop() override {}
  void Resize(uint32_t new_width, uint32_t new_height) override;

  // The twbl* tracks in opening order with their defaults.
  static const std::vector<TrackField<TwBallsTracks>>& Tracks();

  Objects3D& stage() { return stage_; }
  const TwBallsGrid& grid() const { return grid_; }

 private:
  Objects3D stage_;
  std::shared_ptr<Primitive> ball_;
  std::shared_ptr<Material> material_;
  std::shared_ptr<Camera> camera_;
  uint32_t ball_node_ = 0;  // index of the ball's node in the stage
  TrackSet<TwBallsTracks> tracks_;
  TwBallsGrid grid_;
};
