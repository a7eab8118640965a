#pragma once
// The scene's text-mode layer: an 80 x 50 text screen showing either a rotozoom with a raw
// picture panning over it, or the text-mode fire. The picture can fill the frame (letterboxed
// to the scene's aspect) or be read from the shared text-mode buffer as a texture (the CRT's
// screen). The fire's cell heats also feed the 3D fire field.

#include <array>
#include <cstdint>
#include <memory>
#include <utility>

#include "scenes/scene_vwmtrain/fftbars.h"
#include "util/ascii/asciiengine.h"
#include "util/ascii/asciifire.h"
#include "util/ascii/rawloader.h"
#include "util/ascii/rotozoom.h"

struct AsciiLayerSettings {
  bool rotozoom = false;  // "asciiScene" >= 0.5; else the fire
  bool burn = true;
  double decay = 0.1;
  double decay_target = 0.25;
  double decay_speed = 0.0002;

  static AsciiLayerSettings FromTracks(const TrackReader& track);
};

class AsciiLayer {
 public:
  static constexpr const char* kTile = "data/scenes/vwm20/textbigsprite/tolmes.raw";
  static constexpr const char* kPicture = "data/scenes/vwm20/textbigsprite/vorantil.raw";
  static constexpr int32_t kPictureWidth = 300;
  static constexpr int32_t kPictureHeight = 80;

  // The largest rectangle of the aspect centred in width x height: x, y, width, height. A
  // zero height or an aspect that is not positive fills the whole size.
  static std::array<int32_t, 4> ViewportFor(int32_t width, int32_t height, float aspect);
  // The picture pixel shown at cell (0, 0) at beat b: pans over x 0..220 and y 0..30.
  static std::pair<int32_t, int32_t> PanOrigin(double beat);

  AsciiLayer();
  ~AsciiLayer();
  AsciiLayer(const AsciiLayer&) = delete;
  AsciiLayer& operator=(const AsciiLayer&) = delete;

  // The engine with its rotozoom tile and picture (read now).
  void LoadEngine();
  // The fire, made last at set-up as it seeds the shared generator.
  void LoadFire();
  void Resize(int32_t width, int32_t height, float aspect);

  // The show's time in whole milliseconds for the text-mode clocks, wrapping at 32 bits like
  // a tick count (a negative or not-a-number time: 0).
  static uint32_t Milliseconds(double seconds);

  // Clears the screen and writes this frame's rotozoom or fire, moved on to the show's time
  // (`seconds` of the music; `beat` the same time in beats).
  void Update(const AsciiLayerSettings& settings, double beat, double seconds);
  // Draws the screen into the shared text-mode buffer; with present also into the viewport
  // of the bound framebuffer.
  void Render(bool present);

  AsciiEngine& engine() { return *engine_; }
  const AsciiEngine& engine() const { return *engine_; }
  AsciiFire& fire() { return *fire_; }

 private:
  std::unique_ptr<AsciiEngine> engine_;
  std::unique_ptr<AsciiFire> fire_;
  std::unique_ptr<RotoZoom> rotozoom_;
  std::unique_ptr<RawLoader> picture_;
};
