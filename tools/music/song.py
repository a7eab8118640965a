"""The in-memory song that every music file is written from and the audio is rendered from.

A Song holds note tracks (notes in beats, controller changes, modulators) plus the synth
settings of each track. Writers (writers.py) turn it into MIDI, Live set and description XML
files; the renderer (synth.py) turns the very same notes into audio, so picture and sound agree.

The modulator helpers here compute what the player computes from the written files: envelope
levels, the LFO wave with its controller-chosen period, and which held key an arpeggiator
selects at each step. The renderer uses them to shape the sound the same way.
"""

import math
from dataclasses import dataclass, field

import numpy as np

EXP_BASE = 250.0


@dataclass
class Note:
    start: float  # beats
    dur: float    # beats
    key: int
    vel: int = 100


@dataclass
class Envelope:
    """An attack/decay/sustain/release envelope; times in seconds, sustain 0..1."""
    attack: float
    decay: float
    sustain: float
    release: float
    attack_slope: str = "linear"
    decay_slope: str = "exp"
    release_slope: str = "exp"

    def levels(self, t, held_for):
        """Level at t seconds after a note start for a note held held_for seconds.

        Follows the modulator's rule: an early release still runs attack and decay to their
        end, the release then starts from the sustain level.
        """
        a, d, s, r = self.attack, self.decay, self.sustain, self.release
        out = np.zeros_like(t)
        if a > 0:
            m = t < a
            out[m] = _rise(t[m] / a, self.attack_slope)
        if d > 0:
            m = (t >= a) & (t < a + d)
            out[m] = s + (1 - s) * _fall((t[m] - a) / d, self.decay_slope)
        m = (t >= a + d) & (t <= held_for)
        out[m] = s
        rel_from = max(held_for, a + d)
        m = (t >= a + d) & (t > held_for)
        if r > 0:
            x = (t[m] - rel_from) / r
            out[m] = np.where(x < 1, s * _fall(np.clip(x, 0, 1), self.release_slope), 0)
        else:
            out[m] = 0
        return out

    def length(self, held_for):
        """Seconds after the note start until the level is 0 for good."""
        return max(held_for, self.attack + self.decay) + self.release


def _rise(x, slope):
    if slope == "linear":
        return x
    if slope == "exp":
        return (EXP_BASE ** x - 1) / (EXP_BASE - 1)
    return 1 - (EXP_BASE ** (1 - x) - 1) / (EXP_BASE - 1)


def _fall(x, slope):
    """1 at x = 0 down to 0 at x = 1."""
    if slope == "linear":
        return 1 - x
    if slope == "exp":
        return (EXP_BASE ** (1 - x) - 1) / (EXP_BASE - 1)
    return 1 - (EXP_BASE ** x - 1) / (EXP_BASE - 1)


@dataclass
class LfoRange:
    """Controller values in (low, high] select a period of numerator/denominator notes."""
    low: int
    high: int
    numerator: int
    denominator: int

    @property
    def period(self):
        return 4.0 * self.numerator / self.denominator


@dataclass
class Lfo:
    wave: str            # "sine" or "saw"
    numerator: int
    denominator: int
    cc: int
    template: str        # file name beside the description XML
    ranges: list

    @property
    def period(self):
        return 4.0 * self.numerator / self.denominator

    def period_at(self, cc_events, beat):
        """The period in beats at a beat: the range of the last controller value at or before it."""
        period = self.period
        for time, number, value in cc_events:
            if number != self.cc or time > beat:
                continue
            for rng in self.ranges:
                if value <= rng.high:
                    period = rng.period
                    break
        return period

    def levels(self, t, period):
        """Sine 0..1 starting at 0 at the note start (t in beats)."""
        return (np.sin(2 * math.pi * t / period - math.pi / 2) + 1) / 2


@dataclass
class Arp:
    pattern: str = "updown"
    octaves: int = 1
    numerator: int = 1
    denominator: int = 16

    @property
    def period(self):
        return 4.0 * self.numerator / self.denominator


@dataclass
class Modulator:
    name: str
    kind: object          # Envelope, Lfo or Arp
    intensity: float = None


@dataclass
class Clip:
    """A Live set arrangement clip: notes relative to its start, optionally looped."""
    start: float
    end: float
    notes: list                 # Note, start relative to the clip
    loop_start: float = 0.0
    loop_end: float = 0.0
    looped: bool = False

    def expand(self):
        """The notes the clip plays: one pass, or passes every loop length while inside the clip."""
        out = []
        length = self.loop_end - self.loop_start
        offset = self.start
        while True:
            for note in sorted(self.notes, key=lambda n: n.start):
                t = offset + note.start
                if t >= self.end:
                    break
                out.append(Note(t, note.dur, note.key, note.vel))
            offset += length
            if not self.looped or length <= 0 or offset > self.end:
                return out


@dataclass
class Track:
    name: str
    instrument: object    # a synth.Instrument
    channel: int = 0
    notes: list = field(default_factory=list)
    cc: list = field(default_factory=list)   # (beat, controller number, value)
    modulators: list = field(default_factory=list)
    clips: list = field(default_factory=list)  # set only for tracks written to a Live set

    def add_clip(self, clip):
        self.clips.append(clip)
        self.notes.extend(clip.expand())

    def add(self, start, dur, key, vel=100):
        self.notes.append(Note(float(start), float(dur), int(key), int(vel)))

    def sorted_notes(self):
        return sorted(self.notes, key=lambda n: (n.start, n.key))

    def lane_keys(self):
        """Keys in the order a reader makes lanes: by first start, ties by key."""
        keys = []
        for note in self.sorted_notes():
            if note.key not in keys:
                keys.append(note.key)
        return keys

    def modulator(self, kind):
        for mod in self.modulators:
            if isinstance(mod.kind, kind):
                return mod.kind
        return None


@dataclass
class Song:
    name: str
    bpm: float
    beats: float                # length of the arrangement in beats
    tracks: list
    lead_beats: float = 0.0     # audio silence before beat 0 (the player's negative beat offset)
    tail_seconds: float = 3.0
    sections: list = field(default_factory=list)  # (name, first beat)

    def seconds(self, beats):
        return beats * 60.0 / self.bpm

    def track(self, name):
        for track in self.tracks:
            if track.name == name:
                return track
        raise KeyError(name)


def arp_steps(track, arp):
    """The notes an arpeggiator sounds: (start, dur, key, source note) per step.

    Mirrors the note values: between two note changes of the track the held keys, in lane
    order, are stepped through up and down once per period, counted from the latest change.
    """
    lane_order = {key: i for i, key in enumerate(track.lane_keys())}
    notes = track.sorted_notes()
    changes = sorted({n.start for n in notes} | {n.start + n.dur for n in notes})
    steps = []
    for begin, end in zip(changes, changes[1:]):
        held = [n for n in notes if n.start <= begin and n.start + n.dur > begin]
        held.sort(key=lambda n: lane_order[n.key])
        count = len(held)
        if count == 0:
            continue
        k = 0
        while begin + k * arp.period < end - 1e-9:
            if count == 1:
                pos = 0
            else:
                pos = k % (2 * count - 2)
                if pos >= count:
                    pos = 2 * count - 2 - pos
            start = begin + k * arp.period
            dur = min(arp.period, end - start)
            steps.append((start, dur, held[pos].key, held[pos]))
            k += 1
    return steps
