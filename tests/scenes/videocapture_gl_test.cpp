// Video capture: a fatal exit in the middle of a capture still leaves a finished part with
// every frame written so far, readable by ffprobe.

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <vector>

#include "scenes/videocapture.h"
#include "support/gl_fixture.h"
#include "support/run_command.h"
#include "system/log.h"

namespace fs = std::filesystem;

namespace {

class VideoCaptureTest : public GLTest {};

TEST_F(VideoCaptureTest, FatalExitFinishesTheOpenCaptureFirst) {
  // The death test runs this body again in a new process, so the folder is a fixed one.
  const fs::path folder = fs::temp_directory_path() / "player_capture_fatal_exit";
  fs::remove_all(folder);
  fs::create_directories(folder);
  const std::vector<int16_t> samples(44100 * 2, 1000);
  EXPECT_EXIT(
      {
        VideoCapture capture((folder / "Run.avi").string(), 16, 8, MakePcmWaveFormat(2, 44100, 16),
                             samples);
        RenderTarget target(16, 8);
        target.Bind();
        for (uint32_t frame = 0; frame < 3; ++frame) {
          glClearColor(0.1f * static_cast<float>(frame), 0.5f, 0.0f, 1.0f);
          glClear(GL_COLOR_BUFFER_BIT);
          capture.CaptureFrame(target.framebuffer(), frame);
        }
        ExitMsg("src/capture.cpp", 1, "Died while capturing");
      },
      testing::ExitedWithCode(1), "Died while capturing");
  const CommandResult probe = RunCommand("ffprobe -v error -count_frames -show_streams -of json '" +
                                         (folder / "Run.01.avi").string() + "'");
  ASSERT_EQ(probe.exit_code, 0) << probe.output;
  const nlohmann::json streams = nlohmann::json::parse(probe.output)["streams"];
  ASSERT_EQ(streams.size(), 2u);
  EXPECT_EQ(streams[0]["nb_read_frames"], "3");
  EXPECT_EQ(streams[1]["codec_type"], "audio");
  fs::remove_all(folder);
}

}  // namespace
