#!/usr/bin/env bash
# Installs what is needed, builds, makes data.vtl from the loose data tree when it is missing or
# older than the tree, and plays the built-in production.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target player player-pack
bash tools/generate-data.sh
bash tools/make-datavtl.sh build
exec ./build/player
