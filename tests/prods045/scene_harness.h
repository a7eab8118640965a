#pragma once
// Runs one production scene outside the scene manager: settings for a loose-file run on the
// dummy clock, the input records and music a scene expects, the global camera tracks the
// manager would open, and direct control of track values.

#include <memory>
#include <string>

#include <glm/glm.hpp>

#include "scenes/scene.h"
#include "util/music/music.h"

struct NoteData;

// Note track 1 with the two lanes CubeFormers reads (no notes: both values 0).
std::shared_ptr<NoteData> TwoLaneNotes();

class SceneHarness {
 public:
  explicit SceneHarness(uint32_t production);
  ~SceneHarness();

  // Hands the scene its records and music, then Init and Resize (the manager's order).
  void Start(Scene& scene, uint32_t width, uint32_t height);
  // Every opened track becomes one key holding the value.
  void SetTrack(const std::string& name, float value);
  // Aims the track-driven camera.
  void AimCamera(const glm::vec3& eye, const glm::vec3& target);

  KeyState keys;
  MouseState mouse;
  std::unique_ptr<Music> music;
};
