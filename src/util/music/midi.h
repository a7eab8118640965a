#pragma once
// Reads a Standard MIDI file into note records: one note track per track chunk that holds
// notes, one lane per key, controller changes per controller number, and the tempo. Only what
// the note values need is supported; any other event ends the run with a message naming it.
// Every length in the file is checked against the bytes that are really there.

#include <cstdint>
#include <string>
#include <vector>

#include "util/music/notedata.h"

class MidiReader;

class MidiFile : public NoteData {
 public:
  // Reads the file through the data layer.
  explicit MidiFile(const std::string& file);
  // Parses bytes already in memory; name is used in messages.
  MidiFile(const std::string& name, const std::vector<uint8_t>& bytes);

  std::string text;       // the last text meta event
  std::string copyright;
  uint8_t timeSignature[4] = {};  // numerator, denominator, clocks per tick, 32nds per quarter
  int8_t keySignature[2] = {};    // sharps (negative: flats), minor flag

 private:
  void Parse(const std::string& name, const std::vector<uint8_t>& bytes);
  // Reads the chunk that starts at the reader's position; leaves it at the byte after it.
  void ParseTrack(MidiReader& file, uint16_t ticks_per_quarter);
  void ParseMeta(MidiReader& chunk, NoteTrack& track);
  bool ReadMetaText(MidiReader& chunk, std::string& out);
};
