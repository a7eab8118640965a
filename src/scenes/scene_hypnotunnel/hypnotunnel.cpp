#include "scenes/scene_hypnotunnel/hypnotunnel.h"

#include <GL/glew.h>

#include "util/easydraw/easydraw.h"
#include "util/music/music.h"
#include "util/gpuresources/gpuresources.h"

namespace {

// The rotation tracks are in degrees; the shader wants radians.
float Radians(float degrees) { return degrees * 3.1415927f * 0.0055555557f; }

}  // namespace

const std::vector<HypnoTrack>& HypnoTunnel::Tracks() {
  static const std::vector<HypnoTrack> tracks = {
      {"hypnoTime", 0.0f},          {"hypnoPosX", 0.0f},         {"hypnoPosY", 0.0f},
      {"hypnoScaleX", 1.0f},        {"hypnoScaleY", 1.0f},       {"hypnoNumRings", 10.0f},
      {"hypnoRingRadius", 1.0f},    {"hypnoRingDistance", 1.0f}, {"hypnoRingStrength", 10.0f},
      {"hypnoGlowStrength", 10.0f}, {"hypnoSpirality", 1.0f},    {"hypnoSpiral1", 1.0f},
      {"hypnoSpiral2", 1.0f},       {"hypnoSpiral3", 1.0f},      {"hypnoColStartR", 0.2f},
      {"hypnoColStartG", 0.6f},     {"hypnoColStartB", 1.0f},    {"hypnoColEndR", 0.8f},
      {"hypnoColEndG", 0.6f},       {"hypnoColEndB", 0.2f},      {"hypnoColMix", 1.0f},
      {"hypnoShape1", 0.0f},        {"hypnoShape2", 1.0f},       {"hypnoShapeMix", 0.0f},
      {"hypnoRotStart", 0.0f},      {"hypnoRotEnd", 0.0f},
  };
  return tracks;
}

std::vector<UniformValue> HypnoTunnel::UniformsFor(
    const std::function<float(const std::string&)>& track, uint32_t width, uint32_t height) {
  return {
      UniformVec2("iResolution", static_cast<float>(width), static_cast<float>(height)),
      UniformFloat("iTime", track("hypnoTime")),
      UniformFloat("iNumRings", track("hypnoNumRings")),
      UniformVec4("iSpirality", track("hypnoSpiral1"), track("hypnoSpiral2"), track("hypnoSpiral3"),
                  track("hypnoSpirality")),
      UniformFloat("iRingStrength", track("hypnoRingStrength")),
      UniformFloat("iGlowStrength", track("hypnoGlowStrength")),
      UniformVec3("iShapes", track("hypnoShape1"), track("hypnoShape2"), track("hypnoShapeMix")),
      UniformVec3("iColStart", track("hypnoColStartR"), track("hypnoColStartG"),
                  track("hypnoColStartB")),
      UniformVec3("iColEnd", track("hypnoColEndR"), track("hypnoColEndG"), track("hypnoColEndB")),
      UniformFloat("iColMix", track("hypnoColMix")),
      UniformFloat("iRingRadius", track("hypnoRingRadius")),
      UniformFloat("iRingDistance", track("hypnoRingDistance")),
      UniformVec2("iOffset", track("hypnoPosX"), track("hypnoPosY")),
      UniformVec2("iScale", track("hypnoScaleX"), track("hypnoScaleY")),
      UniformVec2("iRotate", Radians(track("hypnoRotStart")), Radians(track("hypnoRotEnd"))),
      UniformMat4("ProjectionMatrix", GpuResources::UnitSquareProjection()),
  };
}

HypnoTunnel::HypnoTunnel() = default;

HypnoTunnel::~HypnoTunnel() = default;

void HypnoTunnel::Init() {
  program_ = std::make_unique<ShaderProgram>("data/scenes/shadertoy/simple.vert",
                                             "data/scenes/hypnotunnel/hypnotunnel.frag");
  for (const HypnoTrack& track : Tracks()) music->OpenTrack(track.name, track.default_value);
}

void HypnoTunnel::Render() {
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
  program_->Use();
  const auto track = [this](const std::string& name) { return music->GetSyncValue(name); };
  UploadUniforms(*program_, UniformsFor(track, width, height));
  EasyDraw::DrawFullscreenQuad();
}
