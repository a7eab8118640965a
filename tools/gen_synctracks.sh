#!/usr/bin/env bash
# Builds the sync track files of every production from its text description
# (data-src/tracks/*.txt) into data/sync_tracker/. Unchanged track files are left alone.
set -euo pipefail
cd "$(dirname "$0")/.."
shopt -s nullglob
for source in data-src/tracks/*.txt; do
  python3 tools/synctracks.py build "$source" --out data/sync_tracker
done
