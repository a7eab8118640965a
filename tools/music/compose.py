"""Composition: chord progressions, drum patterns, bass lines, pads, melodies and effects laid
out over named sections, as note lists per part. Each production turns these into a Song
(productions.py). Randomness comes only from random.Random(seed).
"""

import random

from .song import Note

MINOR = [0, 2, 3, 5, 7, 8, 10]

# Drum patterns for one 4-beat bar: part -> [(beat, key, velocity)].
SWING = 7 / 12
DRUMS = {
    "four": {
        "kick": [(b, 36, 120) for b in (0, 1, 2, 3)],
        "clap": [(1, 39, 105), (3, 39, 105)],
        "snare": [(1, 38, 80), (3, 38, 80)],
        "hat": [(b / 4, 42, 90 if b % 2 else 55) for b in range(16)],
        "openhat": [(b + 0.5, 46, 85) for b in range(4)],
        "perc": [(b / 4, 70, 70 if b % 4 == 2 else 40) for b in range(16)],
    },
    "break": {
        "kick": [(0, 36, 120), (1.75, 36, 95), (2.5, 36, 115)],
        "snare": [(1, 38, 115), (3, 38, 115), (3.75, 38, 50)],
        "clap": [(3, 39, 80)],
        "hat": [(b / 2, 42, 85 if b % 2 else 60) for b in range(8)],
        "openhat": [(1.5, 46, 70)],
        "perc": [(b / 4, 70, 60 if b % 2 else 35) for b in range(16)],
    },
    "lazy": {
        "kick": [(0, 36, 120), (0.75, 36, 80), (2.5, 36, 110)],
        "snare": [(1, 38, 110), (3, 38, 110)],
        "clap": [(3, 39, 60)],
        "hat": [(b + off, 42, vel) for b in range(4) for off, vel in ((0, 80), (SWING, 55))],
        "openhat": [(3 + SWING, 46, 60)],
        "perc": [(b + 0.5, 70, 45) for b in range(4)],
    },
}

BASS_RHYTHMS = {
    "offbeat": [(b + 0.5, 0.45, 0) for b in range(4)],
    "rolling": [(b / 4, 0.1875, 12 if b % 4 == 3 else 0) for b in range(16) if b % 4 != 0],
    "house": [(0.5, 0.25, 0), (1.5, 0.25, 0), (1.75, 0.25, 12), (2.5, 0.5, 0), (3.5, 0.25, 7)],
    "long": [(0, 1.75, 0), (2, 0.75, 0), (2.75, 1.25, 7)],
    "lazy": [(0, 0.7, 0), (0.75, 0.5, 0), (2.5, 1.0, 7), (3.5, 0.4, 12)],
}

MELODY_RHYTHMS = [
    [(0, 1), (1, 0.5), (1.5, 0.5), (2, 1.5), (3.5, 0.5)],
    [(0, 0.75), (0.75, 0.75), (1.5, 1), (2.5, 0.5), (3, 1)],
    [(0, 2), (2, 1), (3, 1)],
    [(0.5, 0.5), (1, 0.5), (1.5, 1), (2.5, 1.5)],
    [(0, 0.5), (0.5, 0.5), (1, 1), (2, 0.5), (2.5, 0.5), (3, 1)],
]


class Scale:
    def __init__(self, tonic):
        self.tonic = tonic  # MIDI key of the root in the lowest octave used

    def key(self, step):
        octave, degree = divmod(step, 7)
        return self.tonic + 12 * octave + MINOR[degree]

    def chord(self, degree, size=3):
        return [self.key(degree + 2 * i) for i in range(size)]

    def step_of(self, key):
        """The scale step of a key in the scale (nearest step at or below)."""
        step = 0
        while self.key(step + 1) <= key:
            step += 1
        while self.key(step) > key:
            step -= 1
        return step


