#!/usr/bin/env bash
# Builds the music description fuzzer with clang (libFuzzer, ASan, UBSan) straight from the
# sources it needs, makes a small seed corpus, and fuzzes for a bounded time.
# Usage: tests/fuzz/run_fuzz_music_xml.sh [seconds]   (default 30)
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-30}
out=build/fuzz_music_xml
mkdir -p "$out/corpus" "$out/artifacts"

clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -Isrc -Itests -Itests/fuzz \
  tests/fuzz/fuzz_music_xml.cpp tests/fuzz/fuzz_support.cpp \
  src/util/music/music_xml.cpp src/util/music/xml_nesting.cpp src/util/music/notedata.cpp \
  src/util/music/midi.cpp src/util/music/als.cpp \
  src/util/music/modulators/modulator.cpp src/util/music/modulators/adsr.cpp \
  src/util/music/modulators/lfo.cpp src/util/music/modulators/arp.cpp \
  src/util/data/data.cpp src/util/data/fileio.cpp \
  -ltinyxml -lz -lfmt -o "$out/fuzz_music_xml"

# Seeds: a description with each kind of modulator (first byte even), a template (odd).
python3 - "$out/corpus" <<'PY'
import os, sys
corpus = sys.argv[1]
description = b'''<?xml version="1.0"?>
<modulators stream_filename="song.ogg" notedata_filename="notes.mid">
  <m name="env" association="Lead"><envelope><attack unit="s" slope="linear">0.5</attack>
    <decay unit="s" slope="exp">0.25</decay><sustain unit="percent">50</sustain>
    <release unit="s" slope="exp_inv">1</release></envelope></m>
  <m name="arp" association="Pad"><arp><pattern>updown</pattern><octaves>2</octaves>
    <numerator>1</numerator><denominator>16</denominator></arp>
    <intensity unit="float">0.75</intensity></m>
  <m name="wobble" association="Lead"><lfo><wave>sine</wave><tempo><numerator>1</numerator>
    <denominator>8t</denominator><controller><cc>74</cc><template file="lfo.xml" />
    </controller></tempo></lfo></m>
</modulators>'''
live = description.replace(b'notes.mid', b'notes.als').replace(b'"Lead"', b'"Keys"').replace(b'"Pad"', b'"Keys"')
template = b'''<unit><template>
  <range><min>0</min><max>63</max><value><numerator>1</numerator><denominator>4</denominator></value></range>
  <range><min>64</min><max>127</max><value><numerator>1</numerator><denominator>16t</denominator></value></range>
</template></unit>'''
for name, data in {"description": b"\0" + description, "live_set": b"\0" + live,
                   "template": b"\1" + template}.items():
    with open(os.path.join(corpus, name), "wb") as f:
        f.write(data)
PY

"$out/fuzz_music_xml" "$out/corpus" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
  -artifact_prefix="$out/artifacts/" -print_final_stats=1
