#!/usr/bin/env python3
"""The track file tool: reads track files written by another program, turns text into track
files and back without loss, and refuses bad text with the line at fault."""

import json
import os
import struct
import subprocess
import sys
import tempfile

ROOT = os.environ.get("PLAYER_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))
TOOL = os.path.join(ROOT, "tools", "synctracks.py")
TRACKS = os.path.join(ROOT, "tests", "sync", "tracks")

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL:", message)


def run(*args):
    return subprocess.run([sys.executable, TOOL, *args], capture_output=True, text=True)


def parse_dump(text):
    tracks, current = {}, None
    for line in text.splitlines():
        words = line.split()
        if len(words) == 1:
            current = tracks.setdefault(words[0], [])
        elif words:
            current.append((int(words[0]), float(words[1]), words[2]))
    return tracks


def f32(value):
    return struct.unpack("<f", struct.pack("<f", value))[0]


def test_reads_files_of_another_program():
    with open(os.path.join(TRACKS, "expected-keys.json")) as f:
        expected = json.load(f)
    files = sorted(os.path.join(TRACKS, name) for name in expected)
    result = run("dump", *files)
    check(result.returncode == 0, f"dump failed: {result.stderr}")
    dumped = parse_dump(result.stdout)
    types = ["step", "linear", "smooth", "ramp"]
    for name, track in expected.items():
        keys = dumped.get(name[1:-len(".track")])
        want = [(k["row"], f32(k["value"]), types[k["interp"]]) for k in track["keys"]]
        check(keys is not None and [(r, f32(v), t) for r, v, t in keys] == want, f"keys of {name}")


def test_text_round_trip_is_byte_exact():
    files = sorted(os.path.join(TRACKS, n) for n in os.listdir(TRACKS) if n.endswith(".track"))
    text = run("dump", *files).stdout
    with tempfile.TemporaryDirectory() as folder:
        source = os.path.join(folder, "tracks.txt")
        with open(source, "w") as f:
            f.write(text)
        result = run("build", source, "--out", os.path.join(folder, "out"))
        check(result.returncode == 0, f"build failed: {result.stderr}")
        for path in files:
            with open(path, "rb") as a, open(os.path.join(folder, "out", os.path.basename(path)), "rb") as b:
                check(a.read() == b.read(), f"rebuilt {os.path.basename(path)} differs")


def test_build_writes_keys_and_empty_tracks_and_skips_unchanged():
    with tempfile.TemporaryDirectory() as folder:
        source = os.path.join(folder, "p.txt")
        with open(source, "w") as f:
            f.write("# test\nbpm   # no keys: the default\nfade\n-8 -1.5 linear\n0 0.25 3 # ramp\n")
        out = os.path.join(folder, "out")
        check(run("build", source, "--out", out).returncode == 0, "build of good text")
        with open(os.path.join(out, "_bpm.track"), "rb") as f:
            check(f.read() == struct.pack("<i", 0), "an empty track is a count of 0")
        with open(os.path.join(out, "_fade.track"), "rb") as f:
            check(f.read() == struct.pack("<iifBifB", 2, -8, -1.5, 1, 0, 0.25, 3), "keys of fade")
        stamp = os.stat(os.path.join(out, "_fade.track")).st_mtime_ns
        result = run("build", source, "--out", out)
        check("0 written" in result.stdout, f"unchanged files are not rewritten: {result.stdout}")
        check(os.stat(os.path.join(out, "_fade.track")).st_mtime_ns == stamp, "file left alone")


def test_bad_text_is_refused_with_its_line():
    cases = {
        "t\n4 1 step\n4 2 step\n": "p.txt:3: row 4 does not come after row 4",
        "t\n4 1 step\n2 2 step\n": "p.txt:3: row 2 does not come after row 4",
        "t\n0 1 wobble\n": "p.txt:2: unknown key type 'wobble'",
        "t\n0 1 4\n": "p.txt:2: unknown key type '4'",
        "0 1 step\n": "p.txt:1: a key before the first track name",
        "t\n0 1\n": "p.txt:2: expected a track name or 'row value type'",
        "t\n0 x step\n": "p.txt:2: value 'x' is not a number",
        "t\n0 1e39 step\n": "p.txt:2: value '1e39' does not fit a 32-bit float",
        "t\n2147483648 1 step\n": "p.txt:2: row 2147483648 does not fit 32 bits",
        "t\nt\n": "p.txt:2: track 't' appears twice",
        "a/b\n": "p.txt:1: track name 'a/b' cannot be a file name",
        "n" * 235 + "\n": "is too long for a track file",
    }
    with tempfile.TemporaryDirectory() as folder:
        source = os.path.join(folder, "p.txt")
        for text, message in cases.items():
            with open(source, "w") as f:
                f.write(text)
            result = run("build", source, "--out", os.path.join(folder, "out"))
            check(result.returncode != 0 and message in result.stderr, f"{text[:30]!r}: {result.stderr.strip()}")
        check(not os.path.exists(os.path.join(folder, "out")), "nothing is written from bad text")


def test_bad_track_files_are_refused():
    cases = {
        struct.pack("<i", -1): "negative key count -1",
        struct.pack("<i", 2) + struct.pack("<ifB", 0, 1, 0): "13 bytes, but 2 keys take 22",
        struct.pack("<iifB", 1, 0, 1, 4): "unknown type 4",
        struct.pack("<iifBifB", 2, 5, 1, 0, 5, 1, 0): "row 5 does not come after row 5",
    }
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "_bad.track")
        for data, message in cases.items():
            with open(path, "wb") as f:
                f.write(data)
            result = run("dump", path)
            check(result.returncode != 0 and message in result.stderr, f"{message}: {result.stderr.strip()}")


for test in [test_reads_files_of_another_program, test_text_round_trip_is_byte_exact,
             test_build_writes_keys_and_empty_tracks_and_skips_unchanged,
             test_bad_text_is_refused_with_its_line, test_bad_track_files_are_refused]:
    test()
print(f"{len(failures)} failures")
sys.exit(1 if failures else 0)
