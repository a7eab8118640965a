#!/usr/bin/env bash
# Builds the track-file fuzzer with clang (libFuzzer, ASan, UBSan) straight from the sources it
# needs, makes a small seed corpus, and fuzzes for a bounded time.
# Usage: tests/fuzz/run_fuzz_track_file.sh [seconds]   (default 20)
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-20}
out=build/fuzz_track_file
mkdir -p "$out/corpus" "$out/artifacts"

clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -Isrc -Itests/fuzz \
  tests/fuzz/fuzz_track_file.cpp tests/fuzz/fuzz_support.cpp \
  src/util/music/sync_track_file.cpp src/util/music/sync_track.cpp src/util/music/sync_device.cpp \
  src/util/music/sync_link.cpp src/system/tcp_socket.cpp \
  src/util/data/data.cpp src/util/data/fileio.cpp src/util/data/replacementfile.cpp \
  -lz -lfmt -o "$out/fuzz_track_file"

# Seeds: no keys, and one key of each type (row, f32 value, type), little-endian.
python3 - "$out/corpus" <<'PY'
import os, struct, sys
corpus = sys.argv[1]
keys = [(-8, -1.5, 0), (0, 0.0, 1), (8, 1.0, 2), (16, 2.0, 3)]
seeds = {"empty": struct.pack("<i", 0),
         "four_keys": struct.pack("<i", len(keys)) + b"".join(struct.pack("<ifB", *k) for k in keys)}
for name, data in seeds.items():
    with open(os.path.join(corpus, name), "wb") as f:
        f.write(data)
PY

"$out/fuzz_track_file" "$out/corpus" -max_total_time="$seconds" -max_len=1024 -timeout=10 \
  -artifact_prefix="$out/artifacts/" -print_final_stats=1
