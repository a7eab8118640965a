#!/usr/bin/env bash
# Installs what is needed, builds the players, makes a production's data.vtl from the loose data
# tree when it is missing or older than the tree, and plays it.
# Usage: tools/play.sh [production]   (0, 3, 4, 5 or 6; default 6, which plays from build/;
# any other production N plays from build/pN/)
set -euo pipefail
cd "$(dirname "$0")/.."
production=${1:-6}
folder=build
[ "$production" = 6 ] || folder=build/p$production
bash tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
bash tools/generate-data.sh
bash tools/make-datavtl.sh "$folder"
cd "$folder"
exec ./player