def voicing(keys, low, high, previous=None):
    """The inversion of the chord closest to the previous voicing, inside [low, high]."""
    options = []
    for shift in range(-4, 5):
        voiced = sorted(k + 12 * shift for k in keys)
        for inv in range(len(keys)):
            v = sorted(voiced[inv:] + [k + 12 for k in voiced[:inv]])
            if v[0] >= low and v[-1] <= high:
                options.append(v)
    if not options:
        raise ValueError("no voicing fits")
    centre = (low + high) / 2 if previous is None else sum(previous) / len(previous)
    return min(options, key=lambda v: (abs(sum(v) / len(v) - centre), v))


class Section:
    def __init__(self, name, bars, parts, progression, riser=False, fill=False, impact=False,
                 lfo=None, **extra):
        self.name, self.bars, self.parts = name, bars, set(parts)
        self.progression = progression
        self.riser, self.fill, self.impact, self.lfo = riser, fill, impact, lfo
        self.keys_low = 57
        self.bass = None
        self.lead_up = False
        for attr, value in extra.items():
            setattr(self, attr, value)


class Composer:
    """Notes for every part over a list of sections."""

    def __init__(self, tonic, sections, drums, bass, seed, melody_low=64, melody_high=84):
        self.scale = Scale(tonic)
        self.sections = sections
        self.drums = DRUMS[drums]
        self.bass_rhythm = bass
        self.rng = random.Random(seed)
        self.melody_low, self.melody_high = melody_low, melody_high
        self.parts = {}
        self.section_starts = []
        self.phrase = None

    def add(self, part, start, dur, key, vel=100):
        self.parts.setdefault(part, []).append(Note(start, dur, key, max(1, min(127, vel))))

    def compose(self):
        beat = 0.0
        for section in self.sections:
            self.section_starts.append((section.name, beat))
            self.compose_section(section, beat)
            beat += 4 * section.bars
        self.total_beats = beat
        for part, notes in self.parts.items():
            self.parts[part] = tidy(notes)
        return self.parts

    def chord_at(self, section, bar):
        return section.progression[bar % len(section.progression)]

    def compose_section(self, sec, start):
        pad_prev = keys_prev = None
        for bar in range(sec.bars):
            at = start + 4 * bar
            degree = self.chord_at(sec, bar)
            chord = self.scale.chord(degree, 4)
            last = bar == sec.bars - 1
            self.compose_drums(sec, bar, at, last)
            if "bass" in sec.parts:
                self.compose_bass(sec, degree, at)
            if "pad" in sec.parts:
                pad_prev = voicing(chord, 55, 76, pad_prev)
                for key in pad_prev:
                    self.add("pad", at, 4, key, 80)
            if "keys" in sec.parts:
                keys_prev = voicing(self.scale.chord(degree, 3), sec.keys_low, sec.keys_low + 19,
                                    keys_prev)
                for key in keys_prev:
                    self.add("keys", at, 4, key, 100)
            if "strings" in sec.parts:
                root = self.scale.key(degree) + 12
                for key in (root, root + 7, root + 12):
                    self.add("strings", at, 4, key, 75)
            if "pluck" in sec.parts:
                tones = voicing(chord, 64, 86)
                for i in range(8):
                    self.add("pluck", at + i / 2, 0.45, tones[(0, 2, 1, 3, 2, 1, 3, 2)[i]], 95 - 10 * (i % 2))
            if "crash" in sec.parts and bar % 8 == 0:
                self.add("crash", at, 2, 49, 110)
        if "lead" in sec.parts or "bell" in sec.parts:
            self.compose_melody(sec, start)
        if sec.riser:
            self.add("fx", start + 4 * (sec.bars - 4), 16, 60, 110)
        if sec.impact:
            self.add("fx", start, 2, 36, 120)

    def compose_drums(self, sec, bar, at, last):
        for part, hits in self.drums.items():
            if part not in sec.parts:
                continue
            for beat, key, vel in hits:
                self.add(part, at + beat, 0.25, key, vel)
        if sec.fill and bar >= sec.bars - 4 and "roll" in sec.parts:
            step = 0.5 if bar < sec.bars - 2 else 0.25
            count = int(4 / step)
            for i in range(count):
                vel = 50 + int(70 * (bar - sec.bars + 4 + i / count) / 4)
                self.add("snare", at + i * step, step / 2, 38, vel)
        if sec.fill and last and "toms" in sec.parts:
            for i, key in enumerate((50, 48, 47, 45, 43, 41, 45, 41)):
                self.add("toms", at + 2 + i / 4, 0.25, key, 100 - 4 * i)

    def compose_bass(self, sec, degree, at):
        rhythm = BASS_RHYTHMS[sec.bass or self.bass_rhythm]
        root = self.scale.key(degree)
        while root > 45:
            root -= 12
        while root < 33:
            root += 12
        for beat, dur, interval in rhythm:
            self.add("bass", at + beat, dur, root + interval, 110 if beat == int(beat) else 95)

    def make_phrase(self, sec):
        """Four bars of melody over the section's progression: (beat, dur, step) list."""
        rng = self.rng
        rhythms = [rng.choice(MELODY_RHYTHMS) for _ in range(3)]
        plan = [rhythms[0], rhythms[1], rhythms[0], rhythms[2]]
        step = self.scale.step_of((self.melody_low + self.melody_high) // 2)
        low = self.scale.step_of(self.melody_low) + 1
        high = self.scale.step_of(self.melody_high)
        phrase = []
        for bar, rhythm in enumerate(plan):
            degree = self.chord_at(sec, bar)
            tones = {(degree + 2 * i) % 7 for i in range(3)}
            for beat, dur in rhythm:
                step += rng.choice((-2, -1, -1, 1, 1, 2, 0))
                step = max(low, min(high, step))
                if beat == int(beat):
                    # Strong beats land on a chord tone.
                    for delta in (0, 1, -1, 2, -2):
                        if (step + delta) % 7 in tones and low <= step + delta <= high:
                            step += delta
                            break
                phrase.append((4 * bar + beat, dur, step))
        # The phrase ends on the root of its last chord, nearest to where the line is.
        end_beat, end_dur, last = phrase[-1]
        target = self.chord_at(sec, 3) % 7
        roots = [s for s in range(low, high + 1) if s % 7 == target]
        phrase[-1] = (end_beat, end_dur, min(roots, key=lambda s: (abs(s - last), s)))
        return phrase

    def compose_melody(self, sec, start):
        if self.phrase is None or sec.name.startswith("break"):
            phrase = self.make_phrase(sec)
            if self.phrase is None:
                self.phrase = phrase
        else:
            phrase = self.phrase
        for bar4 in range(0, sec.bars - sec.bars % 4, 4):
            if sec.name.startswith("end"):
                break
            for beat, dur, step in phrase:
                at = start + 4 * bar4 + beat
                if "lead" in sec.parts:
                    shift = 12 if sec.lead_up else 0
                    self.add("lead", at, dur * 0.9, self.scale.key(step) + shift, 100)
                if "bell" in sec.parts and beat == int(beat) and (bar4 // 4) % 2 == 0:
                    self.add("bell", at, dur, self.scale.key(step) + 12, 90)


def tidy(notes):
    """Notes of one key never overlap: duplicates go, a note ends where the next one starts."""
    by_key = {}
    for note in sorted(notes, key=lambda n: (n.key, n.start, -n.vel)):
        same = by_key.setdefault(note.key, [])
        if same and same[-1].start == note.start:
            continue
        if same and same[-1].start + same[-1].dur > note.start:
            same[-1].dur = note.start - same[-1].start
        same.append(note)
    return sorted((n for ns in by_key.values() for n in ns), key=lambda n: (n.start, n.key))
