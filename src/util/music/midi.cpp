#include "util/music/midi.h"

#include <cmath>

#include "system/log.h"
#include "util/data/data.h"

// A bounds-checked cursor over a range of the file's bytes. Every read names what it reads, so
// that a cut-short file ends the run with a message rather than a read past the data.
class MidiReader {
 public:
  MidiReader(const std::string& name, const uint8_t* data, size_t begin, size_t end)
      : name_(name), data_(data), pos_(begin), end_(end) {}

  size_t Position() const { return pos_; }
  size_t Remaining() const { return end_ - pos_; }
  bool AtEnd() const { return pos_ >= end_; }
  const std::string& Name() const { return name_; }

  void Require(size_t count, const char* what) const {
    if (count > Remaining())
      ExitMsgFmt(__FILE__, __LINE__,
                 "MIDI file {} is cut short: {} at byte {} needs {} bytes, {} are left", name_,
                 what, pos_, count, Remaining());
  }
  uint8_t U8(const char* what) {
    Require(1, what);
    return data_[pos_++];
  }
  // A data byte of a channel message: 0 to 127.
  uint8_t Data(const char* what) {
    const uint8_t value = U8(what);
    if (value & 0x80)
      ExitMsgFmt(__FILE__, __LINE__, "MIDI file {}: {} at byte {} is {}, not below 128", name_,
                 what, pos_ - 1, value);
    return value;
  }
  uint32_t BigEndian(int count, const char* what) {
    Require(count, what);
    uint32_t value = 0;
    for (int i = 0; i < count; ++i) value = (value << 8) | data_[pos_++];
    return value;
  }
  // A variable-length number: 7 bits a byte, most significant first, at most 4 bytes.
  uint32_t VariableLength(const char* what) { return VariableLength(what, nullptr); }
  uint32_t DeltaTime() {
    return VariableLength("delta time", "Found 4 bytes of delta time without a 0 MSB");
  }
  std::string Text(size_t length, const char* what) {
    Require(length, what);
    std::string text(reinterpret_cast<const char*>(data_ + pos_), length);
    pos_ += length;
    return text;
  }
  void Skip(size_t count, const char* what) {
    Require(count, what);
    pos_ += count;
  }
  bool Matches(const char* tag, size_t length) const {
    if (length > Remaining()) return false;
    for (size_t i = 0; i < length; ++i)
      if (data_[pos_ + i] != static_cast<uint8_t>(tag[i])) return false;
    return true;
  }
  // A reader over the next count bytes; this one moves past them.
  MidiReader Sub(size_t count, const char* what) {
    Require(count, what);
    MidiReader sub(name_, data_, pos_, pos_ + count);
    pos_ += count;
    return sub;
  }

 private:
  // too_long, when given, is the message for four bytes that all carry the continuation bit.
  uint32_t VariableLength(const char* what, const char* too_long) {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
      const uint8_t byte = U8(what);
      value = (value << 7) | (byte & 0x7F);
      if (!(byte & 0x80)) return value;
    }
    if (too_long) ExitMsg(__FILE__, __LINE__, too_long);
    ExitMsgFmt(__FILE__, __LINE__, "MIDI file {}: {} before byte {} is longer than 4 bytes", name_,
               what, pos_);
  }

  const std::string& name_;
  const uint8_t* data_;
  size_t pos_;
  size_t end_;
};

