#!/usr/bin/env bash
# Makes a build's "data.vtl" the way the system makes it: the write-mode build of the
# production reads the loose data tree and writes the packed file. It runs on a private
# virtual display; the start-up dialog is answered with Enter and the run is ended once the
# file is written.
#
# Each player folder (the build folder, or its subfolder pN/ for another production N; the file
# BUILD/production names it) packs its own production: the packing runs in
# BUILD/pack/, whose data/ is the loose tree except for data/sync_tracker/, which holds that
# production's tracks built from data-src/tracks/production<N>.txt. The result is
# BUILD/data.vtl; the player plays it with BUILD as its working folder.
# Usage: tools/make-datavtl.sh [build-dir]   (does nothing when BUILD/data.vtl is newer than
# data/, the track texts and the packing build, whose scenes decide what the file must hold)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$(cd "${1:-build}" && pwd)
out="$build/data.vtl"
if [ -f "$out" ] && [ ! "$build/player-pack" -nt "$out" ] &&
  [ -z "$(find data data-src/tracks -newer "$out" -print -quit)" ]; then
  exit 0
fi
production=$(cat "$build/production")
stage="$build/pack"
rm -f "$out"
bash tools/stage-production.sh "$stage" "$production"
(cd "$stage" && xvfb-run -a -s "-screen 0 1280x720x24 -noreset" \
  python3 "$root/tools/run_pack.py" "$build/player-pack")
mv "$stage/data.vtl" "$out"
rm -rf "$stage"
