#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test: unit, GL and end to end on a virtual
# display, after the bounded fuzzing runs; then the suites that need no window and one run of
# the player again under AddressSanitizer and UndefinedBehaviorSanitizer. Exits non-zero on
# any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
jobs=$(nproc)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
# Productions 0, 3, 4 and 5 play end to end from build folders of their own
# (tests/e2e/test_production<N>_plays).
for production in 0 3 4 5; do
  cmake -S . -B build-p$production -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPLAYER_PRODUCTION=$production
  cmake --build build-p$production -j"$jobs" --target player player-pack
done
bash tools/generate-data.sh
bash tools/make-datavtl.sh build
shopt -s nullglob
for fuzz in tests/fuzz/run_*.sh; do
  bash "$fuzz" > build/fuzz.log 2>&1 || { tail -50 build/fuzz.log; exit 1; }
  tail -3 build/fuzz.log
done
xvfb-run -a -s "-screen 0 1920x1080x24" \
  ctest --test-dir build --output-on-failure --timeout 900 -j"$jobs"
bash tools/test-sanitizers.sh "$jobs"
