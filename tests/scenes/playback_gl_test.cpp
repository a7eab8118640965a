// Playback from start to end: the start-up wait on the dummy clock, the run ending by itself
// when the song is over, and a video capture checked with ffprobe and ffmpeg.

#include <GL/glew.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "scene_test_support.h"
#include "scenes/scenemanager.h"
#include "support/gl_fixture.h"
#include "support/run_command.h"
#include "tolmesystem.h"
#include "util/music/music.h"

namespace {

namespace fs = std::filesystem;

class PlaybackTest : public GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    // Real-time audio output without a sound card.
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    folder_ = fs::temp_directory_path() / ("scenes-playback-" + std::to_string(getpid()));
    fs::create_directories(folder_);
  }
  void TearDown() override {
    fs::remove_all(folder_);
    GLTest::TearDown();
  }

  // A stereo 44.1 kHz MP3 of a sine tone lasting `seconds`.
  std::string MakeSong(double seconds) {
    const std::string path = (folder_ / "song.mp3").string();
    const std::string command =
        "ffmpeg -v error -y -f lavfi -i sine=frequency=441:sample_rate=44100:duration=" +
        std::to_string(seconds) + " -ac 2 -c:a libmp3lame -b:a 128k '" + path + "'";
    EXPECT_EQ(RunCommand(command).exit_code, 0);
    return path;
  }

  // Frames until the manager asks to quit, at most `limit`.
  int RunUntilQuit(SceneManager& manager, RenderTarget& target, int limit) {
    int frames = 0;
    while (!manager.quit_posted() && frames < limit) {
      target.Bind();
      manager.RenderFrame();
      glBindFramebuffer(GL_FRAMEBUFFER, 0);
      ++frames;
    }
    return frames;
  }

  fs::path folder_;
};

TEST_F(PlaybackTest, StartWaitsOnTheDummyClockUntilTheFirstBeat) {
  UseTestSettings(32, 18);
  system_settings->beat_offset = -0.5f;  // about 0.2 s at 140 beats a minute
  SceneManager manager(TableOf({}));
  ResetTracksToDefaults(manager);
  const auto start = std::chrono::steady_clock::now();
  manager.StartPlayback();
  EXPECT_GE(manager.music->GetBeat(), 0.0);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));
}

TEST_F(PlaybackTest, TheRunEndsWhenTheSongIsOver) {
  UseTestSettings(32, 18);
  system_settings->music_file = MakeSong(0.4);
  SceneManager manager(TableOf({std::make_shared<ClearScene>(std::array<float, 4>{1, 0, 0, 1})}));
  ResetTracksToDefaults(manager);
  manager.StartPlayback();
  RenderTarget target(32, 18);
  const auto start = std::chrono::steady_clock::now();
  while (!manager.quit_posted() &&
         std::chrono::steady_clock::now() - start < std::chrono::seconds(10)) {
    target.Bind();
    manager.RenderFrame();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
  }
  ASSERT_TRUE(manager.quit_posted());
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
  // Once quitting, a frame draws and presents nothing.
  const uint32_t frames = manager.frameCount;
  manager.RenderFrame();
  EXPECT_EQ(manager.frameCount, frames);
}

TEST_F(PlaybackTest, TheDummyClockNeverEndsTheRun) {
  UseTestSettings(32, 18);
  SceneManager manager(TableOf({}));
  ResetTracksToDefaults(manager);
  manager.StartPlayback();
  RenderTarget target(32, 18);
  EXPECT_EQ(RunUntilQuit(manager, target, 20), 20);
  EXPECT_FALSE(manager.quit_posted());
}

// A width whose rows (50 x 3 bytes) are not a multiple of 4, so padded read-back would shear
// the picture and overrun the frame buffer.
TEST_F(PlaybackTest, CaptureWritesVideoAndMatchingAudio) {
  UseTestSettings(50, 28);
  system_settings->music_file = MakeSong(1.0);
  system_settings->avi_capture = 1;
  system_settings->title = (folder_ / "capture").string();
  int frames = 0;
  {
    SceneManager manager(TableOf({std::make_shared<ClearScene>(std::array<float, 4>{1, 0, 0, 1})}));
    ResetTracksToDefaults(manager);
    manager.StartPlayback();
    EXPECT_TRUE(manager.music->paused);
    RenderTarget target(50, 28);
    frames = RunUntilQuit(manager, target, 200);
    ASSERT_TRUE(manager.quit_posted());
  }
  EXPECT_GE(frames, 30);
  EXPECT_LE(frames, 33);
  const std::string file = (folder_ / "capture.01.avi").string();
  ASSERT_TRUE(fs::exists(file));

  const CommandResult probe_run = RunCommand(
      "ffprobe -v error -count_frames -show_entries "
      "stream=codec_type,r_frame_rate,nb_read_frames,duration,sample_rate,channels -of json '" +
      file + "'");
  ASSERT_EQ(probe_run.exit_code, 0) << "ffprobe refused the file";
  const auto probe = nlohmann::json::parse(probe_run.output);
  double video_seconds = 0.0;
  double audio_seconds = 0.0;
  for (const auto& stream : probe.at("streams")) {
    if (stream.at("codec_type") == "video") {
      EXPECT_EQ(stream.at("r_frame_rate"), "30/1");
      const int video_frames = std::stoi(stream.at("nb_read_frames").get<std::string>());
      EXPECT_EQ(video_frames, frames);
      video_seconds = video_frames / 30.0;
    } else if (stream.at("codec_type") == "audio") {
      EXPECT_EQ(stream.at("sample_rate"), "44100");
      EXPECT_EQ(stream.at("channels"), 2);
    }
  }
  // The audio as ffmpeg decodes it: 16-bit stereo at 44.1 kHz.
  const size_t audio_bytes =
      RunCommand("ffmpeg -v error -i '" + file + "' -map 0:a -f s16le -").output.size();
  audio_seconds = static_cast<double>(audio_bytes) / (44100.0 * 4.0);
  EXPECT_GT(video_seconds, 0.9);
  EXPECT_NEAR(audio_seconds, video_seconds, 1.0 / 30.0 + 0.001);

  // One decoded frame: the red picture is 49 columns wide, the last column is the bar.
  const std::string rgb = RunCommand("ffmpeg -v error -i '" + file +
                                     "' -vf 'select=eq(n\\,5)' -vframes 1 -f rawvideo -pix_fmt "
                                     "rgb24 -").output;
  ASSERT_EQ(rgb.size(), 50u * 28u * 3u);
  for (int row : {0, 13, 27}) {
    const auto at = [&](int x, int c) { return static_cast<uint8_t>(rgb[(row * 50 + x) * 3 + c]); };
    EXPECT_EQ(at(0, 0), 255) << "row " << row;
    EXPECT_EQ(at(48, 0), 255) << "row " << row;
    EXPECT_EQ(at(48, 2), 0) << "row " << row;
    EXPECT_EQ(at(49, 0), 0) << "row " << row;
  }
}

}  // namespace
