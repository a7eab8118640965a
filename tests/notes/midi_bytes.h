#pragma once
// Builders of Standard MIDI file bytes, for the note tests and benchmarks.

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace notes_test {

using Bytes = std::vector<uint8_t>;

inline void Append(Bytes& out, std::initializer_list<uint8_t> bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}

inline void AppendBigEndian(Bytes& out, uint32_t value, int count) {
  for (int i = count - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

inline void AppendVariableLength(Bytes& out, uint32_t value) {
  uint8_t groups[5];
  int count = 0;
  do {
    groups[count++] = value & 0x7F;
    value >>= 7;
  } while (value);
  for (int i = count - 1; i >= 0; --i) out.push_back(groups[i] | (i ? 0x80 : 0));
}

inline Bytes MidiHeader(uint16_t chunk_count, uint16_t division, uint16_t format = 1) {
  Bytes out{'M', 'T', 'h', 'd', 0, 0, 0, 6};
  AppendBigEndian(out, format, 2);
  AppendBigEndian(out, chunk_count, 2);
  AppendBigEndian(out, division, 2);
  return out;
}

inline void AppendTrack(Bytes& out, const Bytes& events) {
  Append(out, {'M', 'T', 'r', 'k'});
  AppendBigEndian(out, static_cast<uint32_t>(events.size()), 4);
  out.insert(out.end(), events.begin(), events.end());
}

// A file of one header and the given track chunks, 480 ticks per quarter note by default.
inline Bytes MidiFileBytes(const std::vector<Bytes>& tracks, uint16_t division = 480) {
  Bytes out = MidiHeader(static_cast<uint16_t>(tracks.size()), division);
  for (const Bytes& track : tracks) AppendTrack(out, track);
  return out;
}

// Track events: a delta time followed by the event's bytes.
struct Events {
  Bytes bytes;
  Events& At(uint32_t delta, std::initializer_list<uint8_t> event) {
    AppendVariableLength(bytes, delta);
    Append(bytes, event);
    return *this;
  }
  Events& End() { return At(0, {0xFF, 0x2F, 0x00}); }
};

}  // namespace notes_test
