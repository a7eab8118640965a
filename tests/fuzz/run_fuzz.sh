#!/usr/bin/env bash
# Builds the packed data file fuzzer with clang (libFuzzer, ASan, UBSan) straight from the
# sources it needs, makes a small seed corpus, and fuzzes for a bounded time.
# Usage: tests/fuzz/run_fuzz.sh [seconds]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-60}
out=build/fuzz
mkdir -p "$out/corpus" "$out/artifacts"

clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -Isrc -Itests/fuzz \
  tests/fuzz/fuzz_datafile.cpp tests/fuzz/fuzz_support.cpp \
  src/util/data/data.cpp src/util/data/datafile.cpp src/util/data/fileio.cpp \
  src/util/data/chunkstreaminflater.cpp src/util/data/replacementfile.cpp \
  -lz -lfmt -o "$out/fuzz_datafile"

# Seeds: a packed file made by the independent Python tool (first byte even: a whole file),
# and bare chunk streams (first byte odd: the target wraps them).
python3 - "$out/corpus" <<'PY'
import os, struct, sys, zlib
corpus = sys.argv[1]
def chunk(name, data):
    return b"VTLDFC" + struct.pack("<II", len(name), len(data)) + name + data
stream = chunk(b"data/a.txt", b"hello\0") + chunk(b"data/music/song.mp3", bytes(range(64)))
stream += chunk(b"data/a.txt", b"again")
packed = b"Vorantil Data File" + struct.pack("<BBI", 2, 0, len(stream)) + zlib.compress(stream)
seeds = {"whole_file": b"\0" + packed, "chunk_stream": b"\1" + stream,
         "empty_stream": b"\1", "one_chunk": b"\1" + chunk(b"x", b"")}
for name, data in seeds.items():
    with open(os.path.join(corpus, name), "wb") as f:
        f.write(data)
PY

"$out/fuzz_datafile" "$out/corpus" -max_total_time="$seconds" -max_len=8192 \
  -artifact_prefix="$out/artifacts/" -print_final_stats=1
