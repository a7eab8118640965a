#!/usr/bin/env bash
# Makes "data.vtl" the way the system makes it: the write-mode build of the production reads
# the loose data tree and writes the packed file. It runs on a private virtual display; the
# start-up dialog is answered with Enter and the run is ended once the file is written.
# Usage: tools/make-datavtl.sh [build-dir]   (does nothing when data.vtl is newer than data/
# and than the packing build, whose scenes decide which files the packed file must hold)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
if [ -f data.vtl ] && [ ! "$build/player-pack" -nt data.vtl ] &&
  [ -z "$(find data -newer data.vtl -print -quit)" ]; then
  exit 0
fi
rm -f data.vtl
exec xvfb-run -a -s "-screen 0 1280x720x24" python3 tools/run_pack.py "$build/player-pack"
