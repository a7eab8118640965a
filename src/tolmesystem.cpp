#include "tolmesystem.h"

#include <cstring>
#include <stdexcept>

std::unique_ptr<SystemSettings> system_settings;

namespace {

const char kLoopbackAddress[] = "127.0.0.1";
const char kVorantilLogo[] = "data/common/images/vorantil_logo_16_9.png";

// One row of the production table; fields not in a row keep the record's defaults.
struct ProductionRow {
  uint32_t production;
  const char* title;
  const char* logo_image;
  uint32_t loading_screen_kind;
  uint32_t loading_hold_ms;
  const char* music_file;
  float bpm;
  float beat_offset;
};

constexpr float kDefaultBpm = 75.0f;

const ProductionRow kProductionTable[] = {
    {0, "Internal debug", kVorantilLogo, 0, 500, "data/music/teodan-07-instrumental.mp3", 174.0f,
     0.0f},
    {3, "murrow - tidewheel", "", 2, 1000, "data/music/Quenbry_-_Tidewheel.mp3", 128.0f, 0.0f},
    {4, "murrow - saltglass", "", 2, 2500, "data/music/Quenbry-Saltglass.mp3", 128.0f, 0.0f},
    {5, "GLIMF 2019", kVorantilLogo, 0, 1500, "data/music/glimf2019.xml", kDefaultBpm, 0.0f},
    {6, "Cindercoil", kVorantilLogo, 0, 1000, "data/music/wendmoor2020.xml", 140.0f, -0.04f},
};

void ApplyProductionRow(SystemSettings& settings) {
  for (const ProductionRow& row : kProductionTable) {
    if (row.production != settings.production) continue;
    settings.title = row.title;
    settings.logo_image = row.logo_image;
    settings.loading_screen_kind = row.loading_screen_kind;
    settings.loading_hold_ms = row.loading_hold_ms;
    settings.music_file = row.music_file;
    settings.bpm = row.bpm;
    settings.beat_offset = row.beat_offset;
    return;
  }
  throw std::runtime_error("Unknown scene set in tolmesystem!");
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
