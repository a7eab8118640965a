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

#include "../tests/notes/midi_bytes.h"

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

std::vector<uint8_t> DenseMidiFile() {
  notes_test::Events events;
  for (int i = 0; i < kNotesPerLane; ++i) {
    for (uint8_t lane = 0; lane < kLanes; ++lane) events.At(lane == 0 ? 120 : 0, {0x90, uint8_t(40 + lane), 100});
    for (uint8_t lane = 0; lane < kLanes; ++lane) events.At(lane == 0 ? 120 : 0, {0x80, uint8_t(40 + lane), 0});
  }
  return notes_test::MidiFileBytes({events.End().bytes});
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
