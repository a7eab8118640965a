#!/usr/bin/env bash
# Builds the engine, every test suite and the players of productions 0, 3, 4, 5 and 6 a second time
# with AddressSanitizer and UndefinedBehaviorSanitizer (folder build-asan), then runs the suites
# (those that need no window without a display, the GL, scene and 3D ones on a virtual display)
# and plays the five productions side by side, each on a display of its own: 3, 4, 5 and 6 to the
# end of their songs without input, the model viewer (0) through a few keys and Escape. Any
# sanitizer report fails the run. Needs the main build (build/) with its packing players, which
# tools/test.sh makes first: the data files are packed there.
# Usage: tools/test-sanitizers.sh [jobs]
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${1:-$(nproc)}
out=build-asan
# Suites that open no window run without a display, which they must cope with.
windowless=(test_audio test_avi test_data test_notes test_sync test_util)
productions=(0 3 4 5 6)
# GCC's "undefined" leaves out float-cast-overflow: a float converted to an integer type that
# cannot hold it is undefined too.
flags="-fsanitize=address,undefined,float-cast-overflow -fno-sanitize-recover=all"
flags+=" -fno-omit-frame-pointer"

# -O1 with line tables only: reports name files and lines, and the second build stays quick.
mkdir -p "$out"
cmake -S . -B "$out" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" \
  -DCMAKE_C_FLAGS_DEBUG="-O1 -g1" -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_C_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="$flags" > "$out/configure.log"
mapfile -t suites < <(cd build/tests && ls test_* | grep -v '\.' || true)
players=()
for production in "${productions[@]}"; do
  if [ "$production" = 6 ]; then players+=(player); else players+=("player-p$production"); fi
done
cmake --build "$out" -j"$jobs" --target "${players[@]}" "${suites[@]}"

# Reports go to files as well as ending the process, so that none is lost in a death test's
# captured output. Leaks are not checked: the fatal exit ends the run without unwinding.
reports="$PWD/$out/sanitizer-reports"
rm -rf "$reports"
mkdir -p "$reports"
# The player runs under stdbuf, which preloads a library ahead of the sanitizer runtime.
export ASAN_OPTIONS="log_path=$reports/asan:detect_leaks=0:verify_asan_link_order=0"
export UBSAN_OPTIONS="log_path=$reports/ubsan:print_stacktrace=1"

status=0
# Runs the command on a virtual display of its own. The server picks a free display number
# itself (-displayfd), so that servers started side by side never race for one.
with_display() {
  local size=$1 fifo number server code=0
  shift
  fifo=$(mktemp -u) && mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 "${size}x24" -noreset -nolisten tcp 3> "$fifo" 2> /dev/null &
  server=$!
  read -r number < "$fifo"
  rm -f "$fifo"
  DISPLAY=":$number" "$@" || code=$?
  kill "$server"
  wait "$server" 2> /dev/null || true
  return $code
}
# Each suite runs whole from the repository root, as ctest runs its tests.
run_suite() {
  local display=()
  [[ " $windowless_suites " == *" $1 "* ]] && display=(env -u DISPLAY)
  local log="$out/$1.log"
  "${display[@]}" env PLAYER_SOURCE_DIR="$PWD" PLAYER_BINARY_DIR="$PWD/$out" \
    timeout 1500 "$out/tests/$1" --gtest_brief=1 > "$log" 2>&1 || { cat "$log"; return 1; }
  # A report of a death test's child can end in the exit code the test expects.
  if grep -q "runtime error:\|ERROR: AddressSanitizer" "$log"; then cp "$log" "$reports/"; fi
  echo "$1: $(tail -1 "$log")"
}
# A production's player plays from its own folder (production 6's is the build folder).
player_folder() { if [ "$2" = 6 ]; then echo "$1"; else echo "$1/p$2"; fi; }
play() {
  with_display 1280x720 env PLAYER_BINARY_DIR="$PWD/$(player_folder "$out" "$1")" \
    python3 tests/e2e/play_through.py "$1" > "$out/play-$1.log" 2>&1 ||
    { cat "$out/play-$1.log"; return 1; }
  echo "production $1: $(tail -1 "$out/play-$1.log")"
}
# Each plays the data file the main build packed for it.
for production in "${productions[@]}"; do
  bash tools/make-datavtl.sh "$(player_folder build "$production")"
  cp "$(player_folder build "$production")/data.vtl" "$(player_folder "$out" "$production")/"
done
export -f with_display run_suite player_folder play
export out reports windowless_suites="${windowless[*]}"
started=$SECONDS
# The plays keep to the music's clock, so they wait more than they work: they run beside the
# suites, which share one display (their windows are hidden).
printf '%s\n' "${productions[@]}" | xargs -P "${#productions[@]}" -I{} bash -c 'play {}' &
plays=$!
printf '%s\n' "${suites[@]}" > "$out/suites.txt"
with_display 1920x1080 xargs -a "$out/suites.txt" -P "$jobs" -I{} bash -c 'run_suite {}' ||
  status=1
wait $plays || status=1
echo "sanitizer runs: $((SECONDS - started)) s"

shopt -s nullglob
found=("$reports"/*)
if [ ${#found[@]} -gt 0 ]; then
  echo "Sanitizer reports:"
  cat "${found[@]}"
  status=1
fi
exit $status
