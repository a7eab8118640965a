#pragma once
// The hypnotic tunnel: one full-screen fragment shader whose every parameter is a sync track.
// The scene opens the tracks, copies their values into the shader's uniforms each frame and
// draws one quad; the picture itself is the shader's.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "effects/uniformvalue.h"
#include "scenes/scene.h"
#include "util/shaderprogram/shaderprogram.h"

struct HypnoTrack {
  const char* name;
  float default_value;
};

class HypnoTunnel : public Scene {
 public:
  // The tracks in opening order, with their defaults.
  static const std::vector<HypnoTrack>& Tracks();
  // The uniforms of one frame from the tracks' values (looked up by track name) and the
  // scene's size, in upload order.
  static std::vector<UniformValue> UniformsFor(
      const std::function<float(const std::string&)>& track, uint32_t width, uint32_t height);

  HypnoTunnel();
  ~HypnoTunnel() override;
  void Init() override;
  void Render() override;
  void Noop() override {}

  ShaderProgram* program() { return program_.get(); }

 private:
  std::unique_ptr<ShaderProgram> program_;
};