namespace {

std::string BaseName(const std::string& file) {
  const size_t slash = file.find_last_of('/');
  return slash == std::string::npos ? file : file.substr(slash + 1);
}

// A meta event's length byte that must hold one fixed value.
void ExpectLength(MidiReader& chunk, uint32_t expected, const char* message) {
  if (chunk.VariableLength("meta event length") != expected)
    ExitMsg(__FILE__, __LINE__, message);
}

// The note-on and note-off handling shared by both statuses: a start is added only after an
// end (or on an empty lane), an end only after a start, so repeated ones are dropped.
void AddNoteEvent(NoteTrack& track, uint8_t key, uint8_t velocity, float beat) {
  NoteLane& lane = FindOrAddLane(track, key);
  const bool last_is_end = lane.events.empty() || IsNoteEnd(lane.events.back());
  const bool last_is_start = lane.events.empty() || IsNoteStart(lane.events.back());
  if (velocity > 0 && last_is_end) {
    lane.events.push_back(beat);
    lane.values.push_back(velocity);
  } else if (velocity == 0 && last_is_start) {
    lane.events.push_back(-static_cast<double>(beat));
    lane.values.push_back(0);
  }
}

void AddControllerEvent(NoteTrack& track, uint8_t number, uint8_t value, float beat) {
  // Volume and pan are mixing settings, not musical events.
  if (number == 7 || number == 10) return;
  track.keyEvents[number].times.push_back(beat);
  track.keyEvents[number].values.push_back(value);
}

// The status of the next event and, under running status, its first data byte.
struct EventStart {
  uint8_t status = 0;
  int first_data = -1;  // -1: not read yet
};

EventStart ReadEventStart(MidiReader& chunk, uint8_t& running_status) {
  const uint8_t byte = chunk.U8("event status");
  if (byte & 0x80) {
    // Only channel messages set the running status; meta and system events between them do
    // not interrupt it.
    if (byte < 0xF0) running_status = byte;
    return {byte, -1};
  }
  if (running_status == 0)
    ExitMsgFmt(__FILE__, __LINE__,
               "MIDI file {}: data byte {} at byte {} follows no status (running status unset)",
               chunk.Name(), byte, chunk.Position() - 1);
  return {running_status, byte};
}

// Reads one channel message (all channels form one track); true for a note on or off.
bool ParseChannelMessage(MidiReader& chunk, NoteTrack& track, const EventStart& event, float beat) {
  const uint8_t kind = event.status >> 4;
  auto first_data = [&](const char* what) {
    return event.first_data >= 0 ? static_cast<uint8_t>(event.first_data) : chunk.Data(what);
  };
  switch (kind) {
    case 0x8:
    case 0x9: {
      const uint8_t key = first_data("note key");
      const uint8_t velocity = chunk.Data("note velocity");
      AddNoteEvent(track, key, kind == 0x8 ? 0 : velocity, beat);
      return true;
    }
    case 0xA:
      first_data("pressure key");
      chunk.Data("pressure value");
      return false;
    case 0xB: {
      const uint8_t number = first_data("controller number");
      AddControllerEvent(track, number, chunk.Data("controller value"), beat);
      return false;
    }
    case 0xC:
      ExitMsg(__FILE__, __LINE__, "MIDI_PROGRAM");
    case 0xD:
      first_data("channel pressure");
      return false;
    case 0xE:
      first_data("pitch bend");
      chunk.Data("pitch bend");
      return false;
  }
  ExitMsgFmt(__FILE__, __LINE__, "Unknown event {} from {}, corrupt MIDI file? Panicking!", kind,
             event.status);
}

float TempoToBpm(uint32_t microseconds_per_quarter) {
  // Rounded to hundredths of a beat per minute.
  return std::floor(6e9f / static_cast<float>(microseconds_per_quarter) + 0.5f) * 0.01f;
}

}  // namespace

MidiFile::MidiFile(const std::string& file) {
  // Only the file's own bytes: a terminating zero would stand in for a missing last byte.
  const std::vector<uint8_t> bytes = GetFileBytes(file, "rb", false);
  Parse(file, bytes);
}

MidiFile::MidiFile(const std::string& name, const std::vector<uint8_t>& bytes) {
  Parse(name, bytes);
}

void MidiFile::Parse(const std::string& name, const std::vector<uint8_t>& bytes) {
  LogInfo("  Loading MIDI file '{}'", BaseName(name));
  MidiReader file(name, bytes.data(), 0, bytes.size());
  if (!file.Matches("MThd\0", 5))
    ExitMsg(__FILE__, __LINE__, "  Unknown header info, MIDI file format not recognized\n");
  file.Skip(4, "header tag");
  const uint32_t header_length = file.BigEndian(4, "header length");
  if (header_length < 6)
    ExitMsgFmt(__FILE__, __LINE__, "MIDI file {} has a header of {} bytes, 6 are needed", name,
               header_length);
  MidiReader header = file.Sub(header_length, "header");
  const uint16_t format = header.BigEndian(2, "format");
  const uint16_t chunk_count = header.BigEndian(2, "track count");
  const uint16_t division = header.BigEndian(2, "time division");
  LogInfo("  MIDI file format {} found", format);
  LogInfo("  Number of MTrk chunks: {}", chunk_count);
  LogInfo("  Milliseconds 1/4 delta: {}", division);
  if (division & 0x8000)
    ExitMsgFmt(__FILE__, __LINE__,
               "MIDI file {} counts time in SMPTE frames; only ticks per quarter note are supported",
               name);
  if (division == 0)
    ExitMsgFmt(__FILE__, __LINE__, "MIDI file {} has a time division of 0 ticks per quarter note",
               name);

  for (uint16_t i = 0; i < chunk_count; ++i) ParseTrack(file, division);
  LogNoteTracks(*this);
}

