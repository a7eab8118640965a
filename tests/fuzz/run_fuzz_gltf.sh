#!/usr/bin/env bash
# Builds the glTF loader fuzzer with clang (libFuzzer, ASan, UBSan) straight from the sources it
# needs, makes a seed corpus from the shared sample models, a few files of our own and the odd
# primitives of tests/fuzz/gltf_seeds, and fuzzes for a bounded time.
# Usage: tests/fuzz/run_fuzz_gltf.sh [seconds]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-60}
out=build/fuzz_gltf
mkdir -p "$out/corpus" "$out/artifacts"

clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -DGLM_FORCE_RADIANS -Isrc -Itests/fuzz $(pkg-config --cflags stb tinygltf) \
  tests/fuzz/fuzz_gltf.cpp tests/fuzz/fuzz_support.cpp \
  src/objects3d/gltf_loader.cpp src/objects3d/gltf_parse.cpp src/objects3d/gltf_reader.cpp \
  src/objects3d/material.cpp src/objects3d/mesh.cpp src/objects3d/node.cpp \
  src/objects3d/primitive.cpp src/objects3d/closed_solid.cpp \
  src/util/data/data.cpp src/util/data/datafile.cpp src/util/data/fileio.cpp src/util/data/replacementfile.cpp \
  src/util/data/chunkstreaminflater.cpp \
  -ltinygltf -lstb -lz -lfmt -o "$out/fuzz_gltf"

# Seeds: ".glb" samples (first byte 0) and small ".gltf" texts with embedded buffers (first
# byte 1; 3 adds the model-node prefix).
python3 - "$out/corpus" /work/shared/testdata/gltf tests/fuzz/gltf_seeds <<'PY'
import base64, glob, json, os, struct, sys
corpus, samples, seeds = sys.argv[1], sys.argv[2], sys.argv[3]
for path in sorted(glob.glob(os.path.join(samples, "*/glTF-Binary/*.glb"))
                   + glob.glob(os.path.join(seeds, "*.glb"))):
    data = open(path, "rb").read()
    if len(data) <= 64 * 1024:
        open(os.path.join(corpus, os.path.basename(path)), "wb").write(b"\0" + data)
positions = struct.pack("<9f", 0, 0, 0, 1, 0, 0, 0, 1, 0)
indices = struct.pack("<3H", 0, 1, 2) + b"\0\0"
times = struct.pack("<2f", 0, 1)
moves = struct.pack("<6f", 0, 0, 0, 1, 2, 3)
blob = positions + indices + times + moves
uri = "data:application/octet-stream;base64," + base64.b64encode(blob).decode()
doc = {
    "asset": {"version": "2.0"}, "scenes": [{"nodes": [0]}],
    "nodes": [{"name": "a", "mesh": 0, "children": [1]}, {"translation": [1, 2, 3]}],
    "materials": [{"pbrMetallicRoughness": {"baseColorFactor": [1, 0, 0, 1]}}],
    "meshes": [{"primitives": [{"attributes": {"POSITION": 0}, "indices": 1, "material": 0,
                                "targets": [{"POSITION": 0}]}]}],
    "buffers": [{"byteLength": len(blob), "uri": uri}],
    "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 36},
                    {"buffer": 0, "byteOffset": 36, "byteLength": 6},
                    {"buffer": 0, "byteOffset": 44, "byteLength": 8},
                    {"buffer": 0, "byteOffset": 52, "byteLength": 24}],
    "accessors": [{"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3",
                   "min": [0, 0, 0], "max": [1, 1, 0]},
                  {"bufferView": 1, "componentType": 5123, "count": 3, "type": "SCALAR"},
                  {"bufferView": 2, "componentType": 5126, "count": 2, "type": "SCALAR"},
                  {"bufferView": 3, "componentType": 5126, "count": 2, "type": "VEC3"}],
    "animations": [{"samplers": [{"input": 2, "output": 3, "interpolation": "STEP"}],
                    "channels": [{"sampler": 0, "target": {"node": 1, "path": "translation"}}]}],
}
text = json.dumps(doc).encode()
open(os.path.join(corpus, "embedded.gltf"), "wb").write(b"\1" + text)
open(os.path.join(corpus, "embedded_prefix.gltf"), "wb").write(b"\3" + text)
PY

"$out/fuzz_gltf" "$out/corpus" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 \
  -artifact_prefix="$out/artifacts/" -print_final_stats=1
