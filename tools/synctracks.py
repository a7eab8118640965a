#!/usr/bin/env python3
"""Sync track files from readable text, and back.

The text form holds the tracks of one production:

    # comments run from '#' to the end of the line
    bpm                 <- a line with one word names a track
    0 120 step          <- then one key per line: row, value, type
    cameraEyeX
    0    -2.5  linear   <- types: step, linear, smooth, ramp (or 0-3)
    64    4    smooth
    ActiveScene1st      <- a track without keys: the player uses its default

Rows are 32-bit integers and must rise strictly within a track; values are stored as 32-bit
floats. Each track becomes OUT/_<name>.track: i32 key count, then per key i32 row, f32 value,
u8 type, little-endian.

    synctracks.py build SOURCE.txt [--out data/sync_tracker]
    synctracks.py dump FILE.track...
"""

import argparse
import math
import os
import struct
import sys

TYPES = ["step", "linear", "smooth", "ramp"]
DEFAULT_OUT = "data/sync_tracker"
BASE_PATH = "data/sync_tracker/"
MAX_PATH = 259
INT32_MIN, INT32_MAX = -(2**31), 2**31 - 1


class TrackError(Exception):
    pass


def parse_type(word, where):
    if word.lower() in TYPES:
        return TYPES.index(word.lower())
    if word.isdigit() and int(word) < len(TYPES):
        return int(word)
    raise TrackError(f"{where}: unknown key type '{word}' (use {', '.join(TYPES)} or 0-3)")


def parse_value(word, where):
    try:
        value = float(word)
    except ValueError:
        raise TrackError(f"{where}: value '{word}' is not a number") from None
    if not math.isfinite(value):
        raise TrackError(f"{where}: value '{word}' is not finite")
    try:
        struct.pack("<f", value)
    except OverflowError:
        raise TrackError(f"{where}: value '{word}' does not fit a 32-bit float") from None
    return value


def parse_row(word, where):
    try:
        row = int(word)
    except ValueError:
        raise TrackError(f"{where}: row '{word}' is not an integer") from None
    if not INT32_MIN <= row <= INT32_MAX:
        raise TrackError(f"{where}: row {row} does not fit 32 bits")
    return row


def check_name(name, where):
    if "/" in name or "\\" in name or name in (".", ".."):
        raise TrackError(f"{where}: track name '{name}' cannot be a file name")
    if len(BASE_PATH + "_" + name + ".track") > MAX_PATH:
        raise TrackError(f"{where}: track name '{name[:20]}...' is too long for a track file")


def parse_text(text, source):
    """Returns [(name, [(row, value, type), ...]), ...] in file order."""
    tracks = []
    seen = set()
    for number, line in enumerate(text.splitlines(), 1):
        where = f"{source}:{number}"
        words = line.split("#", 1)[0].split()
        if not words:
            continue
        if len(words) == 1:
            name = words[0]
            check_name(name, where)
            if name in seen:
                raise TrackError(f"{where}: track '{name}' appears twice")
            seen.add(name)
            tracks.append((name, []))
            continue
        if len(words) != 3:
            raise TrackError(f"{where}: expected a track name or 'row value type', got {len(words)} fields")
        if not tracks:
            raise TrackError(f"{where}: a key before the first track name")
        key = (parse_row(words[0], where), parse_value(words[1], where), parse_type(words[2], where))
        keys = tracks[-1][1]
        if keys and key[0] <= keys[-1][0]:
            raise TrackError(f"{where}: row {key[0]} does not come after row {keys[-1][0]}")
        keys.append(key)
    return tracks


def encode(keys):
    data = bytearray(struct.pack("<i", len(keys)))
    for row, value, kind in keys:
        data += struct.pack("<ifB", row, value, kind)
    return bytes(data)


def decode(data, source):
    if len(data) < 4:
        raise TrackError(f"{source}: {len(data)} bytes, too short for a key count")
    (count,) = struct.unpack_from("<i", data)
    if count < 0:
        raise TrackError(f"{source}: negative key count {count}")
    if len(data) != 4 + 9 * count:
        raise TrackError(f"{source}: {len(data)} bytes, but {count} keys take {4 + 9 * count}")
    keys = []
    for k in range(count):
        row, value, kind = struct.unpack_from("<ifb", data, 4 + 9 * k)
        if not 0 <= kind < len(TYPES):
            raise TrackError(f"{source}: key {k} has unknown type {kind}")
        if keys and row <= keys[-1][0]:
            raise TrackError(f"{source}: key {k} at row {row} does not come after row {keys[-1][0]}")
        keys.append((row, value, kind))
    return keys


def format_value(value):
    """The shortest decimal text that reads back as the same 32-bit float."""
    stored = struct.pack("<f", value)
    for digits in range(1, 10):
        text = repr(float(f"{value:.{digits}g}"))
        if struct.pack("<f", float(text)) == stored:
            return text[:-2] if text.endswith(".0") else text
    return repr(value)


def track_name_of(path):
    base = os.path.basename(path)
    if not (base.startswith("_") and base.endswith(".track")):
        raise TrackError(f"{path}: not named _<track>.track")
    return base[1:-len(".track")]


def dump(paths, out):
    for path in paths:
        with open(path, "rb") as f:
            keys = decode(f.read(), path)
        out.write(f"{track_name_of(path)}\n")
        for row, value, kind in keys:
            out.write(f"{row} {format_value(value)} {TYPES[kind]}\n")


def write_if_changed(path, data):
    """Writes through a temporary file and a rename; leaves an identical file untouched."""
    try:
        with open(path, "rb") as f:
            if f.read() == data:
                return False
    except FileNotFoundError:
        pass
    temporary = path + ".tmp"
    with open(temporary, "wb") as f:
        f.write(data)
    os.replace(temporary, path)
    return True


def build(source, out_dir):
    with open(source, encoding="utf-8") as f:
        tracks = parse_text(f.read(), source)
    os.makedirs(out_dir, exist_ok=True)
    written = 0
    for name, keys in tracks:
        written += write_if_changed(os.path.join(out_dir, f"_{name}.track"), encode(keys))
    return len(tracks), written


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    commands = parser.add_subparsers(dest="command", required=True)
    build_command = commands.add_parser("build", help="text to track files")
    build_command.add_argument("source")
    build_command.add_argument("--out", default=DEFAULT_OUT)
    dump_command = commands.add_parser("dump", help="track files to text")
    dump_command.add_argument("files", nargs="+")
    args = parser.parse_args(argv)
    try:
        if args.command == "build":
            count, written = build(args.source, args.out)
            print(f"{args.source}: {count} tracks, {written} written to {args.out}")
        else:
            dump(args.files, sys.stdout)
    except (TrackError, OSError) as error:
        print(f"synctracks: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
