#!/usr/bin/env bash
# Builds the engine, the test suites that need no window and production 3's player a second
# time with AddressSanitizer and UndefinedBehaviorSanitizer (folder build-asan), then runs those
# suites without a display and one run of the player, to the end of its one-minute song without
# input, on a virtual display under them. Any sanitizer report fails the run. Needs the packing
# build of production 3 in build/p3, which tools/test.sh makes first.
# Usage: tools/test-sanitizers.sh [jobs]
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${1:-$(nproc)}
out=build-asan
suites=(test_audio test_avi test_data test_notes test_sync test_util)
flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"

# -O1 with line tables only: reports name files and lines, and the second build stays quick.
mkdir -p "$out"
cmake -S . -B "$out" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" \
  -DCMAKE_C_FLAGS_DEBUG="-O1 -g1" -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_C_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="$flags" > "$out/configure.log"
cmake --build "$out" -j"$jobs" --target player-p3 "${suites[@]}"

# Reports go to files as well as ending the process, so that none is lost in a death test's
# captured output. Leaks are not checked: the fatal exit ends the run without unwinding.
reports="$PWD/$out/sanitizer-reports"
rm -rf "$reports"
mkdir -p "$reports"
# The player runs under stdbuf, which preloads a library ahead of the sanitizer runtime.
export ASAN_OPTIONS="log_path=$reports/asan:detect_leaks=0:verify_asan_link_order=0"
export UBSAN_OPTIONS="log_path=$reports/ubsan:print_stacktrace=1"

status=0
# Each suite runs whole from the repository root, as ctest runs its tests, side by side.
run_suite() {
  env -u DISPLAY PLAYER_SOURCE_DIR="$PWD" PLAYER_BINARY_DIR="$PWD/$out" \
    timeout 900 "$out/tests/$1" --gtest_brief=1 > "$out/$1.log" 2>&1 || { cat "$out/$1.log"; return 1; }
  tail -1 "$out/$1.log"
}
export -f run_suite
export out
printf '%s\n' "${suites[@]}" | xargs -P "$jobs" -I{} bash -c 'run_suite {}' || status=1
# One run of the player: production 3, whose one-minute song keeps the run short, plays from its
# folder with the data file the main build packed for it.
mkdir -p "$out/p3"
bash tools/make-datavtl.sh build/p3
cp build/p3/data.vtl "$out/p3/data.vtl"
xvfb-run -a -s "-screen 0 1280x720x24 -noreset" env PLAYER_BINARY_DIR="$PWD/$out/p3" \
  python3 tests/e2e/play_through.py "murrow - tidewheel" || status=1

shopt -s nullglob
found=("$reports"/*)
if [ ${#found[@]} -gt 0 ]; then
  echo "Sanitizer reports:"
  cat "${found[@]}"
  status=1
fi
exit $status
