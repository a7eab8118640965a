#pragma once
// The one record of start-up choices, production parameters and window handles for the run,
// and the production table that fills it.

#include <cstdint>
#include <memory>
#include <string>

struct SystemSettings {
  static constexpr uint32_t kNotChosen = 0xFFFFFFFFu;

  char sync_host[256] = {};
  uint32_t width = kNotChosen;
  uint32_t height = kNotChosen;
  uint32_t fullscreen = 1;
  uint32_t samples = 4;
  uint32_t vsync = 1;
  uint32_t sync_client = 0;
  uint8_t avi_capture = 0;
  uint8_t free_camera = 0;
  // Platform handles, opaque outside src/system/.
  void* window = nullptr;
  void* gl_context = nullptr;
  uint32_t production = 0;
  uint32_t data_mode = 0;
  float volume = 1.0f;
  float beat_offset = 0.0f;
  std::string title;
  std::string logo_image;
  uint32_t loading_screen_kind = 0;
  uint32_t loading_hold_ms = 0;
  std::string music_file;
  float bpm = 75.0f;
  uint32_t aspect_numerator = 16;
  uint32_t aspect_denominator = 9;
};

extern std::unique_ptr<SystemSettings> system_settings;

// Replaces the record with a new one holding the defaults, the production number, the data
// mode and the production's row. Throws std::runtime_error for a production without a row
// (the new record stays in place).
void CreateSystemSettings(const uint32_t& production, const uint32_t& data_mode);

std::unique_ptr<SystemSettings>* GetSystemSettings();
