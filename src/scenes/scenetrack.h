#pragma once
// A scene's sync tracks as data: names with their defaults, opened in list order, and the
// lookup through which a scene samples them (so the per-frame arithmetic can run without a
// music clock in tests).

#include <functional>
#include <string>
#include <vector>

class Music;

struct SceneTrack {
  const char* name;
  float default_value;
};

using TrackLookup = std::function<float(const std::string&)>;

// Opens every track of the list, in order, with its default.
void OpenSceneTracks(Music& music, const std::vector<SceneTrack>& tracks);

// Samples the music's tracks at the current row.
TrackLookup MusicTracks(Music& music);
