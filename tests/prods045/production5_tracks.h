#pragma once
// Production 5's sync tracks, built from their text as its packed data file is made, read back
// and sampled at any row as the player samples them.

#include <filesystem>
#include <map>
#include <string>

#include "util/music/sync_track.h"

class Production5Tracks {
 public:
  Production5Tracks();
  ~Production5Tracks();

  // The track's value at the row; `fallback` (the track's default) when it has no keys.
  float At(const std::string& name, double row, float fallback = 0.0f);
  bool HasKeys(const std::string& name);
  // Song rows in a second, from the tempo track.
  double RowsPerSecond();

 private:
  const SyncTrack& Track(const std::string& name);

  std::filesystem::path folder_;
  std::map<std::string, SyncTrack> tracks_;
};
