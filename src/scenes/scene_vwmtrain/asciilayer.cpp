#include "scenes/scene_vwmtrain/asciilayer.h"

#include <algorithm>
#include <cmath>

AsciiLayerSettings AsciiLayerSettings::FromTracks(const TrackReader& track) {
  AsciiLayerSettings s;
  s.rotozoom = track("asciiScene") >= 0.5f;
  s.burn = track("fireBurn") > 0.5f;
  // The fire divides by decay plus the number of neighbours (3 at least): a decay held at 0
  // or above, moving at most 1 a step, keeps that divisor above 1 however the tracks move.
  s.decay = std::max(0.0, static_cast<double>(track("fireDecay")));
  s.decay_target = std::max(0.0, static_cast<double>(track("fireDecayTarget")));
  s.decay_speed = std::clamp(static_cast<double>(track("fireDecaySpeed")) * 0.001, -1.0, 1.0);
  if (std::isnan(s.decay_speed)) s.decay_speed = 0.0;
  if (std::isnan(s.decay)) s.decay = 0.0;
  if (std::isnan(s.decay_target)) s.decay_target = 0.0;
  return s;
}

std::array<int32_t, 4> AsciiLayer::ViewportFor(int32_t width, int32_t height, float aspect) {
  if (height <= 0 || width <= 0 || !(aspect > 0.0f) || !std::isfinite(aspect))
    return {0, 0, std::max(width, 0), std::max(height, 0)};
  int32_t w = width;
  int32_t h = height;
  if (static_cast<float>(width) / static_cast<float>(height) > aspect)
    w = static_cast<int32_t>(static_cast<float>(height) * aspect);
  else
    h = static_cast<int32_t>(static_cast<float>(width) / aspect);
  return {(width - w) / 2, (height - h) / 2, w, h};
}

std::pair<int32_t, int32_t> AsciiLayer::PanOrigin(double beat) {
  if (!std::isfinite(beat)) return {0, 0};
  return {static_cast<int32_t>((std::sin(beat * 0.5) + 1.0) * 110.0),
          static_cast<int32_t>((std::cos(beat * 0.704225373395827) + 1.0) * 15.0)};
}

AsciiLayer::AsciiLayer() = default;

AsciiLayer::~AsciiLayer() = default;

void AsciiLayer::LoadEngine() {
  engine_ = std::make_unique<AsciiEngine>();
  rotozoom_ = std::make_unique<RotoZoom>(engine_.get(), kTile);
  picture_ = std::make_unique<RawLoader>(engine_.get(), kPicture, kPictureWidth, kPictureHeight);
}

void AsciiLayer::LoadFire() { fire_ = std::make_unique<AsciiFire>(engine_.get()); }

void AsciiLayer::Resize(int32_t width, int32_t height, float aspect) {
  engine_->viewport = ViewportFor(width, height, aspect);
}

uint32_t AsciiLayer::Milliseconds(double seconds) {
  if (!(seconds > 0.0) || !std::isfinite(seconds)) return 0;
  const double ms = std::floor(seconds * 1000.0 + 0.5);
  return static_cast<uint32_t>(static_cast<uint64_t>(std::fmod(ms, 4294967296.0)));
}

void AsciiLayer::Update(const AsciiLayerSettings& s, double beat, double seconds) {
  const uint32_t now = Milliseconds(seconds);
  engine_->characters.fill(0);
  engine_->foreground.fill(0);
  engine_->background.fill(0);
  if (s.rotozoom) {
    rotozoom_->update(now);
    const auto [x, y] = PanOrigin(beat);
    picture_->draw(x, y);
    return;
  }
  fire_->decay = s.decay;
  fire_->decay_target = s.decay_target;
  fire_->decay_speed = s.decay_speed;
  // Without burning the screen stays empty and the cell heats keep their last state.
  if (s.burn) fire_->update(now);
}

void AsciiLayer::Render(bool present) { engine_->render(present); }
