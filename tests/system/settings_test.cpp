#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "tolmesystem.h"

namespace {

const SystemSettings& Create(uint32_t production, uint32_t data_mode = 1) {
  CreateSystemSettings(production, data_mode);
  return *system_settings;
}

TEST(SystemSettings, DefaultsBeforeTheDialogChooses) {
  const SystemSettings& settings = Create(6);
  EXPECT_STREQ(settings.sync_host, "127.0.0.1");
  EXPECT_EQ(settings.width, 0xFFFFFFFFu);
  EXPECT_EQ(settings.height, 0xFFFFFFFFu);
  EXPECT_EQ(settings.fullscreen, 1u);
  EXPECT_EQ(settings.samples, 4u);
  EXPECT_EQ(settings.vsync, 1u);
  EXPECT_EQ(settings.sync_client, 0u);
  EXPECT_EQ(settings.avi_capture, 0);
  EXPECT_EQ(settings.free_camera, 0);
  EXPECT_EQ(settings.aspect_numerator, 16u);
  EXPECT_EQ(settings.aspect_denominator, 9u);
  EXPECT_EQ(settings.data_mode, 1u);
}

TEST(SystemSettings, ProductionRows) {
  struct Row {
    uint32_t production;
    const char* title;
    const char* logo;
    uint32_t kind;
    uint32_t hold;
    const char* music;
    float bpm;
  };
  const char* logo = "data/common/images/vorantil_logo_16_9.png";
  const Row rows[] = {
      {0, "Internal debug", logo, 0, 500, "data/music/teodan-07-instrumental.mp3", 174.0f},
      {3, "murrow - tidewheel", "", 2, 1000, "data/music/Quenbry_-_Tidewheel.mp3", 128.0f},
      {4, "murrow - saltglass", "", 2, 2500, "data/music/Quenbry-Saltglass.mp3", 128.0f},
      {5, "GLIMF 2019", logo, 0, 1500, "data/music/glimf2019.xml", 75.0f},
      {6, "Cindercoil", logo, 0, 1000, "data/music/wendmoor2020.xml", 140.0f},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.production);
    const SystemSettings& settings = Create(row.production, 2);
    EXPECT_EQ(settings.production, row.production);
    EXPECT_EQ(settings.data_mode, 2u);
    EXPECT_EQ(settings.title, row.title);
    EXPECT_EQ(settings.logo_image, row.logo);
    EXPECT_EQ(settings.loading_screen_kind, row.kind);
    EXPECT_EQ(settings.loading_hold_ms, row.hold);
    EXPECT_EQ(settings.music_file, row.music);
    EXPECT_FLOAT_EQ(settings.bpm, row.bpm);
    EXPECT_FLOAT_EQ(settings.volume, 1.0f);
    EXPECT_FLOAT_EQ(settings.beat_offset, row.production == 6 ? -0.04f : 0.0f);
  }
}

TEST(SystemSettings, UnknownProductionThrowsAfterReplacingTheRecord) {
  for (uint32_t production : {1u, 2u, 7u, 100u}) {
    Create(6);
    try {
      CreateSystemSettings(production, 0);
      FAIL() << "production " << production << " was accepted";
    } catch (const std::runtime_error& error) {
      EXPECT_STREQ(error.what(), "Unknown scene set in tolmesystem!");
    }
    ASSERT_NE(system_settings, nullptr);
    EXPECT_EQ(system_settings->production, production);
    EXPECT_EQ(system_settings->data_mode, 0u);
    EXPECT_TRUE(system_settings->title.empty());
    EXPECT_FLOAT_EQ(system_settings->bpm, 75.0f);
  }
}

TEST(SystemSettings, CreatingAgainReplacesTheRecord) {
  Create(6);
  system_settings->width = 800;
  Create(3);
  EXPECT_EQ(GetSystemSettings()->get(), system_settings.get());
  EXPECT_EQ(system_settings->width, 0xFFFFFFFFu);
  EXPECT_EQ(system_settings->title, "murrow - tidewheel");
}

}  // namespace
