"""The productions' track texts read as the player reads them: their keys, a track's value at
a row, and the length of each production's song in rows."""
import os
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

import player

sys.path.insert(0, os.path.join(player.SOURCE_DIR, "tools"))
import synctracks  # noqa: E402

ROWS_PER_BEAT = 8
SLOT_TRACKS = ["ActiveScene1st", "ActiveScene2nd", "ActiveScene3rd", "ActiveScene4rd"]
SLOT_DEFAULTS = [0.0, -1.0, -1.0, -1.0]

# Each production's music (from the production table) and the number of its scenes, which
# bounds the slot values that select one.
PRODUCTIONS = {
    0: ("data/music/teodan-07-instrumental.mp3", 1),
    3: ("data/music/Quenbry_-_Tidewheel.mp3", 3),
    4: ("data/music/Quenbry-Saltglass.mp3", 5),
    5: ("data/music/glimf2019.xml", 1),
    6: ("data/music/wendmoor2020.xml", 3),
}


def text_path(production):
    return os.path.join(player.SOURCE_DIR, "data-src", "tracks", f"production{production}.txt")


def read_text(production):
    with open(text_path(production), encoding="utf-8") as f:
        return f.read()


def tracks_of(production):
    """{name: [(row, value, type), ...]} of the production's track text."""
    return dict(synctracks.parse_text(read_text(production), text_path(production)))


def value_at(keys, row, default):
    """A track's value at a (fractional) row: before the first key the first key's value, at
    or after the last key the last key's value; a track without keys plays its default."""
    if not keys:
        return default
    if row < keys[0][0]:
        return keys[0][1]
    for (row0, value0, kind), (row1, value1, _) in zip(keys, keys[1:]):
        if row0 <= row < row1:
            t = (row - row0) / (row1 - row0)
            shape = [0.0, t, t * t * (3 - 2 * t), t * t][kind]
            return value0 + (value1 - value0) * shape
    return keys[-1][1]


def song_file(production):
    """The sound file the production plays; a music description names its stream."""
    path = os.path.join(player.SOURCE_DIR, PRODUCTIONS[production][0])
    if path.endswith(".xml"):
        stream = ElementTree.parse(path).getroot().get("stream_filename")
        path = os.path.join(os.path.dirname(path), stream)
    return path


def song_seconds(production):
    result = subprocess.run(["ffprobe", "-v", "error", "-show_entries", "format=duration", "-of",
                             "csv=p=0", song_file(production)],
                            capture_output=True, text=True, check=True)
    return float(result.stdout)


def rows_per_second(tracks):
    """The tempo of the production's "bpm" track, which holds the production table's tempo."""
    return value_at(tracks["bpm"], 0, 0.0) * ROWS_PER_BEAT / 60.0
