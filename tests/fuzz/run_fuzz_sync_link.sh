#!/usr/bin/env bash
# Builds the sync editor link fuzzer with clang (libFuzzer, ASan, UBSan) straight from the
# sources it needs, makes a small seed corpus, and fuzzes for a bounded time.
# Usage: tests/fuzz/run_fuzz_sync_link.sh [seconds]   (default 30)
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-30}
out=build/fuzz_sync_link
mkdir -p "$out/corpus" "$out/artifacts"

clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -Isrc -Itests/fuzz \
  tests/fuzz/fuzz_sync_link.cpp tests/fuzz/fuzz_support.cpp \
  src/util/music/sync_link.cpp src/util/music/sync_device.cpp src/util/music/sync_track.cpp \
  src/util/music/sync_track_file.cpp src/system/tcp_socket.cpp \
  src/util/data/data.cpp src/util/data/fileio.cpp src/util/data/replacementfile.cpp \
  -lz -lfmt -pthread -o "$out/fuzz_sync_link"

# Seeds: every command the editor sends, in network byte order, and a save.
python3 - "$out/corpus" <<'PY'
import os, struct, sys
corpus = sys.argv[1]
set_key = lambda track, row, value, kind: struct.pack(">BIifB", 0, track, row, value, kind)
seeds = {
    "keys": set_key(0, 0, 1.0, 1) + set_key(0, 8, 2.0, 2) + set_key(1, -4, 0.5, 3) + set_key(0, 8, 3.0, 0),
    "delete": set_key(2, 3, 1.0, 0) + struct.pack(">BIi", 1, 2, 3) + struct.pack(">BIi", 1, 2, 3),
    "row_and_pause": struct.pack(">Bi", 3, 1000) + struct.pack(">BB", 4, 1) + struct.pack(">BB", 4, 0),
    "save": set_key(0, 16, 4.0, 1) + bytes([5]),
    "cut_short": set_key(0, 1, 1.0, 0)[:7],
}
for name, data in seeds.items():
    with open(os.path.join(corpus, name), "wb") as f:
        f.write(data)
PY

"$out/fuzz_sync_link" "$out/corpus" -max_total_time="$seconds" -max_len=2048 -timeout=10 \
  -artifact_prefix="$out/artifacts/" -print_final_stats=1
