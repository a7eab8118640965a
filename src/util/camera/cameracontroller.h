#pragma once
// Drives one Camera per frame: from the eleven camera sync tracks, or, in free mode, from the
// keyboard and mouse records so a developer can fly the camera and print where it is.

#include <cstdint>
#include <functional>
#include <string>

#include "system/inputstate.h"
#include "util/camera/camera.h"

// What the controller needs of the music clock: a track's value at the current row, and the
// playback position (stream bytes, or elapsed milliseconds on the dummy clock) that seeds the
// shake so the same moment always shakes the same way.
struct CameraTrackSource {
  std::function<float(const std::string&)> value;
  std::function<uint64_t()> position;
};

class Music;

// The music clock as a track source: Music::GetSyncValue and the raw playback position.
CameraTrackSource MusicCameraTracks(Music* music);

// speed scales free-camera movement; manual makes this camera take the free controls even when
// the program-wide free-camera flag is off.
void UpdateCamera(Camera* camera, KeyState* keys, MouseState* mouse, float speed,
                  const CameraTrackSource& music, bool manual);
// The scenes' form: the camera tracks come from the music clock.
void UpdateCamera(Camera* camera, KeyState* keys, MouseState* mouse, float speed, Music* music,
                  bool manual);

// A point inside the ball of radius r drawn from the shared generator.
glm::vec3 SharedBallRand(float radius);
