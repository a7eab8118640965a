#pragma once
// Two lines of large TTF text over whatever the frame holds, for credits and titles. Fifteen
// "text" tracks choose the pair of lines and set each line's position, stretch, size, colour
// and fade. Nothing else is drawn: no clearing, no background. MorvelText is the same scene
// with other lines.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <glm/glm.hpp>

#include "scenes/scene.h"
#include "scenes/scenetrack.h"

class Text;

struct TextPair {
  std::string first;
  std::string second;
};

// The text pairs of a scene; "textScene" picks one by thresholds at 0.5 and 1.5.
struct TextPairs {
  TextPair below_half;      // "textScene" below 0.5 (and not a number)
  TextPair to_one_and_half;  // 0.5 up to below 1.5
  TextPair from_one_and_half;  // 1.5 and above
};

class WM20Text : public Scene {
 public:
  static constexpr const char* kFontFile = "data/common/fonts/GeosansLight.ttf";
  static constexpr uint32_t kLoadFaceSize = 512;
  // Face sizes from "textSize" are held to this range: a wild key must not make the font
  // render glyphs of any size into textures.
  static constexpr int32_t kMaxFaceSize = 512;

  // The fifteen tracks in opening order, with their defaults.
  static const std::vector<SceneTrack>& Tracks();
  static const TextPair& PairFor(const TextPairs& pairs, float text_scene);
  // A line's colour faded by f: (r f, g f, b f, f), so a fade of 0 is transparent black.
  static glm::vec4 LineColour(float r, float g, float b, float fade);
  static uint32_t FaceSizeFor(float text_size);
  // The credits and title lines of production 6.
  static TextPairs CreditPairs();

  WM20Text();
  ~WM20Text() override;
  void Init() override;
  void Render() override;
  void Noop() override {}
  // Also sets the text layout size, unless a side is below 2 pixels.
  void Resize(uint32_t new_width, uint32_t new_height) override;

  const Text* text() const { return text_.get(); }

 protected:
  // The pairs this scene prints; asked once, at Init.
  virtual TextPairs Pairs() const { return CreditPairs(); }

 private:
  void PrintLine(const TrackLookup& track, const std::string& line, const char* suffix);

  std::unique_ptr<Text> text_;
  TextPairs pairs_;
};
