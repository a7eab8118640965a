#pragma once
// Reads an Ableton Live set (gzip-compressed XML) into note records: the song tempo, and one
// note track per MIDI track of the arrangement with one lane per key, looped clips unrolled.

#include <string>

#include "util/music/notedata.h"

class TiXmlElement;

class AlsFile : public NoteData {
 public:
  // Reads and unpacks the file through the data layer.
  explicit AlsFile(const std::string& file);
  // Parses the set's XML text already in memory; name is used in messages.
  AlsFile(const std::string& name, const std::string& xml);

 private:
  void Parse(const std::string& name, const std::string& xml);
  void ParseTracks(const std::string& name, const TiXmlElement* tracks_element);
};
