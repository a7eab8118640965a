#pragma once
// A scene's sync tracks as a table of (name, default, field of a plain values record): opened
// once in table order at set-up, when each track is looked up once, then sampled each frame
// into the record at the music's current row without any look-up by name.

#include <string>
#include <vector>

#include "util/music/music.h"
#include "util/music/sync_device.h"
#include "util/music/sync_track.h"

template <typename Values>
struct TrackField {
  const char* name;
  float default_value;
  float Values::*field;
};

template <typename Values>
class TrackSet {
 public:
  explicit TrackSet(std::vector<TrackField<Values>> fields) : fields_(std::move(fields)) {}

  // Opens every track in table order (the first opener of a shared name sets its default).
  void Open(Music& music) {
    tracks_.clear();
    for (const TrackField<Values>& f : fields_) {
      music.OpenTrack(f.name, f.default_value);
      tracks_.push_back(SyncFindTrack(*music.device, f.name));
    }
  }

  // The values at the music's current row; fields of tracks that could not be opened keep
  // their defaults.
  void Sample(Music& music, Values& values) const {
    const double row = music.GetRow();
    for (size_t i = 0; i < fields_.size(); ++i) {
      values.*fields_[i].field =
          tracks_[i] ? SyncGetValue(tracks_[i], row) : fields_[i].default_value;
    }
  }

  const std::vector<TrackField<Values>>& fields() const { return fields_; }

 private:
  std::vector<TrackField<Values>> fields_;
  std::vector<const SyncTrack*> tracks_;
};
