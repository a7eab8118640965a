#!/usr/bin/env bash
# Makes the generated part of the data tree: runs every tools/gen_* generator in sorted order
# from the repository root. Each generator is deterministic and skips work that is up to date.
set -euo pipefail
cd "$(dirname "$0")/.."
shopt -s nullglob
for generator in tools/gen_*; do
  case "$generator" in
    *.py) python3 "$generator" ;;
    *.sh) bash "$generator" ;;
    *) continue ;;
  esac
done
