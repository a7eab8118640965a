#!/usr/bin/env bash
# Installs what is needed, builds a production, makes its data.vtl from the loose data tree when
# it is missing or older than the tree, and plays it.
# Usage: tools/play.sh [production]   (0, 3, 4, 5 or 6; default 6, built in build/, any other
# production N in build-pN/)
set -euo pipefail
cd "$(dirname "$0")/.."
production=${1:-6}
build=build
[ "$production" = 6 ] || build=build-p$production
bash tools/install-deps.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPLAYER_PRODUCTION="$production"
cmake --build "$build" -j"$(nproc)" --target player player-pack
bash tools/generate-data.sh
bash tools/make-datavtl.sh "$build"
cd "$build"
exec ./player
