// The tunnel scene: its uniforms from the tracks, worked out alone and read back from GL.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include "support/test_files.h"
#include "support/working_folder.h"

#include <stdlib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "support/effect_gl.h"
#include "support/effect_values.h"
#include "scenes/scene_hypnotunnel/hypnotunnel.h"
#include "tolmesystem.h"
#include "util/music/music.h"
#include "util/music/sync_track.h"
#include "util/music/sync_track_file.h"

namespace {

using ::testing::ElementsAre;
using ::testing::FloatEq;

std::map<std::string, float> DefaultTrackValues() {
  std::map<std::string, float> values;
  for (const HypnoTrack& track : HypnoTunnel::Tracks()) values[track.name] = track.default_value;
  return values;
}

std::vector<UniformValue> UniformsOf(const std::map<std::string, float>& values, uint32_t width,
                                     uint32_t height) {
  return HypnoTunnel::UniformsFor([&](const std::string& name) { return values.at(name); },
                                  width, height);
}

TEST(HypnoTunnelUniformsTest, DefaultTracksGiveTheStartingPicture) {
  const auto uniforms = UniformsOf(DefaultTrackValues(), 1280, 720);
  EXPECT_THAT(FindUniform(uniforms, "iRotate").values, ElementsAre(0.0f, 0.0f));
  EXPECT_THAT(FindUniform(uniforms, "iShapes").values, ElementsAre(0.0f, 1.0f, 0.0f));
  EXPECT_THAT(FindUniform(uniforms, "iColStart").values,
              ElementsAre(FloatEq(0.2f), FloatEq(0.6f), 1.0f));
  EXPECT_THAT(FindUniform(uniforms, "iColEnd").values,
              ElementsAre(FloatEq(0.8f), FloatEq(0.6f), FloatEq(0.2f)));
  EXPECT_THAT(FindUniform(uniforms, "iResolution").values, ElementsAre(1280.0f, 720.0f));
  EXPECT_THAT(FindUniform(uniforms, "iSpirality").values, ElementsAre(1.0f, 1.0f, 1.0f, 1.0f));
}

TEST(HypnoTunnelUniformsTest, RotationTracksInDegreesReachTheShaderInRadians) {
  auto values = DefaultTrackValues();
  values["hypnoRotStart"] = 90.0f;
  values["hypnoRotEnd"] = -180.0f;
  const auto rotate = FindUniform(UniformsOf(values, 1, 1), "iRotate").values;
  EXPECT_EQ(rotate[0], 1.5707964f);
  EXPECT_FLOAT_EQ(rotate[1], -3.1415927f);
}

TEST(HypnoTunnelUniformsTest, EveryTrackIsOpenedOnceAndReachesAUniform) {
  auto values = DefaultTrackValues();
  ASSERT_EQ(values.size(), 26u);  // no name twice
  // Each track changed alone changes the uniforms.
  const auto base = UniformsOf(values, 8, 8);
  for (auto& [name, value] : values) {
    const float saved = value;
    value = saved + 3.0f;
    const auto changed = UniformsOf(values, 8, 8);
    bool differs = false;
    for (size_t i = 0; i < base.size(); ++i) differs |= base[i].values != changed[i].values;
    EXPECT_TRUE(differs) << name;
    value = saved;
  }
}

// Runs in a temporary working folder holding the track files the test writes, with the
// repository's scene shaders reached through a link.
class HypnoTunnelGLTest : public GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    folder_ = std::make_unique<TemporaryWorkingFolder>(
        "hypno", std::initializer_list<const char*>{"scenes"});
    system_settings = std::make_unique<SystemSettings>();
    system_settings->music_file.clear();
    music_ = std::make_unique<Music>();
  }
  void TearDown() override {
    music_.reset();
    system_settings.reset();
    folder_.reset();
    GLTest::TearDown();
  }

  // A track file with one key at row 0, where the dummy clock stands.
  void WriteTrack(const std::string& name, float value) {
    const std::filesystem::path path = SyncTrackPath(kSyncBasePath, name);
    std::filesystem::create_directories(path.parent_path());
    const std::vector<uint8_t> bytes = SyncEncodeTrackFile({{0, value, SyncKeyType::Step}});
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }

  void WriteTracks(const std::map<std::string, float>& values) {
    for (const auto& [name, value] : values) WriteTrack(name, value);
  }

  std::unique_ptr<Music> music_;
  std::unique_ptr<TemporaryWorkingFolder> folder_;
};

TEST_F(HypnoTunnelGLTest, UniformsReadBackAsTheTracksSetThem) {
  std::map<std::string, float> values;
  float next = 0.25f;
  for (const HypnoTrack& track : HypnoTunnel::Tracks()) {
    values[track.name] = next;
    next += 0.5f;
  }
  WriteTracks(values);
  HypnoTunnel tunnel;
  tunnel.music = music_.get();
  tunnel.Init();
  EXPECT_EQ(music_->tracks.size(), 26u);
  RenderTarget target(64, 36);
  target.Bind();
  tunnel.Resize(64, 36);
  tunnel.Render();
  ShaderProgram& program = *tunnel.program();
  EXPECT_TRUE(UniformsMatchProgram(program, UniformsOf(values, 64, 36)));
  EXPECT_TRUE(NoGLError());
}

TEST_F(HypnoTunnelGLTest, DefaultTunnelGlowsInTheMiddleAndHasRings) {
  WriteTracks(DefaultTrackValues());
  HypnoTunnel tunnel;
  tunnel.music = music_.get();
  tunnel.Init();
  RenderTarget target(96, 54);
  target.Bind();
  glClear(GL_COLOR_BUFFER_BIT);
  tunnel.Resize(96, 54);
  tunnel.Render();
  const auto centre = target.PixelAt(48, 27);
  EXPECT_GT(centre[0], 150) << PixelText(centre);  // the core takes the end colour
  // Along a line from the middle outwards brightness rises and falls: rings.
  int changes = 0;
  int previous = target.PixelAt(60, 27)[2];
  bool rising = false;
  for (int x = 61; x < 96; ++x) {
    const int value = target.PixelAt(x, 27)[2];
    if (value != previous && (value > previous) != rising) {
      rising = value > previous;
      ++changes;
    }
    previous = value;
  }
  EXPECT_GE(changes, 2);
  glDisable(GL_BLEND);
}

TEST_F(HypnoTunnelGLTest, SpiralsOfAnyTwistHaveNoSeamWhereTheAngleWraps) {
  auto values = DefaultTrackValues();
  values["hypnoSpirality"] = 0.37f;  // not a whole number of turns
  values["hypnoSpiral1"] = 2.3f;
  values["hypnoRingStrength"] = 2.0f;
  WriteTracks(values);
  HypnoTunnel tunnel;
  tunnel.music = music_.get();
  tunnel.Init();
  RenderTarget target(128, 128);
  target.Bind();
  tunnel.Resize(128, 128);
  tunnel.Render();
  glDisable(GL_BLEND);
  // The angle wraps on the row through the centre, left of it; the rows just above and
  // below it differ only by the gentle slope of the rings there.
  int worst_across_wrap = 0;
  for (int x = 2; x < 56; ++x) {
    const auto above = target.PixelAt(x, 64);
    const auto below = target.PixelAt(x, 63);
    for (int c = 0; c < 3; ++c) {
      worst_across_wrap = std::max(worst_across_wrap, std::abs(above[c] - below[c]));
    }
  }
  EXPECT_LT(worst_across_wrap, 24);
}

}  // namespace
