#!/usr/bin/env bash
# Makes the short tones the audio tests decode and the three-minute song the decode benchmark
# times: exact sine waves written as WAV, then encoded with lame (MP3) and oggenc (Ogg Vorbis).
# Usage: gen_test_tones.sh [--tones-only] [output folder]   (default build/test_tones);
# --tones-only leaves out the three-minute song. Skips files that are newer than this script.
set -euo pipefail
tones_only=0
if [ "${1:-}" = "--tones-only" ]; then
  tones_only=1
  shift
fi
out="${1:-build/test_tones}"
mkdir -p "$out"
script="${BASH_SOURCE[0]}"

up_to_date() { [ -s "$1" ] && [ "$1" -nt "$script" ]; }

# write_tone FILE RATE CHANNELS SECONDS: left (or mono) 441 Hz at half scale, right 882 Hz at
# quarter scale, so each channel and its spectrum can be told apart.
write_tone() {
  python3 - "$@" <<'PY'
import math, struct, sys, wave
path, rate, channels, seconds = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), float(sys.argv[4])
frames = int(rate * seconds)
# Both tones repeat every whole second, so long files are one second written over and over.
second = bytearray()
for n in range(min(frames, rate)):
    left = round(16384 * math.sin(2 * math.pi * 441 * n / rate))
    right = round(8192 * math.sin(2 * math.pi * 882 * n / rate))
    second += struct.pack('<h', left) if channels == 1 else struct.pack('<hh', left, right)
with wave.open(path, 'wb') as w:
    w.setnchannels(channels)
    w.setsampwidth(2)
    w.setframerate(rate)
    left_over = frames
    while left_over > 0:
        count = min(left_over, rate)
        w.writeframes(bytes(second[:count * 2 * channels]))
        left_over -= count
PY
}

# Tests running in parallel may all start this at once: each writes under its own temporary
# names and renames the finished file into place, so no reader ever sees half a file.
tmp="$out/.tmp.$$"
trap 'rm -f "$tmp".*' EXIT

make_mp3() {  # NAME RATE CHANNELS SECONDS
  up_to_date "$out/$1.mp3" && return 0
  write_tone "$tmp.wav" "$2" "$3" "$4"
  lame --quiet --noreplaygain -b 192 "$tmp.wav" "$tmp.mp3"
  mv -f "$tmp.mp3" "$out/$1.mp3"
}

make_ogg() {  # NAME RATE CHANNELS SECONDS
  up_to_date "$out/$1.ogg" && return 0
  write_tone "$tmp.wav" "$2" "$3" "$4"
  oggenc --quiet -q 6 -o "$tmp.ogg" "$tmp.wav"
  mv -f "$tmp.ogg" "$out/$1.ogg"
}

make_mp3 tone_stereo 44100 2 2
make_ogg tone_stereo 44100 2 2
make_mp3 tone_mono 44100 1 0.5
make_ogg tone_48k 48000 2 1
[ "$tones_only" = 1 ] || make_mp3 song_3min 44100 2 180