void MidiFile::ParseTrack(MidiReader& file, uint16_t ticks_per_quarter) {
  if (!file.Matches("MTrk", 4))
    ExitMsg(__FILE__, __LINE__, " Could not find track chunk header, unrecognized file format!\n");
  file.Skip(4, "track chunk tag");
  const uint32_t length = file.BigEndian(4, "track chunk length");
  MidiReader chunk = file.Sub(length, "track chunk");

  NoteTrack track;
  int note_events = 0;
  uint64_t ticks = 0;
  uint8_t running_status = 0;
  while (!chunk.AtEnd()) {
    ticks += chunk.DeltaTime();
    const float beat = static_cast<float>(ticks) / static_cast<float>(ticks_per_quarter);
    const EventStart event = ReadEventStart(chunk, running_status);
    if (event.status == 0xF0 || event.status == 0xF7)
      ExitMsg(__FILE__, __LINE__, "  Got SysEx event, not supported yet, panicking!");
    if (event.status == 0xFF) {
      ParseMeta(chunk, track);
    } else if (ParseChannelMessage(chunk, track, event, beat)) {
      ++note_events;
    }
  }
  if (note_events > 0) tracks.push_back(std::move(track));
}

void MidiFile::ParseMeta(MidiReader& chunk, NoteTrack& track) {
  const uint8_t type = chunk.U8("meta event type");
  switch (type) {
    case 0x01:
      if (!ReadMetaText(chunk, text)) ExitMsg(__FILE__, __LINE__, "Retrieving text info failed!");
      LogInfo("  Text info: {}", text);
      return;
    case 0x02:
      if (!ReadMetaText(chunk, copyright))
        ExitMsg(__FILE__, __LINE__, "Retrieving copyright info failed!");
      LogInfo("  Copyright info: {}", copyright);
      return;
    case 0x03:
      if (!ReadMetaText(chunk, track.name))
        ExitMsg(__FILE__, __LINE__, "Retrieving track name failed!");
      return;
    case 0x2F:
      ExpectLength(chunk, 0, "Expected 0x00");
      return;
    case 0x51: {
      ExpectLength(chunk, 3, "Expected 0x03");
      const uint32_t microseconds = chunk.BigEndian(3, "tempo");
      if (microseconds == 0)
        ExitMsgFmt(__FILE__, __LINE__,
                   "MIDI file {} sets a tempo of 0 microseconds per quarter note", chunk.Name());
      bpm = TempoToBpm(microseconds);
      LogInfo("  Got bpm of {}", bpm);
      return;
    }
    case 0x58: {
      ExpectLength(chunk, 4, "Expected 0x04");
      timeSignature[0] = chunk.U8("time signature");
      const uint8_t power = chunk.U8("time signature");
      timeSignature[1] = power < 8 ? static_cast<uint8_t>(1u << power) : 0;
      timeSignature[2] = chunk.U8("time signature");
      timeSignature[3] = chunk.U8("time signature");
      LogInfo("  Time signature is {}/{}, {} MIDI clocks per metronome tick, {} 32th notes per "
              "24 MIDI clocks",
              timeSignature[0], timeSignature[1], timeSignature[2], timeSignature[3]);
      return;
    }
    case 0x59:
      ExpectLength(chunk, 2, "Expected 0x02");
      keySignature[0] = static_cast<int8_t>(chunk.U8("key signature"));
      keySignature[1] = chunk.U8("key signature") == 1 ? 1 : 0;
      LogInfo("  Key signature is {}, {}", keySignature[0], keySignature[1]);
      return;
    case 0x00: ExitMsg(__FILE__, __LINE__, "MIDI_META_SEQNUM");
    case 0x04: ExitMsg(__FILE__, __LINE__, "MIDI_META_INSTR_NAME");
    case 0x05: ExitMsg(__FILE__, __LINE__, "MIDI_META_LYRIC");
    case 0x06: ExitMsg(__FILE__, __LINE__, "MIDI_META_MARKER");
    case 0x07: ExitMsg(__FILE__, __LINE__, "MIDI_META_CUE_POINT");
    case 0x20: ExitMsg(__FILE__, __LINE__, "MIDI_META_CH_PREFIX");
    case 0x54: ExitMsg(__FILE__, __LINE__, "MIDI_META_SMPTE_OFFS");
    case 0x7F: ExitMsg(__FILE__, __LINE__, "MIDI_META_CUSTOM");
    default: ExitMsg(__FILE__, __LINE__, "  Unknown meta event, panicking!");
  }
}

bool MidiFile::ReadMetaText(MidiReader& chunk, std::string& out) {
  // The length is a variable-length number, so texts of 128 bytes or more read correctly.
  const uint32_t length = chunk.VariableLength("meta text length");
  if (length == 0) {
    LogInfo("Text length zero");
    return false;
  }
  out = chunk.Text(length, "meta text");
  return true;
}
