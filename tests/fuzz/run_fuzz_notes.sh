#!/usr/bin/env bash
# Builds the note reader fuzzer with clang (libFuzzer, ASan, UBSan) straight from the sources it
# needs, makes a small seed corpus, and fuzzes for a bounded time.
# Usage: tests/fuzz/run_fuzz_notes.sh [seconds]   (default 30)
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-30}
out=build/fuzz_notes
mkdir -p "$out/corpus" "$out/artifacts"

clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -Isrc -Itests/fuzz \
  tests/fuzz/fuzz_notes.cpp tests/fuzz/fuzz_support.cpp \
  src/util/music/notedata.cpp src/util/music/midi.cpp src/util/music/als.cpp \
  src/util/music/xml_nesting.cpp src/util/data/data.cpp src/util/data/fileio.cpp \
  src/util/music/modulators/modulator.cpp src/util/music/modulators/adsr.cpp \
  src/util/music/modulators/lfo.cpp src/util/music/modulators/arp.cpp \
  -ltinyxml -lz -lfmt -o "$out/fuzz_notes"

# Seeds: a small MIDI file (first byte even) and a small Live set (first byte odd).
python3 - "$out/corpus" <<'PY'
import os, struct, sys
corpus = sys.argv[1]
events = bytes([0, 0xFF, 0x51, 3, 0x07, 0xA1, 0x20, 0, 0x90, 60, 100, 0x83, 0x60, 64, 90,
                0, 0xB0, 74, 10, 0x60, 60, 0, 0, 64, 0, 0, 0xFF, 0x2F, 0])
midi = b"MThd" + struct.pack(">IHHH", 6, 1, 1, 480) + b"MTrk" + struct.pack(">I", len(events)) + events
live_set = (b'<Ableton><LiveSet><Tracks><MidiTrack><Name><EffectiveName Value="A" /></Name>'
            b'<DeviceChain><MainSequencer><ClipTimeable><ArrangerAutomation><Events><MidiClip>'
            b'<CurrentStart Value="0" /><CurrentEnd Value="8" /><Loop><LoopStart Value="0" />'
            b'<LoopEnd Value="2" /><LoopOn Value="true" /></Loop><Notes><KeyTracks><KeyTrack>'
            b'<Notes><MidiNoteEvent Time="0" Duration="1" /></Notes><MidiKey Value="60" />'
            b'</KeyTrack></KeyTracks></Notes></MidiClip></Events></ArrangerAutomation>'
            b'</ClipTimeable></MainSequencer></DeviceChain></MidiTrack></Tracks><MasterTrack>'
            b'<DeviceChain><Mixer><Tempo><Manual Value="120" /></Tempo></Mixer></DeviceChain>'
            b'</MasterTrack></LiveSet></Ableton>')
for name, data in {"midi": b"\0" + midi, "live_set": b"\1" + live_set}.items():
    with open(os.path.join(corpus, name), "wb") as f:
        f.write(data)
PY

"$out/fuzz_notes" "$out/corpus" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
  -artifact_prefix="$out/artifacts/" -print_final_stats=1
