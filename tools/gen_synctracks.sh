#!/usr/bin/env bash
# Builds the sync track files of the built-in production (6) from its text description
# (data-src/tracks/production6.txt) into data/sync_tracker/, the tracks the loose data tree
# plays. All productions use the same track file names, so each other production's tracks are
# built into its own packing folder by tools/make-datavtl.sh; here their texts are only
# checked. Unchanged track files are left alone.
set -euo pipefail
cd "$(dirname "$0")/.."
shopt -s nullglob
python3 tools/synctracks.py build data-src/tracks/production6.txt --out data/sync_tracker
check=$(mktemp -d)
trap 'rm -rf "$check"' EXIT
for source in data-src/tracks/*.txt; do
  [ "$source" = data-src/tracks/production6.txt ] && continue
  python3 tools/synctracks.py build "$source" --out "$check/$(basename "$source" .txt)" > /dev/null
done
