"""A "bpm" track whose tempo would stop or reverse the beat is refused before playback: the
fatal message names the track, a box is shown and the exit code is 1 (no hang)."""
import os
import shutil
import struct
import sys
import tempfile
import zlib

import player

TITLE = "Cindercoil"
MAGIC = b"Vorantil Data File"
BPM_TRACK = b"data/sync_tracker/_bpm.track"


def chunks(stream):
    at = 0
    while at < len(stream):
        name_length, data_length = struct.unpack_from("<II", stream, at + 6)
        name_at = at + 14
        data_at = name_at + name_length
        yield stream[name_at:data_at], stream[data_at:data_at + data_length]
        at = data_at + data_length


def with_tempo(packed, tempo):
    """The packed file with its "bpm" track replaced by one key holding the tempo."""
    stream = zlib.decompress(packed[len(MAGIC) + 6:])
    track = struct.pack("<iifB", 1, 0, tempo, 0)
    out = b""
    for name, data in chunks(stream):
        data = track if name == BPM_TRACK else data
        out += b"VTLDFC" + struct.pack("<II", len(name), len(data)) + name + data
    return MAGIC + bytes([2, 0]) + struct.pack("<I", len(out)) + zlib.compress(out)


def main():
    with open(os.path.join(player.BINARY_DIR, "data.vtl"), "rb") as source:
        packed = source.read()
    folder = tempfile.mkdtemp(prefix="tempo-0-")
    with open(os.path.join(folder, "data.vtl"), "wb") as data:
        data.write(with_tempo(packed, 0.0))
    run = player.Player(cwd=folder)
    try:
        player.answer_dialog_if_shown(TITLE)
        player.check(run.wait_for_output("Error in file", 120), "no fatal line:\n" + run.output())
        code, output = player.answer_error_box(run)
        player.check(code == 1, f"exit code {code}; output:\n{output}")
        player.check('The "bpm" track holds the tempo 0 at row 0' in output, output)
    finally:
        run.close()
        shutil.rmtree(folder)


if __name__ == "__main__":
    sys.exit(main())
