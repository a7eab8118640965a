// Note values are read a few times per frame and walk every event of every lane up to the
// beat; these measure that walk on a dense track late in a song, plain and with modulators,
// and the MIDI reader on a file of the same size.

#include <benchmark/benchmark.h>

#include <memory>

#include "util/music/midi.h"
#include "util/music/modulators/adsr.h"
#include "util/music/modulators/arp.h"
#include "util/music/modulators/lfo.h"
#include "util/music/notedata.h"

namespace {

constexpr int kLanes = 16;
constexpr int kNotesPerLane = 1000;  // a sixteenth-note pattern over a long song

NoteData DenseTrack(bool modulated) {
  NoteData notes;
  NoteTrack& track = notes.tracks.emplace_back();
  for (int lane = 0; lane < kLanes; ++lane) {
    NoteLane& l = FindOrAddLane(track, static_cast<uint8_t>(40 + lane));
    for (int i = 0; i < kNotesPerLane; ++i) {
      const double start = i * 0.5 + lane * 0.03125;
      l.events.push_back(start);
      l.events.push_back(-(start + 0.25));
    }
  }
  if (modulated) {
    track.modulators.push_back(std::make_unique<ADSR>());
    auto lfo = std::make_unique<LFO>(74);
    lfo->period = 1.0;
    track.modulators.push_back(std::move(lfo));
    auto arp = std::make_unique<Arp>();
    arp->period = 0.25;
    track.modulators.push_back(std::move(arp));
    for (int i = 0; i < 64; ++i) {
      track.keyEvents[74].times.push_back(i * 8.0);
      track.keyEvents[74].values.push_back(static_cast<uint8_t>(i * 2));
    }
  }
  return notes;
}

void BM_NoteValuesLateInTheSong(benchmark::State& state) {
  NoteData notes = DenseTrack(state.range(0) != 0);
  const double beat = kNotesPerLane * 0.5 - 1.0;
  for (auto _ : state) benchmark::DoNotOptimize(GetNoteValues(&notes, 0, beat, 120.0));
  state.SetItemsProcessed(state.iterations() * kLanes * kNotesPerLane * 2);
}
BENCHMARK(BM_NoteValuesLateInTheSong)->Arg(0)->Arg(1);

void AppendVariableLength(std::vector<uint8_t>& out, uint32_t value) {
  uint8_t groups[5];
  int count = 0;
  do {
    groups[count++] = value & 0x7F;
    value >>= 7;
  } while (value);
  for (int i = count - 1; i >= 0; --i) out.push_back(groups[i] | (i ? 0x80 : 0));
}

std::vector<uint8_t> DenseMidiFile() {
  std::vector<uint8_t> events;
  for (int i = 0; i < kNotesPerLane; ++i) {
    for (int lane = 0; lane < kLanes; ++lane) {
      AppendVariableLength(events, lane == 0 ? 120 : 0);
      events.insert(events.end(), {0x90, static_cast<uint8_t>(40 + lane), 100});
    }
    for (int lane = 0; lane < kLanes; ++lane) {
      AppendVariableLength(events, lane == 0 ? 120 : 0);
      events.insert(events.end(), {0x80, static_cast<uint8_t>(40 + lane), 0});
    }
  }
  events.insert(events.end(), {0, 0xFF, 0x2F, 0});
  std::vector<uint8_t> file{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 1, 0x01, 0xE0,
                            'M', 'T', 'r', 'k'};
  const uint32_t length = static_cast<uint32_t>(events.size());
  for (int shift = 24; shift >= 0; shift -= 8) file.push_back(static_cast<uint8_t>(length >> shift));
  file.insert(file.end(), events.begin(), events.end());
  return file;
}

void BM_ReadMidiFile(benchmark::State& state) {
  const std::vector<uint8_t> bytes = DenseMidiFile();
  for (auto _ : state) {
    MidiFile midi("bench.mid", bytes);
    benchmark::DoNotOptimize(midi.tracks.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_ReadMidiFile);

}  // namespace
