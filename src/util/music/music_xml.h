#pragma once
// The music description file: an XML file naming the audio file, the note data (a Standard
// MIDI file or a Live set) and the modulators bound to the note tracks. All files named inside
// are taken relative to the description's folder.

#include <functional>
#include <memory>
#include <string>

#include "util/music/notedata.h"

class TiXmlElement;

// Reads the description: hands the audio file's path to load_stream, reads the note data and
// builds the modulators with the note data's tempo. Every problem in the file is fatal.
std::unique_ptr<NoteData> LoadMusicXml(const std::string& file,
                                       const std::function<void(const std::string&)>& load_stream);

// Builds the modulators of the element first and its following siblings into their note
// tracks. bpm converts envelope times from seconds to beats.
void load_xml_modulators(NoteData& notes, const TiXmlElement* first, const std::string& directory,
                         double bpm);

// Fills the range table of an LFO from a template file (root "unit").
void LoadModulatorFile(const std::string& file, Modulator& modulator);
