// TwBalls drawn for real: balls land where the grid puts them, in the ramp's colours, added
// onto what the target held.
#include <memory>

#include <gtest/gtest.h>

#include "scene_harness.h"
#include "scenes/scene_twballs/twballs.h"
#include "support/gl_fixture.h"

namespace {

class TwBallsDraw : public GLTest {
 protected:
  static constexpr int kSize = 64;

  void SetUp() override {
    GLTest::SetUp();
    target_ = std::make_unique<RenderTarget>(kSize, kSize);
    harness_.Start(scene_, kSize, kSize);
    harness_.AimCamera({0, 0, 12}, {0, 0, 0});
  }

  std::vector<uint8_t> Draw(float clear_blue = 0.0f) {
    target_->Bind();
    glClearColor(0, 0, clear_blue, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    ResetGLState();
    scene_.Resize(kSize, kSize);
    scene_.Render();
    glBindFramebuffer(GL_FRAMEBUFFER, target_->framebuffer());
    return target_->ReadPixels();
  }

  SceneHarness harness_{4};
  TwBalls scene_;
  std::unique_ptr<RenderTarget> target_;  // made once the fixture's context exists
};

// One red ball of radius 2 at the origin fills the middle of the picture.
void OneRedBall(SceneHarness& h, float x) {
  for (const char* axis : {"twblNumX", "twblNumY", "twblNumZ"}) h.SetTrack(axis, 1);
  h.SetTrack("twblPosX", x);
  for (const char* size : {"twblSizeX", "twblSizeY", "twblSizeZ"}) h.SetTrack(size, 2);
  h.SetTrack("twblCol1H", 0.0f);
  h.SetTrack("twblCol1A", 1.0f);
}

TEST_F(TwBallsDraw, ABallShowsInItsColourWhereTheGridPutsIt) {
  OneRedBall(harness_, 0.0f);
  Draw();
  const auto centre = target_->PixelAt(kSize / 2, kSize / 2);
  EXPECT_GT(centre[0], 40) << PixelText(centre);
  EXPECT_GT(centre[0], centre[1] + 20) << PixelText(centre);
  EXPECT_GT(centre[0], centre[2] + 20) << PixelText(centre);
  const auto corner = target_->PixelAt(1, 1);
  EXPECT_TRUE(corner[0] < 3 && corner[1] < 3 && corner[2] < 3) << PixelText(corner);

  OneRedBall(harness_, 4.0f);  // moved right: the middle goes dark
  Draw();
  EXPECT_LT(target_->PixelAt(kSize / 2, kSize / 2)[0], centre[0] / 2);
  EXPECT_GT(target_->PixelAt(kSize / 2 + 20, kSize / 2)[0], 40);
  EXPECT_EQ(scene_.grid().matrices.size(), 1u);
  EXPECT_TRUE(NoGLError());
}

TEST_F(TwBallsDraw, BallsAddOntoThePicture) {
  OneRedBall(harness_, 0.0f);
  Draw(0.5f);
  const auto centre = target_->PixelAt(kSize / 2, kSize / 2);
  EXPECT_GT(centre[0], 40) << PixelText(centre);
  // The blue below shows through, with the ball's own bit of blue added.
  EXPECT_GE(centre[2], 127) << PixelText(centre);
  EXPECT_LE(centre[2], 200) << PixelText(centre);
}

TEST_F(TwBallsDraw, NoBallsLeaveThePictureAlone) {
  harness_.SetTrack("twblNumX", 0);
  const std::vector<uint8_t> pixels = Draw(0.5f);
  for (size_t i = 0; i < pixels.size(); i += 4) {
    ASSERT_EQ(pixels[i], 0);
    ASSERT_NEAR(pixels[i + 2], 128, 1);
  }
}

}  // namespace
