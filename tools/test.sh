#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test: unit, GL and end to end on a virtual
# display, after the bounded fuzzing runs; then every suite again, and the plays of productions
# 0, 3, 4, 5 and 6, under AddressSanitizer and UndefinedBehaviorSanitizer. Exits non-zero on any
# failure. Prints how long each phase took.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
jobs=$(nproc)
phase_started=$SECONDS
phase_done() {
  echo "== $1: $((SECONDS - phase_started)) s"
  phase_started=$SECONDS
}
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
bash tools/generate-data.sh
bash tools/make-datavtl.sh build
phase_done build
shopt -s nullglob
for fuzz in tests/fuzz/run_*.sh; do
  bash "$fuzz" 10 > build/fuzz.log 2>&1 || { tail -50 build/fuzz.log; exit 1; }
  tail -3 build/fuzz.log
done
phase_done fuzz
# -noreset: the server stays up between clients; it would otherwise restart whenever the last
# one leaves, and a test connecting just then finds no display. A failed test runs once more;
# the log shows both runs.
xvfb-run -a -s "-screen 0 1920x1080x24 -noreset" \
  ctest --test-dir build --output-on-failure --timeout 900 -j"$jobs" --repeat until-pass:2
phase_done ctest
bash tools/test-sanitizers.sh "$jobs"
phase_done sanitizers
