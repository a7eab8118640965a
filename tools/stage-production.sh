#!/usr/bin/env bash
# Lays out FOLDER so that the player, run with FOLDER as its working folder, plays production N
# from the loose data tree: FOLDER/data/ links every entry of data/ except data/sync_tracker/,
# which holds production N's tracks built from data-src/tracks/production<N>.txt (no tracks
# when the production has no track text). Whatever FOLDER held before is removed.
# Usage: tools/stage-production.sh FOLDER N
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
stage=$1
production=$2
rm -rf "$stage"
mkdir -p "$stage/data/sync_tracker"
for entry in data/*; do
  [ "$entry" = data/sync_tracker ] || ln -s "$root/$entry" "$stage/$entry"
done
tracks="data-src/tracks/production$production.txt"
if [ -f "$tracks" ]; then
  python3 tools/synctracks.py build "$tracks" --out "$stage/data/sync_tracker"
fi
