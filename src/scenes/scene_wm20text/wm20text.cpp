#include "scenes/scene_wm20text/wm20text.h"

#include <GL/glew.h>

#include "util/helpers.h"
#include "util/music/music.h"
#include "util/text/text.h"

const std::vector<SceneTrack>& WM20Text::Tracks() {
  static const std::vector<SceneTrack> tracks = {
      {"textScene", 0.0f},  {"textFade", 1.0f},   {"textFade2", 1.0f}, {"textY", 0.5f},
      {"textX", 0.5f},      {"textY2", 0.5f},     {"textX2", 0.5f},    {"textSize", 64.0f},
      {"textScaleX", 1.0f}, {"textColR", 1.0f},   {"textColG", 0.0f},  {"textColB", 1.0f},
      {"textColR2", 1.0f},  {"textColG2", 1.0f},  {"textColB2", 1.0f},
  };
  return tracks;
}

const TextPair& WM20Text::PairFor(const TextPairs& pairs, float text_scene) {
  if (text_scene >= 1.5f) return pairs.from_one_and_half;
  if (text_scene >= 0.5f) return pairs.to_one_and_half;
  return pairs.below_half;
}

glm::vec4 WM20Text::LineColour(float r, float g, float b, float fade) {
  return {r * fade, g * fade, b * fade, fade};
}

uint32_t WM20Text::FaceSizeFor(float text_size) {
  return static_cast<uint32_t>(ClampedInt(text_size, 1, kMaxFaceSize));
}

TextPairs WM20Text::CreditPairs() {
  return {{"Velka", "Orrin"},
          {"additional graphics:", "Tamsk - Brelo - Ivvy"},
          {"Cindercoil", "Wendmoor 2020"}};
}

WM20Text::WM20Text() = default;

WM20Text::~WM20Text() = default;

void WM20Text::Init() {
  text_ = std::make_unique<Text>(kFontFile, kLoadFaceSize);
  pairs_ = Pairs();
  OpenSceneTracks(*music, Tracks());
}

void WM20Text::Resize(uint32_t new_width, uint32_t new_height) {
  Scene::Resize(new_width, new_height);
  if (new_width >= 2 && new_height >= 2) {
    text_->Reshape(static_cast<int32_t>(new_width), static_cast<int32_t>(new_height));
  }
}

void WM20Text::Render() {
  const TrackLookup track = MusicTracks(*music);
  text_->SetGLState();
  text_->SetFaceSize(FaceSizeFor(track("textSize")));
  // Each line is drawn as a textured box; blending keeps the picture around the glyphs.
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  const TextPair& pair = PairFor(pairs_, track("textScene"));
  PrintLine(track, pair.first, "");
  PrintLine(track, pair.second, "2");
  glDisable(GL_BLEND);
}

void WM20Text::PrintLine(const TrackLookup& track, const std::string& line, const char* suffix) {
  const auto value = [&](const char* name) { return track(std::string(name) + suffix); };
  const glm::vec4 colour =
      LineColour(value("textColR"), value("textColG"), value("textColB"), value("textFade"));
  glColor4f(colour.r, colour.g, colour.b, colour.a);
  // The line is text, never a format: a '%' in a name prints as itself.
  text_->PrintAt(value("textX"), value("textY"), track("textScaleX"), "%s", line.c_str());
}
