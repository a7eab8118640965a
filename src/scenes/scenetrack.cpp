#include "scenes/scenetrack.h"

#include "util/music/music.h"

void OpenSceneTracks(Music& music, const std::vector<SceneTrack>& tracks) {
  for (const SceneTrack& track : tracks) music.OpenTrack(track.name, track.default_value);
}

TrackLookup MusicTracks(Music& music) {
  return [&music](const std::string& name) { return music.GetSyncValue(name); };
}
