#pragma once
// Note records filled by the MIDI and Live set readers, and the note values that scenes read
// from them: how strongly each key of a note track sounds at a beat, plain or shaped by the
// track's modulators.
//
// A lane's events hold note starts as their beat and note ends as the negated beat. A start
// and an end are told apart by the sign bit, so an end at beat 0 (stored as -0.0) stays an end.

#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "util/music/modulators/modulator.h"

// The value changes of one controller, times in beats ascending, values 0 to 127.
struct NoteKeyEvents {
  std::vector<double> times;
  std::vector<uint8_t> values;
};

// One distinct note key of a track with its starts and ends in time order.
struct NoteLane {
  uint8_t key = 0;
  std::string name;
  std::vector<double> events;
  std::vector<uint8_t> values;  // one byte per event from the reader (velocity for a start)
};

struct NoteTrack {
  std::string name;
  std::vector<NoteLane> lanes;
  std::array<NoteKeyEvents, 128> keyEvents;
  // Owned, in the order of the music description file.
  std::vector<std::unique_ptr<Modulator>> modulators;
};

// What the readers produce; MidiFile and AlsFile begin with these fields.
struct NoteData {
  std::vector<NoteTrack> tracks;
  double bpm = 120.0;

  NoteData() = default;
  NoteData(NoteData&&) = default;
  NoteData& operator=(NoteData&&) = default;
  virtual ~NoteData() = default;
};

inline bool IsNoteStart(double event) { return !std::signbit(event); }
inline bool IsNoteEnd(double event) { return std::signbit(event); }

// The lane of a key in a track, appended (named by GetNoteName) when the track has none yet.
NoteLane& FindOrAddLane(NoteTrack& track, uint8_t key);

// "C5" for key 60: the name within the octave and the octave key / 12.
std::string GetNoteName(uint8_t key);

// The note track at an index; a negative index or one past the end is fatal
// "Track number out of bounds".
const NoteTrack& GetNoteTrack(const NoteData& notes, int track);

// One value per lane of the track at the beat: 1 or 0 for a plain note, or the product of the
// track's modulators; arpeggiators then keep only the stepped-to held lane. bpm is the music's
// tempo, handed to the modulators. No note data gives an empty list. Not const: an LFO's period
// follows its controller's value at the beat.
std::vector<float> GetNoteValues(NoteData* notes, int track, double beat, double bpm);

// The largest of GetNoteValues, at least 0.
float GetNoteValue(NoteData* notes, int track, double beat, double bpm);

// The key of every lane of note track 14 (the fifteenth); fewer tracks are fatal.
std::vector<uint8_t> GetNoteTrackKeys(const NoteData* notes);

// Writes the summary of the tracks a reader found to the info log.
void LogNoteTracks(const NoteData& notes);
