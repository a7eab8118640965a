#!/usr/bin/env python3
"""Checks the music generator's own note logic, which shapes the rendered sound the way the
player's note values shape the picture: envelope levels, arpeggio steps, looped clip expansion
and the writers' refusal of data the note readers cannot take.

Plain python3 from the repository root; exits non-zero on failure.
"""

import sys

from music_checks import check, report, use_system_packages

use_system_packages()
sys.path.insert(0, "tools")
import numpy as np  # noqa: E402

from music import writers  # noqa: E402
from music.song import Arp, Clip, Envelope, Note, Song, Track, arp_steps  # noqa: E402


def close(a, b):
    return abs(a - b) < 1e-6


def test_envelope_release_starts_after_decay():
    # A = 1, D = 1, S = 0.5, R = 2, all linear, note held for 1: release runs from t = 2.
    env = Envelope(1, 1, 0.5, 2, "linear", "linear", "linear")
    t = np.array([0.5, 1.5, 2.0, 3.0, 4.0, 5.0])
    got = env.levels(t, 1.0)
    for value, want in zip(got, (0.5, 0.75, 0.5, 0.25, 0.0, 0.0)):
        check(close(value, want), f"envelope levels {list(got)}")
    check(close(env.length(1.0), 4.0), "envelope length")


def test_envelope_exp_attack():
    env = Envelope(1, 1, 0.5, 1, "exp", "linear", "linear")
    got = env.levels(np.array([0.5]), 10.0)[0]
    check(abs(got - (250 ** 0.5 - 1) / 249) < 1e-9, f"exp attack at half way: {got}")


def test_arp_steps_up_and_down():
    track = Track("Keys", None)
    for key in (60, 64, 67):
        track.add(8, 4, key)
    steps = arp_steps(track, Arp("updown", 1, 1, 8))
    keys = [key for start, _, key, _ in steps if start < 10.5]
    check(keys == [60, 64, 67, 64, 60], f"arp keys {keys}")
    check(all(close(dur, 0.5) for _, dur, _, _ in steps), "arp step lengths")


def test_arp_single_note_keeps_its_key():
    track = Track("Keys", None)
    track.add(0, 0.125, 48)
    track.add(0.125, 0.125, 50)
    keys = [key for _, _, key, _ in arp_steps(track, Arp("updown", 1, 1, 16))]
    check(keys == [48, 50], f"single held notes {keys}")


def test_looped_clip_expansion():
    looped = Clip(8, 16, [Note(0, 1, 36)], 0, 4, True).expand()
    check([n.start for n in looped] == [8, 12], f"looped clip starts {[n.start for n in looped]}")
    once = Clip(8, 16, [Note(0, 1, 36)], 0, 4, False).expand()
    check([n.start for n in once] == [8], "unlooped clip plays once")
    stuck = Clip(0, 8, [Note(0, 1, 36)], 4, 4, True).expand()
    check(len(stuck) == 1, "a loop without length plays once")


def refused(song, what):
    try:
        writers.midi_bytes(song)
    except ValueError:
        return
    check(False, f"{what} was written")


def test_writers_refuse_unreadable_data():
    note = [Note(0, 1, 60)]
    refused(Song("cc", 120.0, 4, [Track("Vol", None, cc=[(0, 7, 100)], notes=note)]),
            "controller 7")
    refused(Song("grid", 120.0, 4, [Track("Lead", None, notes=[Note(0, 0.3333, 60)])]),
            "a note off the tick grid")
    refused(Song("x" * 130, 120.0, 4, [Track("Lead", None, notes=note)]), "a 130-byte meta text")
    refused(Song("velocity", 120.0, 4, [Track("Lead", None, notes=[Note(0, 1, 60, 0)])]),
            "a note of velocity 0")


def main():
    for name, test in sorted(globals().items()):
        if name.startswith("test_"):
            test()
    return report("music generator")


if __name__ == "__main__":
    sys.exit(main())
