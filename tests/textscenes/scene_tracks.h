#pragma once
// A GL test with a music clock standing at row 0 whose tracks hold the values a test writes
// (as track files in a temporary working folder), so a scene can be initialised and rendered
// exactly as the scene manager would. The repository's fonts are reached through a link.

#include <map>
#include <memory>
#include <string>

#include <glm/glm.hpp>

#include "support/gl_fixture.h"
#include "support/working_folder.h"
#include "util/music/music.h"

class SceneTracksTest : public GLTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Track files with one key at row 0; written before the scene opens its tracks.
  void WriteTracks(const std::map<std::string, float>& values);
  // The music clock, made on first use; the camera tracks are opened looking from eye at dst.
  Music& MusicAt(const glm::vec3& eye = {15.0f, 7.5f, 0.0f}, const glm::vec3& dst = {0, 0, 0},
                 float fov = 57.3302f);

  std::unique_ptr<Music> music_;

 private:
  std::unique_ptr<TemporaryWorkingFolder> folder_;
};

// Where a world point lands in a target of that size, for the camera and aspect given
// (perspective projection over the letterboxed viewport), in pixels from the bottom left.
glm::vec2 ProjectToPixel(const glm::vec3& point, const glm::vec3& eye, const glm::vec3& dst,
                         float fov, int width, int height, float aspect);
