#!/usr/bin/env python3
"""Makes the productions' music: note data, music descriptions and MP3 audio, under data/music/.

Every song is composed here (tools/music/), its notes written as a Standard MIDI file or a
Live set, and the audio rendered from those same notes by a small synthesiser and encoded with
lame, so that what the scenes read from the notes is what is heard.

  production 6: wendmoor2020.xml, wendmoor2020.mid, wendmoor2020_lfo.xml, wendmoor2020.mp3
  production 5: glimf2019.xml, glimf2019.als, glimf2019_lfo.xml, glimf2019.mp3
  productions 0, 3, 4: teodan-07-instrumental.mp3, Quenbry_-_Tidewheel.mp3, Quenbry-Saltglass.mp3

Sections, as beat (sync row at 8 rows a beat):
  wendmoor2020, 140 BPM, 416 beats (~179 s with the tail): intro 0 (0), build 64 (512),
    main 128 (1024), break 256 (2048), finale 320 (2560), closing chord 408 (3264).
    Note tracks 0-15: Kick Snare Clap HiHat OpenHat Crash Toms Perc Bass Pad Strings Lead
    Pluck Bell Keys FX; Keys (14) opens with a run over keys 48..108 and arpeggiates chords.
  glimf2019, 75 BPM, 112 beats: intro 0, main 16 (128), break 48 (384), main 64 (512),
    outro 96 (768). Note tracks: Pad, Drums (kick then snare lane), Hats, Bass, Keys, Lead,
    Bell, Perc.

Run from the repository root:  python3 tools/gen_music.py [--out-dir DIR] [--only NAME]...
  [--force] [--notes-only]
A song is skipped when all its files are newer than the generator sources (unless --force).
Output is deterministic: the same sources give byte-identical files.
Needs python3-numpy and lame.
"""

import argparse
import pathlib
import sys
import time

TOOLS = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(TOOLS))
try:
    import numpy  # noqa: F401
except ImportError:
    # A python3 ahead of the system one on PATH may lack the Debian packages.
    sys.path.append("/usr/lib/python3/dist-packages")
    try:
        import numpy  # noqa: F401
    except ImportError:
        sys.exit("gen_music: needs python3-numpy (tools/install-deps.sh installs it)")

from music import productions, synth, writers  # noqa: E402
from music.song import Lfo  # noqa: E402


def _lfo_templates(song):
    for track in song.tracks:
        lfo = track.modulator(Lfo)
        if lfo is not None:
            yield lfo


def note_files(song, note_kind):
    """{file name: bytes} for a song's description, note data and LFO template."""
    note_name = f"{song.name}.{note_kind}"
    files = {f"{song.name}.xml": writers.description_xml(song, f"{song.name}.mp3", note_name).encode()}
    files[note_name] = writers.midi_bytes(song) if note_kind == "mid" else writers.als_bytes(song)
    for lfo in _lfo_templates(song):
        files[lfo.template] = writers.template_xml(lfo).encode()
    return files


SONGS = [
    # (song name, builder, note data kind or None for audio only, seed)
    ("wendmoor2020", productions.wendmoor2020, "mid", 6),
    ("glimf2019", productions.glimf2019, "als", 5),
    ("teodan-07-instrumental", productions.teodan, None, 0),
    ("Quenbry_-_Tidewheel", productions.tidewheel, None, 3),
    ("Quenbry-Saltglass", productions.saltglass, None, 4),
]

SONG_FILES = {
    "wendmoor2020": ["wendmoor2020.xml", "wendmoor2020.mid", "wendmoor2020_lfo.xml", "wendmoor2020.mp3"],
    "glimf2019": ["glimf2019.xml", "glimf2019.als", "glimf2019_lfo.xml", "glimf2019.mp3"],
    "teodan-07-instrumental": ["teodan-07-instrumental.mp3"],
    "Quenbry_-_Tidewheel": ["Quenbry_-_Tidewheel.mp3"],
    "Quenbry-Saltglass": ["Quenbry-Saltglass.mp3"],
}


def sources_mtime():
    files = [pathlib.Path(__file__)] + sorted((TOOLS / "music").glob("*.py"))
    return max(f.stat().st_mtime for f in files)


def up_to_date(out_dir, names, newest_source):
    paths = [out_dir / n for n in names]
    return all(p.exists() and p.stat().st_mtime > newest_source for p in paths)


def make(builder, note_kind, seed, out_dir, notes_only):
    began = time.monotonic()
    song = builder()
    if note_kind:
        for name, data in note_files(song, note_kind).items():
            (out_dir / name).write_bytes(data)
    if not notes_only:
        audio = synth.render(song, seed)
        synth.encode_mp3(audio, out_dir / f"{song.name}.mp3")
    print(f"gen_music: {song.name} ({time.monotonic() - began:.1f} s)")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out-dir", default="data/music")
    parser.add_argument("--only", action="append", choices=sorted(SONG_FILES))
    parser.add_argument("--force", action="store_true")
    parser.add_argument("--notes-only", action="store_true",
                        help="write note data and descriptions, no audio")
    args = parser.parse_args()
    out_dir = pathlib.Path(args.out_dir)
    out_dir.mkdir(parents=True, exist_ok=True)
    newest = sources_mtime()
    for song_name, builder, note_kind, seed in SONGS:
        if args.only and song_name not in args.only:
            continue
        if args.notes_only and not note_kind:
            continue
        names = [n for n in SONG_FILES[song_name] if not (args.notes_only and n.endswith(".mp3"))]
        if not args.force and up_to_date(out_dir, names, newest):
            continue
        try:
            make(builder, note_kind, seed, out_dir, args.notes_only)
        except FileNotFoundError as error:
            sys.exit(f"gen_music: {error.filename} not found (tools/install-deps.sh installs lame)")


if __name__ == "__main__":
    main()
