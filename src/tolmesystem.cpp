#include "tolmesystem.h"

#include <cstring>
#include <stdexcept>

std::unique_ptr<SystemSettings> system_settings;

namespace {

const char kLoopbackAddress[] = "127.0.0.1";
const char kVorantilLogo[] = "data/common/images/vorantil_logo_16_9.png";

void ApplyProductionRow(SystemSettings& settings) {
  switch (settings.production) {
    case 0:
      settings.title = "Internal debug";
      settings.logo_image = kVorantilLogo;
      settings.loading_screen_kind = 0;
      settings.loading_hold_ms = 500;
      settings.music_file = "data/music/teodan-07-instrumental.mp3";
      settings.bpm = 174.0f;
      settings.volume = 1.0f;
      return;
    case 3:
      settings.title = "murrow - tidewheel";
      settings.loading_screen_kind = 2;
      settings.loading_hold_ms = 1000;
      settings.music_file = "data/music/Quenbry_-_Tidewheel.mp3";
      settings.bpm = 128.0f;
      return;
    case 4:
      settings.title = "murrow - saltglass";
      settings.loading_screen_kind = 2;
      settings.loading_hold_ms = 2500;
      settings.music_file = "data/music/Quenbry-Saltglass.mp3";
      settings.bpm = 128.0f;
      return;
    case 5:
      settings.title = "GLIMF 2019";
      settings.logo_image = kVorantilLogo;
      settings.loading_screen_kind = 0;
      settings.loading_hold_ms = 1500;
      settings.music_file = "data/music/glimf2019.xml";
      return;
    case 6:
      settings.title = "Cindercoil";
      settings.logo_image = kVorantilLogo;
      settings.loading_screen_kind = 0;
      settings.loading_hold_ms = 1000;
      settings.music_file = "data/music/wendmoor2020.xml";
      settings.bpm = 140.0f;
      settings.beat_offset = -0.04f;
      settings.volume = 1.0f;
      return;
    default:
      throw std::runtime_error("Unknown scene set in tolmesystem!");
  }
}

}  // namespace

void CreateSystemSettings(const uint32_t& production, const uint32_t& data_mode) {
  auto settings = std::make_unique<SystemSettings>();
  std::strncpy(settings->sync_host, kLoopbackAddress, sizeof(settings->sync_host) - 1);
  settings->production = production;
  settings->data_mode = data_mode;
  system_settings = std::move(settings);
  ApplyProductionRow(*system_settings);
}

std::unique_ptr<SystemSettings>* GetSystemSettings() { return &system_settings; }
